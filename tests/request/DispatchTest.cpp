// What a click does, from the configuration check to the last status text, with the flows'
// dialogs and boxes scripted, the real registry and real files; and faults around a click (the
// request directory gone, unusable or a file; the settings key deleted or broken between clicks; the
// client killed; a settings save that fails), each click checked by SubmissionLedger: nothing lost.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <set>

#include "client/ClientLaunch.h"
#include "client/SettingsStore.h"
#include "diag/TraceLog.h"
#include "request/RequestDispatch.h"
#include "support/Expectations.h"
#include "support/RequestRig.h"
#include "support/TestFiles.h"
#include "support/TestRegistry.h"
#include "support/TestText.h"
#include "win/SystemCalls.h"
#include "SubmissionLedger.h"

namespace {

class DispatchTest : public DispatchRig {
protected:
    void SetUp() override
    {
        DispatchRig::SetUp();
        record.page.caption = "Vexo Save File";
    }
};

// Only the user's Yes hands the page's address to the browser (the hand-off itself: BrowserHandoffTest).
TEST_F(DispatchTest, WithoutTheProductKeyTheClickOffersTheClientAndEndsAfterNo)
{
    record.page.downloadUrl = "http://elsewhere.example/";
    record.page.name = "pkg.bin";
    ui.messageBoxAnswers = {IDNO};
    EXPECT_EQ(Dispatch(), RequestOutcome::failed);

    EXPECT_TRUE(ShowsBoxes(ui.messageBoxes, {ConfigurationOfferBox()}));
    EXPECT_TRUE(ui.fileDialogs.empty());
    EXPECT_EQ(browser.statusTexts,
              (std::vector<std::string>{"The Tolvane client is not installed or configured properly ...",
                                        "Document: Done"}));
    EXPECT_EQ(ReadUserRegistryText(kTestProductKey, "LoadRequestDir"), "<absent>");
}

TEST_F(DispatchTest, DownloadPageConfirmedInSaveAsWritesTheSevenLineSubmission)
{
    InstallClient();
    record.page.name = "report.zip";
    record.page.serverName = "srv1";
    record.page.port = "609";
    ui.fileDialogAnswers = {std::string("C:\\dl\\report.zip")};

    EXPECT_EQ(Dispatch(), RequestOutcome::submitted);

    ASSERT_EQ(ui.fileDialogs.size(), 1u);
    EXPECT_TRUE(AsksForFile(ui.fileDialogs[0], SaveAsDialog(window, "report.zip", "C:\\old\\")));
    EXPECT_EQ(Lines(OnlySubmission()),
              (std::multiset<std::string>{"NAME=\"report.zip\"", "SERVERNAME=\"srv1\"", "TYPE=\"PLAIN\"",
                                          "SERVERPORT=\"609\"", "DestBaseName=\"C:\\dl\\report.zip\"",
                                          "DestInitialDir=\"C:\\dl\"", "TargetPath=\"C:\\dl\\report.zip\""}));
    EXPECT_EQ(ReadUserRegistryText(kSignalKey, "Value"), "1");
    EXPECT_EQ(ReadUserRegistryText(kTestProductKey, "LoadDeliveryDir"), "C:\\dl");
    ASSERT_FALSE(browser.statusTexts.empty());
    EXPECT_EQ(browser.statusTexts.back(), "Document : Done");
    EXPECT_TRUE(ui.messageBoxes.empty());
}

TEST_F(DispatchTest, DownloadPagesNeverCarryFileOrRecipients)
{
    InstallClient();
    record.page.name = "pkg.dat";
    record.page.serverName = "srv1";
    record.page.contentType = "RICH";
    record.page.file = "C:\\secret.txt";
    record.page.recipients = "ann:bob";
    record.page.size = "1234";

    EXPECT_EQ(Dispatch(), RequestOutcome::submitted);

    EXPECT_TRUE(ui.fileDialogs.empty()) << "a RICH package asks for no target";
    auto lines = Lines(OnlySubmission());
    EXPECT_EQ(lines.count("TYPE=\"RICH\""), 1u);
    EXPECT_EQ(lines.count("SIZE=\"1234\""), 1u);
    for (const auto& line : lines) {
        EXPECT_NE(line.rfind("FILE=", 0), 0u) << line;
        EXPECT_NE(line.rfind("RECIPIENTS=", 0), 0u) << line;
    }
    EXPECT_EQ(browser.statusTexts.back(), "Document : Done");
}

TEST_F(DispatchTest, CancelledSaveAsLeavesSignalAndStoredSettingsUnchanged)
{
    InstallClient("C:\\before");
    record.page.name = "report.zip";
    record.page.serverName = "srv1";
    ui.fileDialogAnswers = {std::nullopt};

    EXPECT_EQ(Dispatch(), RequestOutcome::cancelled);

    EXPECT_EQ(browser.statusTexts, std::vector<std::string>{"Tolvane Save request cancelled"});
    EXPECT_TRUE(ui.messageBoxes.empty());
    EXPECT_TRUE(FileNamesIn(requestDir.path(), "*").empty());
    EXPECT_EQ(ReadUserRegistryText(kSignalKey, "Value"), "<absent>");
    EXPECT_EQ(ReadUserRegistryText(kTestProductKey, "LoadDeliveryDir"), "C:\\before");
}

TEST_F(DispatchTest, SuccessBumpsTheSignalByExactlyOneAndRewritesTheSettings)
{
    InstallClient();
    ASSERT_EQ(ERROR_SUCCESS, TestRegistry::WriteText(HKEY_CURRENT_USER, kSignalKey, "Value", "41"));
    record.page.name = "a.bin";
    record.page.serverName = "srv1";
    record.page.contentType = "RICH";
    // A value only the settings map knows: the save after the request must write it back.
    settings["ClientOwnSetting"] = "kept";

    EXPECT_EQ(Dispatch(), RequestOutcome::submitted);

    EXPECT_EQ(ReadUserRegistryText(kSignalKey, "Value"), "42");
    EXPECT_EQ(ReadUserRegistryText(kTestProductKey, "ClientOwnSetting"), "kept");
    EXPECT_EQ(browser.statusTexts.back(), "Document : Done");
}

TEST_F(DispatchTest, RequestFileRouteIsTakenWheneverTheElementHasSrc)
{
    InstallClient();
    std::string requestFile = requestDir.path() + "-request.vnxclient";
    WriteWholeFile(requestFile, "vnxclient: NAME=\"pkg.bin\" SERVERNAME=srv2 TYPE=RICH\r\n");
    record.page.isUpload = true;  // an upload page with src still takes the request-file route
    record.page.hasSrc = true;

    record.page.requestFile = requestFile;
    EXPECT_EQ(Dispatch(), RequestOutcome::submitted);
    DeleteFileA(requestFile.c_str());

    EXPECT_TRUE(ui.fileDialogs.empty());
    EXPECT_TRUE(ui.messageBoxes.empty()) << "a request file without FILE asks nothing";
    auto lines = Lines(OnlySubmission());
    EXPECT_EQ(lines.count("NAME=\"pkg.bin\""), 1u);
    EXPECT_EQ(lines.count("SERVERNAME=\"srv2\""), 1u);
    EXPECT_EQ(lines.count("UPLOAD=\"TRUE\""), 0u);
    EXPECT_EQ(browser.statusTexts.back(), "Document : Done");
}

TEST_F(DispatchTest, SrcWithoutAStreamIsAFormatErrorToldBeforeTheBox)
{
    InstallClient();
    record.page.hasSrc = true;
    size_t statusCountAtBox = 0;
    ui.whileShown = [&] { statusCountAtBox = browser.statusTexts.size(); };

    EXPECT_EQ(Dispatch(), RequestOutcome::failed);

    EXPECT_TRUE(ShowsBoxes(ui.messageBoxes, {FailureBox()}));
    EXPECT_EQ(browser.statusTexts, std::vector<std::string>{"Tolvane save request failed : Format Exception"});
    EXPECT_EQ(statusCountAtBox, 1u) << "the status text is set before the box opens";
    EXPECT_EQ(ReadUserRegistryText(kSignalKey, "Value"), "<absent>");
}

TEST_F(DispatchTest, BadAttributesShowTheFlowsBoxThenTheFormatError)
{
    InstallClient();
    record.page.name = "x";  // one character: not a usable NAME
    record.page.serverName = "srv1";

    EXPECT_EQ(Dispatch(), RequestOutcome::failed);

    EXPECT_TRUE(ShowsBoxes(ui.messageBoxes, {RequestWarningBox(kBadRequestAttributesText), FailureBox()}));
    EXPECT_EQ(browser.statusTexts, std::vector<std::string>{"Tolvane save request failed : Format Exception"});
    EXPECT_TRUE(FileNamesIn(requestDir.path(), "*").empty());
    EXPECT_EQ(ReadUserRegistryText(kSignalKey, "Value"), "<absent>");
}

// The page names the file: it is sent only after the user's Yes (the No: Faults.ALocalFileTheUserDidNotConfirmLeavesNothing).
TEST_F(DispatchTest, UploadPageSubmitsTheNamedFileWithItsRecipients)
{
    InstallClient("C:\\unchanged");
    std::string package = requestDir.path() + "-upload.txt";
    WriteWholeFile(package, "payload");
    record.page.isUpload = true;
    record.page.file = package;
    record.page.recipients = "ann:bob";
    record.page.serverName = "srv1";
    record.page.contentType = "RICH";
    record.page.size = "7";
    ui.confirmationAnswers = {true};

    EXPECT_EQ(Dispatch(), RequestOutcome::submitted);
    DeleteFileA(package.c_str());

    EXPECT_TRUE(ui.fileDialogs.empty()) << "the page named the file";
    EXPECT_TRUE(ui.messageBoxes.empty());
    ASSERT_EQ(ui.confirmations.size(), 1u) << "only the confirmation";
    EXPECT_TRUE(ConfirmsFile(ui.confirmations[0], package, "ann:bob", "srv1", "609", "8009"));
    EXPECT_EQ(window, ui.confirmations[0].owner);
    EXPECT_EQ((std::multiset<std::string>{"NAME=\"" + package.substr(package.rfind('\\') + 1) + "\"",
                                          "CHECKSUM=\"0\"", "RECIPIENTS=\"ann:bob\"", "SERVERNAME=\"srv1\"",
                                          "SERVERPORT=\"609\"", "HTTPSERVERPORT=\"8009\"", "TYPE=\"RICH\"",
                                          "UPLOAD=\"TRUE\"", "FILE=\"" + package + "\""}),
              Lines(OnlySubmission()))
        << "no SIZE";
    EXPECT_EQ(ReadUserRegistryText(kSignalKey, "Value"), "1");
    EXPECT_EQ(ReadUserRegistryText(kTestProductKey, "LoadDeliveryDir"), "C:\\unchanged");
    EXPECT_EQ(browser.statusTexts.back(), "Document : Done");
}

TEST_F(DispatchTest, UploadPageWithoutFileAsksForItInTheOpenDialog)
{
    InstallClient();
    record.page.isUpload = true;
    record.page.recipients = "ann";
    record.page.serverName = "srv1";
    ui.fileDialogAnswers = {std::nullopt};

    EXPECT_EQ(Dispatch(), RequestOutcome::cancelled);

    ASSERT_EQ(ui.fileDialogs.size(), 1u);
    EXPECT_TRUE(AsksForFile(ui.fileDialogs[0], OpenDialog(window)));
    EXPECT_EQ(browser.statusTexts.back(), "Tolvane Save request cancelled");
    EXPECT_TRUE(FileNamesIn(requestDir.path(), "*").empty());
}

// An upload refused in a box is a failure, though its status line reads as a cancel's (each box and
// outcome of the upload flow: UploadFlow).
TEST_F(DispatchTest, AnUploadRefusedInABoxFailsUnderTheCancelledStatus)
{
    InstallClient();
    const std::string missing = requestDir.path() + "-missing.txt";
    record.page.isUpload = true;
    record.page.serverName = "srv1";
    record.page.recipients = "ann";
    record.page.file = missing;
    EXPECT_EQ(RequestOutcome::failed, Dispatch());
    EXPECT_TRUE(ShowsBoxes(ui.messageBoxes, {{"Error!", "The file '" + missing + "' could not be opened.", MB_OK}}));
    EXPECT_EQ(std::vector<std::string>{"Tolvane Save request cancelled"}, browser.statusTexts);
    EXPECT_TRUE(FileNamesIn(requestDir.path(), "*").empty());
}

// Each click checks the configuration again: without a running client and without a path to start
// one, each shows the missing path's box; with the client running, none.
TEST_F(DispatchTest, EveryConfigurationCheckWithoutPathShowsItsOwnBox)
{
    StopClient();
    WriteProductValue("LoadRequestDir", "C:\\requests");
    const ExpectedBox missingPath = StartupBox("No ApplicationPath for starting the Tolvane Client application :\n"
                                               "Application Not Installed \nApplication path: \nInstance name: 970128");
    EXPECT_EQ(1, CheckConfiguration(settings));
    EXPECT_EQ(1, CheckConfiguration(settings));
    EXPECT_TRUE(ShowsBoxes(ui.messageBoxes, {missingPath, missingPath}));

    OwnedHandle client = HoldClientMapping();
    EXPECT_EQ(1, CheckConfiguration(settings));
    EXPECT_EQ(2u, ui.messageBoxes.size());
}

// ---- Who asks, and a host whose button lives in the page ----

const std::string kFramedSite = "https://ads.example, in a frame of https://news.example";
using Fields = std::vector<std::pair<std::string, std::string>>;

// The plug-in names the site wherever its browser told it; an old browser's click is unchanged.
TEST_F(DispatchTest, EveryDialogNamesTheSiteTheBrowserTold)
{
    InstallClient();
    TempFolder traces;
    ASSERT_EQ(1, TraceLogFileOpen((traces / "trace.log").c_str(), 1, 0));
    record.page.name = "report.zip";
    record.page.serverName = "srv1";
    record.page.origin = "https://ads.example";
    record.page.topOrigin = "https://news.example";
    Dispatch();
    record.page.isUpload = true;
    Dispatch();
    record.page.serverName = "s";
    Dispatch();
    record.page = {};
    record.page.name = "report.zip";
    record.page.serverName = "srv1";
    record.page.origin = "https://news.example/index.html";  // no origin: nobody named, and traced
    Dispatch();
    TraceLogFileClose();

    ASSERT_EQ(3u, ui.fileDialogs.size());
    EXPECT_EQ(kFramedSite + ", asks: Tolvane : deliver package to ...", ui.fileDialogs[0].title);
    EXPECT_EQ(kFramedSite + ", asks: Select : package to deliver ...", ui.fileDialogs[1].title);
    EXPECT_TRUE(AsksForFile(ui.fileDialogs[2], SaveAsDialog(window, "report.zip", "C:\\old\\")));
    EXPECT_TRUE(ui.confirmations.empty()) << "the plug-in's own button: no confirmation first";
    EXPECT_TRUE(ShowsBoxes(ui.messageBoxes,
                           {RequestWarningBox("Asked by " + kFramedSite + ":\n" + kBadRequestAttributesText), FailureBox()}));
    EXPECT_NE(std::string::npos, ReadWholeFile(traces / "trace.log")
                                     .find("The browser named the page by no origin; its dialogs name no site: "
                                           "[https://news.example/index.html] in []"));
}

// ---- The administrator's site policy ----

// Read at every click, before anything of the request: a refused click loads no settings, starts no
// client and shows no dialog; the status line names the policy and the trace log says why. Without
// a policy the click is as before, with no entry of the policy's.
TEST_F(DispatchTest, TheSitePolicyDecidesEachClickBeforeAnythingOfTheRequestRuns)
{
    const NoSitePolicy noPolicy;
    const HKEY machine = HKEY_LOCAL_MACHINE, user = HKEY_CURRENT_USER;
    struct Row {
        const char* label;
        std::function<void()> setPolicy;
        bool submitted;
        std::string status;  // the last status text
        std::string trace;   // the policy's entry in the trace log; empty: none
    };
    const Row table[] = {
        {"no policy", [] {}, true, "Document : Done", ""},
        {"allowed", [=] { WriteSitePolicyList(machine, "AllowedSites", {"https://*.intranet.example"}); }, true,
         "Document : Done",
         "ClientApp/SitePolicy, line 1\r\n... site policy: 'https://files.intranet.example' matches AllowedSites "
         "entry 'https://*.intranet.example'\r\n"},
        {"blocked", [=] { WriteSitePolicyList(user, "BlockedSites", {"file://", "https://files.intranet.example"}); },
         false, "Tolvane delivery is not allowed from this site by your administrator (BlockedSites).",
         "ClientApp/SitePolicy, line 2\r\n... site policy: 'https://files.intranet.example' matches BlockedSites "
         "entry 'https://files.intranet.example'\r\n"},
    };
    TempFolder traces;
    ASSERT_EQ(1, TraceLogFileOpen((traces / "trace.log").c_str(), 1, 0));
    record.page.name = "pkg.dat";
    record.page.serverName = "srv1";
    record.page.contentType = "RICH";
    record.page.origin = "https://files.intranet.example";
    for (const Row& row : table) {
        DeleteSitePolicyKeys();
        row.setPolicy();
        // Without the client's settings, a click that got as far as loading them would offer the client.
        DeleteProductRegistryTree();
        if (row.submitted) InstallClient();
        browser.statusTexts.clear();
        const std::size_t traced = ReadWholeFile(traces / "trace.log").size();

        EXPECT_EQ(row.submitted ? RequestOutcome::submitted : RequestOutcome::failed, Dispatch()) << row.label;

        EXPECT_EQ(row.submitted ? 1u : 0u, FileNamesIn(requestDir.path()).size()) << row.label;
        for (const std::string& name : FileNamesIn(requestDir.path())) DeleteFileA((requestDir / name).c_str());
        ASSERT_FALSE(browser.statusTexts.empty()) << row.label;
        EXPECT_EQ(row.status, browser.statusTexts.back()) << row.label;
        if (!row.submitted) {
            EXPECT_EQ(1u, browser.statusTexts.size()) << row.label << ": only the policy's status";
        }
        const std::string entry = ReadWholeFile(traces / "trace.log").substr(traced);
        const std::size_t source = entry.find("ClientApp/SitePolicy");
        EXPECT_EQ(row.trace, source == std::string::npos ? "" : entry.substr(source)) << row.label;
    }
    TraceLogFileClose();
    EXPECT_TRUE(ui.messageBoxes.empty()) << "no Configuration Error box: a refused click loads no settings";
    EXPECT_TRUE(ui.fileDialogs.empty());
}

// A host whose button lives in the page, as the extension's: every request confirmed first.
class ThroughConfirmingHost : public DispatchTest {
protected:
    void SetUp() override
    {
        DispatchTest::SetUp();
        host.confirmsEveryRequest = true;
    }
    RequestOutcome Click()
    {
        host.owner = window;
        host.statusTexts.clear();
        return DispatchRequest(record.page, settings, host);
    }
    FakeBrowserServices host;
};

// No system dialog, with OK as its default and the page's name filled in, comes before the
// confirmation: a key held since the click cannot save a download or pick a file.
TEST_F(ThroughConfirmingHost, SaveAsAndOpenComeOnlyAfterTheConfirmation)
{
    InstallClient();
    record.page.name = "pkgs/invoice.pdf.exe";
    record.page.serverName = "srv1";
    record.page.port = "609";
    record.page.origin = "https://ads.example";
    record.page.topOrigin = "https://news.example";
    ui.confirmationAnswers = {false, true};
    ui.fileDialogAnswers = {std::string("C:\\dl\\invoice.pdf")};
    EXPECT_EQ(RequestOutcome::cancelled, Click());
    EXPECT_TRUE(ui.fileDialogs.empty());
    EXPECT_EQ(RequestOutcome::submitted, Click());
    ASSERT_EQ(2u, ui.confirmations.size());
    EXPECT_EQ(kFramedSite + ", asks to deliver a package to you", ui.confirmations[1].opening);
    EXPECT_EQ((Fields{{"Package:", "pkgs/invoice.pdf.exe"}, {"File name:", "invoice.pdf.exe"}, {"Server:", "srv1"},
                      {"Port:", "609"}, {"HTTP port:", "(none given)"}}),
              ui.confirmations[1].fields);
    EXPECT_EQ(1u, ui.fileDialogs.size());
    EXPECT_EQ(1u, Lines(OnlySubmission()).count("TargetPath=\"C:\\dl\\invoice.pdf\""));

    record.page.isUpload = true;
    record.page.recipients = "ann:bob";
    ui.confirmations.clear();
    ui.fileDialogs.clear();
    ui.confirmationAnswers = {false, true};
    ui.fileDialogAnswers = {std::nullopt};
    EXPECT_EQ(RequestOutcome::cancelled, Click());
    EXPECT_TRUE(ui.fileDialogs.empty());
    EXPECT_EQ(RequestOutcome::cancelled, Click());
    ASSERT_EQ(2u, ui.confirmations.size());
    EXPECT_EQ(kFramedSite + ", asks you to choose a file to send", ui.confirmations[1].opening);
    EXPECT_EQ((Fields{{"To:", "ann:bob"}, {"Server:", "srv1"}, {"Port:", "609"}, {"HTTP port:", "8009"}}),
              ui.confirmations[1].fields);
    EXPECT_EQ("Do you want to choose the file?", ui.confirmations[1].question);
    ASSERT_EQ(1u, ui.fileDialogs.size()) << "the Open dialog after the Yes";

    // Nobody is asked about an upload that fails anyway.
    record.page.recipients = "";
    ui.confirmations.clear();
    EXPECT_EQ(RequestOutcome::failed, Click());
    EXPECT_TRUE(ui.confirmations.empty());
    EXPECT_TRUE(ShowsBoxes(ui.messageBoxes, {{"Error", "Bad recipient list. Please re-enter.", MB_OK}}));
}

// No is the default; the box says who asks and the very address its Yes opens, the page's only
// when it reads as what it is.
TEST_F(ThroughConfirmingHost, TheOfferOfTheClientShowsTheAddressItsYesOpens)
{
    const std::string question =
        "The Tolvane client is not installed or configured properly \n Do You want to Get the Client Software ?\n\n";
    const std::string productPage = "http://www.tolvane.example/download.html";
    const struct {
        std::string origin;
        std::optional<std::string> downloadUrl;
        std::string asked;
        std::string opened;
    } rows[] = {
        {"https://news.example", std::nullopt, "Asked by https://news.example.\n", productPage},
        {"", std::string("https://www.example.com/get"), "", "https://www.example.com/get"},
        {"", std::string("https://www.example.com/get?a b"), "", productPage},
        {"", std::string("https://www.example.com/\xE9t\xE9"), "", productPage},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.downloadUrl.value_or("no downloadurl"));
        record.page.origin = row.origin;
        record.page.downloadUrl = row.downloadUrl;
        ui.messageBoxes.clear();
        host.openedUrls.clear();
        ui.messageBoxAnswers = {IDYES};
        EXPECT_EQ(RequestOutcome::failed, Click());
        EXPECT_TRUE(ShowsBoxes(ui.messageBoxes, {{"Configuration Error",
                                                  question + row.asked + "Yes opens " + row.opened + " in a new tab.",
                                                  MB_YESNO | MB_DEFBUTTON2}}));
        EXPECT_EQ(std::vector<std::string>{row.opened}, host.openedUrls);
    }
}

// ---- Faults around a click ----

const std::vector<std::string> kFileFailure{"Tolvane save request failed : File Exception"};
const std::vector<std::string> kDone{"Document : Done"};
const std::vector<std::string> kNotConfigured{"The Tolvane client is not installed or configured properly ...",
                                              "Document: Done"};

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
        const RequestOutcome outcome = Dispatch();
        EXPECT_EQ(expectedStatus, browser.statusTexts);
        return ledger.Check(outcome, browser.statusTexts);
    }
    // The boxes shown since the last call are these.
    ::testing::AssertionResult Showed(const std::vector<ExpectedBox>& boxes)
    {
        ::testing::AssertionResult result = ShowsBoxes(ui.messageBoxes, boxes);
        ui.messageBoxes.clear();
        return result;
    }

    TempFolder folder;
    std::string requestDir;
};

TEST_F(Faults, AMissingRequestDirectoryFailsTheRequest)
{
    InstallClient(requestDir + "\\missing");
    Click(kFileFailure);
    EXPECT_TRUE(Showed({FailureBox()}));
    EXPECT_EQ("<absent>", ReadUserRegistryText(kSignalKey, "Value"));
}

TEST_F(Faults, ARequestDirectoryReplacedByAFileFailsTheRequest)
{
    const std::string file = folder.path() + "\\requests-file";
    WriteWholeFile(file, "not a folder");
    InstallClient(file);
    Click(kFileFailure);
    EXPECT_TRUE(Showed({FailureBox()}));
    EXPECT_EQ("not a folder", ReadWholeFile(file));
}

TEST_F(Faults, ARequestDirectoryNameThatCannotExistFailsTheRequest)
{
    for (const std::string& impossible : {requestDir + "\\bad|name", requestDir + "\\" + std::string(300, 'n'),
                                          requestDir + "\\a\"b"}) {
        SCOPED_TRACE(impossible.substr(requestDir.size()));
        InstallClient(impossible);
        Click(kFileFailure);
        EXPECT_TRUE(Showed({FailureBox()}));
    }
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

TEST_F(Faults, TheSettingsKeyDeletedBetweenTwoClicksEndsInTheOffer)
{
    InstallClient(requestDir);
    Click(kDone);
    DeleteProductRegistryTree();  // the signal's sub-key goes with it

    ui.messageBoxAnswers = {IDNO};
    Click(kNotConfigured);
    EXPECT_TRUE(Showed({ConfigurationOfferBox()}));

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
    EXPECT_TRUE(Showed({ConfigurationOfferBox()}));

    DeleteProductRegistryTree();
    InstallClient(requestDir);
    WriteProductValue("Two Words", "a value name the text form cannot hold");
    ui.messageBoxAnswers = {IDNO};
    Click(kNotConfigured);
    EXPECT_TRUE(Showed({ConfigurationOfferBox()}));
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

// The start is not the request: a client that cannot be started is told, and the click goes on.
TEST_F(Faults, AClientThatCannotBeStartedIsToldAndTheRequestIsStillSubmitted)
{
    InstallClient(requestDir);
    StopClient();
    const std::string path = "C:\\" + std::string(4093, 'a');  // too long for the command line: no process
    WriteProductValue("ApplicationPath", path);
    const std::string body = Click(kDone);
    EXPECT_EQ(1u, Lines(body).count("NAME=\"pkg.bin\""));
    EXPECT_TRUE(ui.processes.empty());
    EXPECT_TRUE(Showed({StartupBox("Error starting the Tolvane Client application :\nApplication Not Installed "
                                   "\nApplication path: " + path + "\nInstance name: 970128")}));
}

// A failed request leaves a signal of any type as it was (a bump replaces one: LoadRequestSignalTest).
TEST_F(Faults, ASignalOfAnotherTypeIsLeftAloneByAFailedRequest)
{
    for (const TypedValue& signal : ValuesOfOtherTypes()) {
        SCOPED_TRACE(signal.label);
        DeleteProductRegistryTree();
        WriteSignal(signal.type, signal.data.data(), static_cast<DWORD>(signal.data.size()));

        InstallClient(requestDir + "\\missing");
        Click(kFileFailure);  // the ledger checks the value was not touched
        EXPECT_TRUE(Showed({FailureBox()}));
    }
}

// 16383 characters is the longest value name: an entry of a longer name cannot be written back.
TEST_F(Faults, ASettingsSaveThatFailsAfterTheSubmissionStillReportsItSubmitted)
{
    InstallClient(requestDir);
    settings[std::string(16384, 'Y')] = "from an earlier load";
    const std::string body = Click(kDone);
    EXPECT_EQ(1u, Lines(body).count("NAME=\"pkg.bin\""));
    EXPECT_EQ("1", ReadUserRegistryText(kSignalKey, "Value"));
    EXPECT_TRUE(Showed({{"Error", "The request was submitted, but the Tolvane settings could not be saved.", MB_OK}}));
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
    EXPECT_TRUE(Showed({FailureBox()}));

    InstallClient(requestDir);
    ui.confirmationAnswers = {true};
    const std::string body = Click(kDone);
    EXPECT_NE(std::string::npos, body.find("FILE=\"" + package + "\"\n"));
    EXPECT_EQ("payload", ReadWholeFile(package));
}

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
        SCOPED_TRACE(hasSrc ? "request file" : "attributes");
        if (hasSrc) record.page.requestFile = requestFile;
        record.page.hasSrc = hasSrc;
        ui.confirmations.clear();
        ui.confirmationAnswers = {false};
        Click({"Tolvane Save request cancelled"});
        EXPECT_TRUE(ui.messageBoxes.empty());
        ASSERT_EQ(1u, ui.confirmations.size());
        EXPECT_EQ(window, ui.confirmations[0].owner);
        EXPECT_TRUE(ConfirmsFile(ui.confirmations[0], package, "ann", "srv1", hasSrc ? "(none given)" : "609",
                                 hasSrc ? "(none given)" : "8009"));
        EXPECT_TRUE(ui.fileDialogs.empty());
    }
    EXPECT_EQ("7", ReadUserRegistryText(kSignalKey, "Value"));
    EXPECT_EQ("payload", ReadWholeFile(package));
    EXPECT_EQ("C:\\old", ReadUserRegistryText(kTestProductKey, "LoadDeliveryDir"));
}

}  // namespace
