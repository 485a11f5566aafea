// Faults around a click: the request directory gone, unusable or a file; the temporary or final
// name taken; the settings key deleted or broken between clicks; the client killed; the signal of
// another type. Each click shows its outcome, and SubmissionLedger checks that nothing was lost.
#include <gtest/gtest.h>

#include <list>
#include <optional>

#include "client/ClientLaunch.h"
#include "client/LoadRequestSignal.h"
#include "client/SettingsStore.h"
#include "faults/SubmissionLedger.h"
#include "plugin/InstanceData.h"
#include "plugin/ModuleState.h"
#include "plugin/PluginEntry.h"
#include "request/RequestDispatch.h"
#include "request/RequestFile.h"
#include "request/RequestText.h"
#include "request/SaveFlow.h"
#include "request/SubmissionFile.h"
#include "request/UploadFlow.h"
#include "support/Expectations.h"
#include "support/PluginRig.h"
#include "support/TestFiles.h"
#include "win/SystemCalls.h"

namespace {

const std::vector<std::string> kFileFailure{"Tolvane save request failed : File Exception"};
const std::vector<std::string> kDone{"Document : Done"};
const std::vector<std::string> kNotConfigured{"The Tolvane client is not installed or configured properly ...",
                                              "Document: Done"};

// Every submission of a case made in the same millisecond.
UtcTime FixedTime() { return {1000000000u, 5}; }  // name 0d4a51005
std::string TimeName(std::uint32_t step) { return FormatTimeName("", 1000000000u, 5 + step); }

void WriteSignal(DWORD type, const void* data, DWORD size)
{
    ASSERT_EQ(ERROR_SUCCESS, TestRegistry::Write(HKEY_CURRENT_USER, kSignalKey, "Value", type, data, size));
}

void WriteProductDword(const char* name, DWORD number)
{
    ASSERT_EQ(ERROR_SUCCESS, TestRegistry::WriteDword(HKEY_CURRENT_USER, kTestProductKey, name, number));
}

// The process id the stand-in client wrote into its mapping, or 0 when none runs.
DWORD RunningClientId()
{
    OwnedHandle mapping(OpenFileMappingA(FILE_MAP_READ, FALSE, "970128"));
    if (!mapping) return 0;
    DWORD id = 0;
    if (const void* view = MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, sizeof id)) {
        id = *static_cast<const volatile DWORD*>(view);
        UnmapViewOfFile(view);
    }
    return id;
}

bool WaitFor(bool (*condition)(), DWORD milliseconds)
{
    for (DWORD waited = 0; waited < milliseconds; waited += 20) {
        if (condition()) return true;
        Sleep(20);
    }
    return condition();
}

bool ClientRuns() { return RunningClientId() != 0; }
bool ClientGone() { return !IsClientRunning("970128"); }

void KillClient(DWORD id)
{
    OwnedHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
    if (!process) return;
    TerminateProcess(process.get(), 9);
    WaitForSingleObject(process.get(), 5000);
}

class Faults : public DispatchRig {
protected:
    void SetUp() override
    {
        DispatchRig::SetUp();
        requestDir = folder.path() + "\\requests";
        ASSERT_TRUE(CreateDirectoryA(requestDir.c_str(), nullptr));
        UseRichPage();
    }
    void TearDown() override
    {
        systemCalls.UtcNow = realSystemCalls.UtcNow;
        if (DWORD id = RunningClientId()) KillClient(id);
        DispatchRig::TearDown();
    }

    void InstallClient(const std::optional<std::string>& loadRequestDir)
    {
        if (loadRequestDir) WriteProductValue("LoadRequestDir", *loadRequestDir);
        WriteProductValue("LoadDeliveryDir", "C:\\old");
    }
    // A download page that needs no dialog.
    void UseRichPage()
    {
        record.page.name = "pkg.bin";
        record.page.serverName = "srv1";
        record.page.contentType = "RICH";
    }
    // One click with the ledger around it; returns the submission's bytes.
    std::string Click(const std::vector<std::string>& expectedStatus,
                      std::vector<std::string> otherFolders = {})
    {
        otherFolders.push_back(folder.path());
        SubmissionLedger ledger(requestDir, otherFolders);
        browser.statusTexts.clear();
        const int result = Dispatch();
        EXPECT_EQ(expectedStatus, browser.statusTexts);
        return ledger.Check(result, browser.statusTexts);
    }
    // The dispatch's own report of a failed request: its status text, then the one "Error" box.
    void ExpectFailureBox()
    {
        ASSERT_EQ(1u, ui.messageBoxes.size());
        EXPECT_EQ(nullptr, ui.messageBoxes[0].owner);
        EXPECT_EQ("Tolvane save request failed", ui.messageBoxes[0].text);
        EXPECT_EQ("Error", ui.messageBoxes[0].caption);
        EXPECT_EQ(static_cast<UINT>(MB_OK), ui.messageBoxes[0].style);
        ui.messageBoxes.clear();
    }
    // The offer of the client software, answered No.
    void ExpectConfigurationOffer()
    {
        ASSERT_EQ(1u, ui.messageBoxes.size());
        EXPECT_EQ("Configuration Error", ui.messageBoxes[0].caption);
        EXPECT_EQ(static_cast<UINT>(MB_YESNO), ui.messageBoxes[0].style);
        ui.messageBoxes.clear();
    }

    TempFolder folder;
    std::string requestDir;
};

TEST_F(Faults, AMissingRequestDirectoryFailsTheRequest)
{
    InstallClient(requestDir + "\\missing");
    Click(kFileFailure);
    ExpectFailureBox();
}

TEST_F(Faults, ARequestDirectoryReplacedByAFileFailsTheRequest)
{
    const std::string file = folder.path() + "\\requests-file";
    WriteWholeFile(file, "not a folder");
    InstallClient(file);
    Click(kFileFailure);
    ExpectFailureBox();
    EXPECT_EQ("not a folder", ReadWholeFile(file));
}

TEST_F(Faults, ARequestDirectoryNameThatCannotExistFailsTheRequest)
{
    for (const std::string& impossible : {requestDir + "\\bad|name", requestDir + "\\" + std::string(300, 'n'),
                                          requestDir + "\\a\"b"}) {
        SCOPED_TRACE(impossible.substr(requestDir.size()));
        InstallClient(impossible);
        Click(kFileFailure);
        ExpectFailureBox();
    }
}

TEST_F(Faults, AnEmptyOrAbsentRequestDirectoryFailsTheRequest)
{
    // Without the check the file would have gone to the root of the current drive.
    char current[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof current, current);
    const std::string root = std::string(current).substr(0, 2);
    InstallClient(std::string());
    Click(kFileFailure, {root});
    ExpectFailureBox();

    DeleteProductRegistryTree();
    moduleState.settings.RemoveAll();
    InstallClient(std::nullopt);
    Click(kFileFailure, {root});
    ExpectFailureBox();
}

TEST_F(Faults, TheReadOnlyAttributeOfTheDirectoryStopsNothing)
{
    // Windows and Wine alike let files be created in a directory marked read-only.
    InstallClient(requestDir);
    ASSERT_TRUE(SetFileAttributesA(requestDir.c_str(), FILE_ATTRIBUTE_READONLY));
    Click(kDone);
    EXPECT_TRUE(ui.messageBoxes.empty());
    SetFileAttributesA(requestDir.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Whatever holds the first temporary name, a file another program keeps open or a directory, stays
// as it is, and the request goes through under the next one.
TEST_F(Faults, ATemporaryNameTakenByAnotherProgramOrADirectoryIsPassedOver)
{
    InstallClient(requestDir);
    systemCalls.UtcNow = FixedTime;
    char suffix[32];
    snprintf(suffix, sizeof suffix, "-%08lx-0.tmp", static_cast<unsigned long>(GetCurrentProcessId()));
    const std::string temporary = requestDir + "\\" + TimeName(0) + suffix;
    OwnedFile held(CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    Click(kDone);
    held.reset();
    EXPECT_EQ("", ReadWholeFile(temporary));
    EXPECT_TRUE(DeleteFileA(temporary.c_str()));

    ASSERT_TRUE(CreateDirectoryA(temporary.c_str(), nullptr));
    Click(kDone);
    EXPECT_TRUE(RemoveDirectoryA(temporary.c_str())) << "the directory stays as it was";
    EXPECT_TRUE(FileExists(requestDir + "\\" + TimeName(1) + ".vnxsubmit"));
}

TEST_F(Faults, TwoSubmissionsInOneMillisecondTakeTwoNames)
{
    InstallClient(requestDir);
    systemCalls.UtcNow = FixedTime;
    const std::string first = Click(kDone);
    record.page.name = "second.bin";
    const std::string second = Click(kDone);
    EXPECT_EQ(first, ReadWholeFile(requestDir + "\\" + TimeName(0) + ".vnxsubmit"));
    EXPECT_EQ(second, ReadWholeFile(requestDir + "\\" + TimeName(1) + ".vnxsubmit"));
    EXPECT_NE(std::string::npos, second.find("NAME=\"second.bin\"\n"));

    // A directory that holds the next final name is passed over like a file.
    ASSERT_TRUE(CreateDirectoryA((requestDir + "\\" + TimeName(2) + ".vnxsubmit").c_str(), nullptr));
    Click(kDone);
    EXPECT_TRUE(FileExists(requestDir + "\\" + TimeName(3) + ".vnxsubmit"));
    EXPECT_TRUE(ui.messageBoxes.empty());
}

TEST_F(Faults, NoFreeFinalNameFailsTheRequestAndKeepsTheWaitingOnes)
{
    InstallClient(requestDir);
    systemCalls.UtcNow = FixedTime;
    for (std::uint32_t step = 0; step < 1000; ++step)
        WriteWholeFile(requestDir + "\\" + TimeName(step) + ".vnxsubmit", "NAME=\"waiting\"\n");
    Click(kFileFailure);
    ExpectFailureBox();
    EXPECT_EQ("NAME=\"waiting\"\n", ReadWholeFile(requestDir + "\\" + TimeName(0) + ".vnxsubmit"));
    EXPECT_EQ("NAME=\"waiting\"\n", ReadWholeFile(requestDir + "\\" + TimeName(999) + ".vnxsubmit"));
}

TEST_F(Faults, TheSettingsKeyDeletedBetweenTwoClicksEndsInTheOffer)
{
    InstallClient(requestDir);
    Click(kDone);
    DeleteProductRegistryTree();  // the signal's sub-key goes with it

    ui.messageBoxAnswers = {IDNO};
    Click(kNotConfigured);
    ExpectConfigurationOffer();

    InstallClient(requestDir);
    Click(kDone);
    EXPECT_EQ("1", ReadUserRegistryText(kSignalKey, "Value"));
}

TEST_F(Faults, SettingsMadeUnreadableBetweenTwoClicksEndInTheOffer)
{
    InstallClient(requestDir);
    Click(kDone);

    WriteProductDword("Counter", 7);
    ui.messageBoxAnswers = {IDNO};
    Click(kNotConfigured);
    ExpectConfigurationOffer();

    DeleteProductRegistryTree();
    InstallClient(requestDir);
    WriteProductValue("Two Words", "a value name the text form cannot hold");
    ui.messageBoxAnswers = {IDNO};
    Click(kNotConfigured);
    ExpectConfigurationOffer();
}

TEST_F(Faults, AKilledClientIsStartedAgainByTheNextClick)
{
    const std::string commandLine = "\"" + ProgramFolder() + "\\faults_client.exe\"";
    InstallClient(requestDir);
    WriteProductValue("ApplicationPath", commandLine);
    clientMapping.reset();

    // A client of our own start, killed while the user answers the Save-As dialog.
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    std::string line = commandLine;
    ASSERT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started));
    OwnedHandle process(started.hProcess), thread(started.hThread);
    ASSERT_TRUE(WaitFor(ClientRuns, 10000));
    record.page.contentType.reset();  // PLAIN: the Save-As dialog
    ui.fileDialogAnswers = {std::string("C:\\dl\\pkg.bin")};
    ui.whileShown = [&] {
        TerminateProcess(process.get(), 9);
        WaitForSingleObject(process.get(), 5000);
    };
    Click(kDone);
    ui.whileShown = nullptr;
    EXPECT_TRUE(ui.processes.empty()) << "the client ran when the click began";
    EXPECT_TRUE(ClientGone());

    ui.fileDialogAnswers = {std::string("C:\\dl\\pkg.bin")};
    Click(kDone);
    ASSERT_EQ(1u, ui.processes.size());
    EXPECT_EQ(commandLine, ui.processes[0].commandLine);
    EXPECT_EQ(static_cast<WORD>(SW_HIDE), ui.processes[0].startupInfo.wShowWindow);
    EXPECT_TRUE(WaitFor(ClientRuns, 10000)) << "the client started again";
    EXPECT_TRUE(ui.messageBoxes.empty());
}

TEST_F(Faults, ASignalOfAnotherTypeIsReplacedByOneAndLeftAloneOnFailure)
{
    const DWORD number = 41;
    struct Case {
        const char* label;
        DWORD type;
        std::string data;
    };
    for (const Case& signal : {Case{"REG_DWORD", REG_DWORD, std::string(reinterpret_cast<const char*>(&number), 4)},
                               Case{"REG_BINARY", REG_BINARY, std::string("41")},
                               Case{"REG_EXPAND_SZ", REG_EXPAND_SZ, std::string("41", 3)},
                               Case{"REG_MULTI_SZ", REG_MULTI_SZ, std::string("41\0\0", 4)}}) {
        SCOPED_TRACE(signal.label);
        DeleteProductRegistryTree();
        WriteSignal(signal.type, signal.data.data(), static_cast<DWORD>(signal.data.size()));

        InstallClient(requestDir + "\\missing");
        Click(kFileFailure);  // the ledger checks the value was not touched
        ExpectFailureBox();

        InstallClient(requestDir);
        Click(kDone);
        EXPECT_EQ("1", ReadUserRegistryText(kSignalKey, "Value"));
    }
}

TEST_F(Faults, TheSignalWrapsAtItsTopAndANegativeOneStays)
{
    InstallClient(requestDir);
    WriteSignal(REG_SZ, "2147483647", 11);
    Click(kDone);
    EXPECT_EQ("1", ReadUserRegistryText(kSignalKey, "Value"));

    WriteSignal(REG_SZ, "-3", 3);
    Click(kDone);
    EXPECT_EQ("-3", ReadUserRegistryText(kSignalKey, "Value"));
}

TEST_F(Faults, ASettingsSaveThatFailsAfterTheSubmissionStillReportsItSubmitted)
{
    InstallClient(requestDir);
    moduleState.settings[std::string(16384, 'Y')] = "no registry value name is this long";
    Click(kDone);
    ASSERT_EQ(1u, ui.messageBoxes.size());
    EXPECT_EQ("The request was submitted, but the Tolvane settings could not be saved.", ui.messageBoxes[0].text);
    EXPECT_EQ("Error", ui.messageBoxes[0].caption);
}

TEST_F(Faults, CancelledAndRejectedRequestsLeaveNothing)
{
    InstallClient(requestDir);
    record.page.contentType.reset();
    ui.fileDialogAnswers = {std::nullopt};
    Click({"Tolvane Save request cancelled"});

    record.page.name = "x";
    Click({"Tolvane save request failed : Format Exception"});
    ASSERT_EQ(2u, ui.messageBoxes.size());
    EXPECT_EQ("Tolvane Message ", ui.messageBoxes[0].caption);
    EXPECT_EQ("Error", ui.messageBoxes[1].caption);
}

TEST_F(Faults, AnUploadIntoAMissingRequestDirectoryFailsAndLeavesNothing)
{
    const std::string package = folder.path() + "\\package.txt";
    WriteWholeFile(package, "payload");
    record.page.isUpload = true;
    record.page.file = package;
    record.page.recipients = "ann";
    InstallClient(requestDir + "\\missing");
    ui.confirmationAnswers = {true};
    Click(kFileFailure);
    EXPECT_EQ(1u, ui.confirmations.size()) << "the confirmation comes first";
    ExpectFailureBox();

    InstallClient(requestDir);
    ui.confirmationAnswers = {true};
    const std::string body = Click(kDone);
    EXPECT_NE(std::string::npos, body.find("FILE=\"" + package + "\"\n"));
    EXPECT_EQ("payload", ReadWholeFile(package));
}

}  // namespace

namespace {

// A file named by the page and not confirmed: by an upload page's attribute, or by a request file.
TEST_F(Faults, ALocalFileTheUserDidNotConfirmLeavesNothing)
{
    const std::string package = folder.path() + "\\package.txt";
    WriteWholeFile(package, "payload");
    const std::string requestFile = folder.path() + "\\upload.vnxclient";
    WriteWholeFile(requestFile, "vnxclient: NAME=pkg SERVERNAME=srv1 TYPE=RICH UPLOAD=TRUE FILE=\"" +
                                    package + "\" RECIPIENTS=ann\r\n");
    InstallClient(requestDir);
    WriteSignal(REG_SZ, "7", 2);

    record.page.isUpload = true;
    record.page.file = package;
    record.page.recipients = "ann";
    for (int hasSrc : {0, 1}) {
        if (hasSrc) record.page.requestFile = requestFile;
        record.page.hasSrc = hasSrc;
        ui.confirmations.clear();
        ui.confirmationAnswers = {false};
        Click({"Tolvane Save request cancelled"});
        EXPECT_TRUE(ui.messageBoxes.empty()) << hasSrc;
        ASSERT_EQ(1u, ui.confirmations.size()) << hasSrc;
        EXPECT_TRUE(ConfirmsFile(ui.confirmations[0], package, "ann", "srv1", hasSrc ? "(none given)" : "609",
                                 hasSrc ? "(none given)" : "8009"));
        EXPECT_TRUE(ui.fileDialogs.empty());
    }
    EXPECT_EQ("7", ReadUserRegistryText(kSignalKey, "Value"));
    EXPECT_EQ("payload", ReadWholeFile(package));
}

}  // namespace
