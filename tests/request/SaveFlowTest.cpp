// The save flow by both routes, attributes and request file: the Save-As dialog, the submission and
// the remembered directory; and, through clicks, the settings and the dialog's buffers at their
// limits.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "diag/TraceLog.h"
#include "request/RequestText.h"
#include "request/SaveFlow.h"
#include "support/DialogDriver.h"
#include "support/Expectations.h"
#include "support/RequestRig.h"
#include "support/ScriptedPlatform.h"
#include "support/StatusTexts.h"
#include "support/TestFiles.h"
#include "support/TestText.h"
#include "win/SystemCalls.h"

namespace {

const HWND kOwner = reinterpret_cast<HWND>(0x1234);
const std::string kBadRequestText = kBadRequestAttributesText;

class SaveFlow : public ::testing::Test {
protected:
    void SetUp() override
    {
        CreateDirectoryA(requestDir.c_str(), nullptr);
        settings["LoadRequestDir"] = requestDir;
        settings["LoadDeliveryDir"] = "C:\\old";
    }

    // The contents of the one submission file in the request directory ("<none>" without one).
    std::string Submission()
    {
        std::vector<std::string> names = FileNamesIn(requestDir);
        if (names.empty()) return "<none>";
        EXPECT_EQ(1u, names.size());
        const std::string& name = *names.begin();
        EXPECT_EQ(19u, name.size()) << name;
        EXPECT_EQ(".vnxsubmit", name.substr(name.size() - 10)) << name;
        return ReadWholeFile(requestDir + "\\" + name);
    }

    std::string Value(const CKeyValueMap& map, const std::string& key)
    {
        std::string value = "<absent>";
        map.Lookup(key, value);
        return value;
    }

    TempFolder folder;
    std::string requestDir = folder / "requests";
    CKeyValueMap settings;
    CKeyValueMap request;
    ScriptedPlatform ui;
};

class SaveFlowFromAttributes : public SaveFlow {
protected:
    void SetUp() override
    {
        SaveFlow::SetUp();
        request["NAME"] = "report.zip";
        request["SERVERNAME"] = "srv1";
        request["TYPE"] = "PLAIN";
        request["SERVERPORT"] = "609";
    }
};

TEST_F(SaveFlowFromAttributes, ConfirmedDialogGivesTheSevenLineSubmission)
{
    ui.fileDialogAnswers.push_back(std::string("C:\\dl\\report.zip"));
    EXPECT_EQ(RequestOutcome::submitted, SubmitSaveRequest(settings, request, kOwner));

    EXPECT_EQ("DestBaseName=\"C:\\dl\\report.zip\"\n"
              "DestInitialDir=\"C:\\dl\"\n"
              "NAME=\"report.zip\"\n"
              "SERVERNAME=\"srv1\"\n"
              "SERVERPORT=\"609\"\n"
              "TYPE=\"PLAIN\"\n"
              "TargetPath=\"C:\\dl\\report.zip\"\n",
              Submission());
    EXPECT_EQ("C:\\dl", Value(settings, "LoadDeliveryDir"));
    EXPECT_TRUE(ui.messageBoxes.empty());
}

TEST_F(SaveFlowFromAttributes, SaveAsDialogIsTheExactRequest)
{
    ui.fileDialogAnswers.push_back(std::string("C:\\out\\pkg.dat"));
    ASSERT_EQ(RequestOutcome::submitted, SubmitSaveRequest(settings, request, kOwner));
    ASSERT_EQ(1u, ui.fileDialogs.size());
    const FileDialogCall& call = ui.fileDialogs[0];
    const OPENFILENAMEA& sent = call.request;
    EXPECT_TRUE(AsksForFile(call, SaveAsDialog(kOwner, "report.zip", "C:\\old\\")));
    EXPECT_EQ(sizeof(void*) == 8 ? 136u : 76u, sent.lStructSize) << "the layout without the extension fields";
    EXPECT_EQ(nullptr, sent.lpstrCustomFilter);
    EXPECT_EQ(0u, sent.nMaxCustFilter);
    EXPECT_EQ(1u, sent.nFilterIndex);
    EXPECT_NE(nullptr, sent.lpstrFile);
    EXPECT_EQ(512u, sent.nMaxFile);
    EXPECT_EQ(nullptr, sent.lpstrFileTitle);
    EXPECT_EQ(0u, sent.nMaxFileTitle);
    EXPECT_EQ(nullptr, sent.hInstance);
    EXPECT_EQ(0, sent.nFileOffset);
    EXPECT_EQ(0, sent.nFileExtension);
    EXPECT_EQ(nullptr, sent.lpstrDefExt);
    EXPECT_EQ(0, sent.lCustData);
    EXPECT_EQ(nullptr, sent.lpfnHook);
    EXPECT_EQ(nullptr, sent.lpTemplateName);

    EXPECT_EQ("C:\\out\\pkg.dat", Value(request, "DestBaseName"));
    EXPECT_EQ("C:\\out", Value(request, "DestInitialDir"));
    EXPECT_EQ("C:\\out\\pkg.dat", Value(request, "TargetPath"));
    EXPECT_EQ("C:\\out", Value(settings, "LoadDeliveryDir"));
}

// The file name buffer has 512 bytes: a last component of 511 is proposed whole, a longer one not
// at all rather than cut.
TEST_F(SaveFlowFromAttributes, ProposedNameIsTheLastComponentOfName)
{
    struct Case {
        std::string name;
        std::string lastComponent;
        std::string proposed;
    } cases[] = {
        {"C:\\pkgs/sub:report.dat", "report.dat", "report.dat"},
        {"reports\\", "", ""},
        {"ab", "ab", "ab"},
        {std::string(511, 'n'), std::string(511, 'n'), std::string(511, 'n')},
        {"C:\\pkgs/" + std::string(511, 'p'), std::string(511, 'p'), std::string(511, 'p')},
        {std::string(512, 'n'), std::string(512, 'n'), ""},
        {"C:\\pkgs/" + std::string(512, 'p'), std::string(512, 'p'), ""},
        {"dir\\" + std::string(600, 'n'), std::string(600, 'n'), ""},
        {"C:\\pkgs/" + std::string(kLongestShownValue - 8, 'p'), std::string(kLongestShownValue - 8, 'p'), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.substr(0, 40) + " of " + std::to_string(c.name.size()) + " bytes");
        request["NAME"] = c.name;
        EXPECT_EQ(RequestOutcome::cancelled, SubmitSaveRequest(settings, request, kOwner));
        ASSERT_FALSE(ui.fileDialogs.empty());
        EXPECT_TRUE(AsksForFile(ui.fileDialogs.back(), SaveAsDialog(kOwner, c.proposed, "C:\\old\\")));
        EXPECT_EQ(512u, ui.fileDialogs.back().request.nMaxFile);
        EXPECT_EQ(c.lastComponent, Value(request, "DestBaseName"));
    }
}

TEST_F(SaveFlowFromAttributes, CancelledDialogWritesNothingAndKeepsTheSettings)
{
    const auto before = Entries(settings);
    EXPECT_EQ(RequestOutcome::cancelled, SubmitSaveRequest(settings, request, kOwner));
    EXPECT_EQ(1, ui.extendedErrorCalls);
    EXPECT_EQ("<none>", Submission());
    EXPECT_EQ(before, Entries(settings));
    EXPECT_EQ("report.zip", Value(request, "DestBaseName"));
    EXPECT_EQ("C:\\old\\", Value(request, "DestInitialDir"));
    EXPECT_EQ("<absent>", Value(request, "TargetPath"));
}

TEST_F(SaveFlowFromAttributes, RichRequestNeedsNoDialogAndKeepsTheDeliveryDirectory)
{
    request["TYPE"] = "RICH";
    EXPECT_EQ(RequestOutcome::submitted, SubmitSaveRequest(settings, request, kOwner));
    EXPECT_TRUE(ui.fileDialogs.empty());
    EXPECT_EQ("DestBaseName=\"report.zip\"\n"
              "DestInitialDir=\"C:\\old\\\"\n"
              "NAME=\"report.zip\"\n"
              "SERVERNAME=\"srv1\"\n"
              "SERVERPORT=\"609\"\n"
              "TYPE=\"RICH\"\n",
              Submission());
    EXPECT_EQ("C:\\old", Value(settings, "LoadDeliveryDir"));
}

TEST_F(SaveFlowFromAttributes, DebugApprovalSkipsTheDialogWithoutGrowingTheDeliveryDirectory)
{
    request["DEBUG_APPROVED"] = "YES";
    request["TargetPath"] = "C:\\dbg\\t.bin";
    for (int round = 0; round < 3; ++round) {
        CKeyValueMap copy = request;
        EXPECT_EQ(RequestOutcome::submitted, SubmitSaveRequest(settings, copy, kOwner));
        EXPECT_EQ("C:\\old", Value(settings, "LoadDeliveryDir")) << "round " << round;
    }
    EXPECT_TRUE(ui.fileDialogs.empty());

    request["DEBUG_APPROVED"] = "yes";
    EXPECT_EQ(RequestOutcome::cancelled, SubmitSaveRequest(settings, request, kOwner));
    EXPECT_EQ(1u, ui.fileDialogs.size());
}

TEST_F(SaveFlowFromAttributes, InvalidRequestIsLoggedShownAndRaised)
{
    TraceLogFileOpen((folder / "trace.log").c_str(), 1, 0);
    struct Case {
        const char* key;
        const char* value;
    } cases[] = {{"TYPE", "plain"}, {"NAME", "r"}, {"SERVERNAME", "s"}, {"NAME", ""}};
    for (const Case& c : cases) {
        CKeyValueMap bad = request;
        bad[c.key] = c.value;
        const auto requestBefore = Entries(bad);
        const auto settingsBefore = Entries(settings);
        ui.messageBoxes.clear();
        EXPECT_THROW(SubmitSaveRequest(settings, bad, kOwner), FormatException) << c.key;
        EXPECT_TRUE(ShowsBoxes(ui.messageBoxes, {RequestWarningBox(kBadRequestText)}));
        EXPECT_EQ(requestBefore, Entries(bad));
        EXPECT_EQ(settingsBefore, Entries(settings));
    }
    TraceLogFileClose();
    EXPECT_TRUE(ui.fileDialogs.empty());
    EXPECT_NE(std::string::npos, ReadWholeFile(folder / "trace.log")
                                     .find("ClientApp/VexoRequest, line 411\r\n... "
                                           "The request appears to have bad request information. "
                                           "\r\nMissing NAME"));
}

TEST_F(SaveFlowFromAttributes, SubmissionFileErrorPassesAndKeepsTheSettings)
{
    settings["LoadRequestDir"] = folder / "missing";
    ui.fileDialogAnswers.push_back(std::string("C:\\dl\\report.zip"));
    try {
        SubmitSaveRequest(settings, request, kOwner);
        FAIL() << "no exception";
    } catch (const CFileException&) {
    }
    EXPECT_EQ("C:\\old", Value(settings, "LoadDeliveryDir"));
}

class SaveFlowFromFile : public SaveFlow {
protected:
    std::string WriteRequest(const std::string& bytes)
    {
        WriteWholeFile(folder / "req.vnxclient", bytes);
        return folder / "req.vnxclient";
    }
    // The parser's report of a request file whose request data is bad.
    ExpectedBox BadRequestFileBox(const std::string& data) const
    {
        return RequestWarningBox("The request file appears to have bad request information. \n\t\tSorry! \n"
                                 "File submitted: " + folder / "req.vnxclient" + " \nRequest data: " + data);
    }
};

TEST_F(SaveFlowFromFile, EveryEntryOfTheFileReachesTheSubmission)
{
    std::string path = WriteRequest(
        "<html>\r\nvnxclient: NAME=\"pkgs/a b.dat\" SERVERNAME=srv2 SIZE=10 COLOR=\"red\"\r\n");
    ui.fileDialogAnswers.push_back(std::string("D:\\in\\a b.dat"));
    EXPECT_EQ(RequestOutcome::submitted, SubmitSaveRequestFile(settings, ("  " + path + " \t").c_str(), kOwner));
    ASSERT_EQ(1u, ui.fileDialogs.size());
    EXPECT_TRUE(AsksForFile(ui.fileDialogs[0], SaveAsDialog(kOwner, "a b.dat", "C:\\old\\")));
    EXPECT_EQ("COLOR=\"red\"\n"
              "DestBaseName=\"D:\\in\\a b.dat\"\n"
              "DestInitialDir=\"D:\\in\"\n"
              "NAME=\"pkgs/a b.dat\"\n"
              "SERVERNAME=\"srv2\"\n"
              "SIZE=\"10\"\n"
              "TYPE=\"PLAIN\"\n"
              "TargetPath=\"D:\\in\\a b.dat\"\n",
              Submission());
    EXPECT_EQ("D:\\in", Value(settings, "LoadDeliveryDir"));
}

TEST_F(SaveFlowFromFile, ShortFileNameRaisesWithoutABox)
{
    for (const char* name : {static_cast<const char*>(nullptr), "", "   ", "a", " a\t"}) {
        EXPECT_THROW(SubmitSaveRequestFile(settings, name, kOwner), FormatException);
    }
    EXPECT_TRUE(ui.messageBoxes.empty());
    EXPECT_TRUE(ui.fileDialogs.empty());
}

TEST_F(SaveFlowFromFile, RejectedFileRaisesAfterTheParsersBoxOnly)
{
    std::string path = WriteRequest("vnxclient: NAME=ab SERVERNAME=s1 TYPE=rich\n");
    EXPECT_THROW(SubmitSaveRequestFile(settings, path.c_str(), kOwner), FormatException);
    EXPECT_TRUE(ShowsBoxes(ui.messageBoxes, {BadRequestFileBox("NAME=ab SERVERNAME=s1 TYPE=rich")}));
    EXPECT_EQ("<none>", Submission());
}

// A request file is a web page's data: it cannot skip the dialog (DEBUG_APPROVED) nor choose where
// a download lands (TargetPath); only the user's choice becomes the delivery directory.
TEST_F(SaveFlowFromFile, DebugApprovalNeverSkipsTheDialogAndTargetPathIsNeverUsed)
{
    std::string path = WriteRequest(
        "vnxclient: NAME=x.dll SERVERNAME=s1 DEBUG_APPROVED=YES TargetPath=\"C:\\windows\\x.dll\"\n");
    EXPECT_EQ(RequestOutcome::cancelled, SubmitSaveRequestFile(settings, path.c_str(), kOwner));
    ASSERT_EQ(1u, ui.fileDialogs.size());
    EXPECT_TRUE(AsksForFile(ui.fileDialogs[0], SaveAsDialog(kOwner, "x.dll", "C:\\old\\")));
    EXPECT_EQ("<none>", Submission());
    EXPECT_EQ("C:\\old", Value(settings, "LoadDeliveryDir"));

    ui.fileDialogAnswers.push_back(std::string("C:\\dl\\x.dll"));
    EXPECT_EQ(RequestOutcome::submitted, SubmitSaveRequestFile(settings, path.c_str(), kOwner));
    EXPECT_EQ("DEBUG_APPROVED=\"YES\"\n"
              "DestBaseName=\"C:\\dl\\x.dll\"\n"
              "DestInitialDir=\"C:\\dl\"\n"
              "NAME=\"x.dll\"\n"
              "SERVERNAME=\"s1\"\n"
              "TYPE=\"PLAIN\"\n"
              "TargetPath=\"C:\\dl\\x.dll\"\n",
              Submission());
    EXPECT_EQ("C:\\dl", Value(settings, "LoadDeliveryDir"));
}

TEST_F(SaveFlowFromFile, RichFileCarriesNoTargetPath)
{
    std::string path = WriteRequest(
        "vnxclient: NAME=x.dll SERVERNAME=s1 TYPE=RICH TargetPath=\"C:\\windows\\x.dll\"\n");
    EXPECT_EQ(RequestOutcome::submitted, SubmitSaveRequestFile(settings, path.c_str(), kOwner));
    EXPECT_TRUE(ui.fileDialogs.empty());
    EXPECT_EQ("DestBaseName=\"x.dll\"\n"
              "DestInitialDir=\"C:\\old\\\"\n"
              "NAME=\"x.dll\"\n"
              "SERVERNAME=\"s1\"\n"
              "TYPE=\"RICH\"\n",
              Submission());
    EXPECT_EQ("C:\\old", Value(settings, "LoadDeliveryDir"));
}

// A request file's FILE is shown as it is submitted, so it must be an absolute path on a local
// drive, written as such; anything else is a bad request, refused before any box that asks.
TEST_F(SaveFlowFromFile, AFileThatIsNoAbsoluteLocalPathIsABadRequest)
{
    const std::string refused[] = {
        "notes.txt",          "sub\\notes.txt",           "\\notes.txt",     "C:notes.txt",
        "C:\\a\\..\\x.txt",   "\\\\evil.example\\s\\x",   "//evil.example/s/x", "\\\\?\\C:\\x.txt",
        "\\\\.\\pipe\\p",     "\\\\.\\COM1",              "C:\\dir\\CON",    "C:\\x.txt:stream",
        "Q:\\no drive.txt",
    };
    for (const std::string& file : refused) {
        SCOPED_TRACE(file);
        ui.messageBoxes.clear();
        std::string path = WriteRequest("vnxclient: NAME=ab SERVERNAME=s1 TYPE=RICH FILE=\"" + file + "\"\n");
        EXPECT_THROW(SubmitSaveRequestFile(settings, path.c_str(), kOwner), FormatException);
        EXPECT_TRUE(ShowsBoxes(ui.messageBoxes, {BadRequestFileBox("NAME=ab SERVERNAME=s1 TYPE=RICH FILE=\"" + file + "\"")}))
            << "the parser's report only, no confirmation";
    }
    EXPECT_EQ("<none>", Submission());

    ui.messageBoxes.clear();
    ui.confirmationAnswers = {true};
    std::string path = WriteRequest("vnxclient: NAME=ab SERVERNAME=s1 TYPE=RICH FILE=\"C:\\Users\\me\\notes.txt\"\n");
    EXPECT_EQ(RequestOutcome::submitted, SubmitSaveRequestFile(settings, path.c_str(), kOwner));
    EXPECT_TRUE(ui.messageBoxes.empty());
    ASSERT_EQ(1u, ui.confirmations.size());
    EXPECT_TRUE(ConfirmsFile(ui.confirmations[0], "C:\\Users\\me\\notes.txt", "", "s1", "(none given)",
                             "(none given)"));
}

// Both routes refuse what the user would not see whole, in a box that names the value: a control
// byte in a shown value, or one longer than the bound. (Which values and bytes: the
// FindUnshowableValue table.)
TEST_F(SaveFlowFromFile, ValuesTheUserCannotSeeWholeMakeABadRequestByEitherRoute)
{
    const std::string nul(1, '\0');
    const struct {
        std::string entry;
        std::string refusal;
    } entries[] = {
        {"RECIPIENTS=\"me@mycompany.example \rDo you want to send it?" + nul + ":attacker@evil.example\"",
         "RECIPIENTS cannot be shown as it is: it holds a NUL byte, which hides what follows it."},
        {"SERVERNAME=\"evil\r.example\"",
         "SERVERNAME cannot be shown as it is: it holds a control character (a tab, a line break or another)."},
        {"SERVERPORT=\"" + std::string(kLongestShownValue + 1, '6') + "\"",
         "SERVERPORT cannot be shown as it is: it is longer than 1024 bytes."},
    };
    for (const auto& c : entries) {
        SCOPED_TRACE(c.entry.substr(0, 40));
        ui.messageBoxes.clear();
        std::string path = WriteRequest("vnxclient: NAME=ab SERVERNAME=s1 TYPE=RICH " + c.entry + "\n");
        EXPECT_THROW(SubmitSaveRequestFile(settings, path.c_str(), kOwner), FormatException);
        EXPECT_TRUE(ShowsBoxes(ui.messageBoxes,
                               {RequestWarningBox("The page's value of " + c.refusal + " \nFile submitted: " + path)}));
    }
    for (const char* name : {"report.pdf\nTargetPath=C:\\x\nDEBUG_APPROVED=YES\nZ=", "a\tb", "ab\x7f"}) {
        SCOPED_TRACE(name);
        ui.messageBoxes.clear();
        CKeyValueMap request;
        request["NAME"] = name;
        request["SERVERNAME"] = "s1";
        request["TYPE"] = "RICH";
        EXPECT_THROW(SubmitSaveRequest(settings, request, kOwner), FormatException);
        EXPECT_TRUE(ShowsBoxes(ui.messageBoxes, {RequestWarningBox("The page's value of NAME cannot be shown as it is: "
                                                                   "it holds a control character (a tab, a line break "
                                                                   "or another).")}));
    }
    EXPECT_EQ("<none>", Submission());
}

// ---- The settings and the Save-As dialog's buffers at their limits, through a click ----

// Through clicks: a settings value of 64 KiB and value names up to the registry's longest are loaded
// and saved back whole; a delivery directory too long for the dialog still reaches the submission.
using SettingsStoreLimits = DispatchRig;

TEST_F(SettingsStoreLimits, ValuesOf64KiBAndLongValueNamesTravelWhole)
{
    const std::string deliveryDir = "C:\\" + std::string(64 * 1024, 'd');
    const std::string own(64 * 1024, 'k');
    InstallClient(deliveryDir);
    WriteProductValue("ClientOwnSetting", own);
    const std::string name255(255, 'V'), name256(256, 'W'), name16383(16383, 'X');
    for (const std::string* name : {&name255, &name256, &name16383}) WriteProductValue(*name, "v");

    ClickPage({{"name", "pkg.bin"}, {"servername", "srv1"}, {"contenttype", "RICH"}});
    EXPECT_EQ(kDone, LastStatus());
    EXPECT_EQ(1u, Lines(OnlySubmission()).count("DestInitialDir=\"" + deliveryDir + "\\\""));
    EXPECT_TRUE(own == ReadUserRegistryText(kTestProductKey, "ClientOwnSetting"));
    EXPECT_TRUE(deliveryDir == ReadUserRegistryText(kTestProductKey, "LoadDeliveryDir"));
    for (const std::string* name : {&name255, &name256, &name16383}) {
        std::string value;
        EXPECT_TRUE(settings.Lookup(*name, value)) << name->size();
        EXPECT_EQ("v", ReadUserRegistryText(kTestProductKey, *name)) << name->size();
    }

    ui.fileDialogAnswers = {std::string("C:\\dl\\pkg.bin")};
    ClickPage({{"name", "pkg.bin"}, {"servername", "srv1"}});
    ASSERT_EQ(1u, ui.fileDialogs.size());
    EXPECT_TRUE(AsksForFile(ui.fileDialogs[0], SaveAsDialog(window, "pkg.bin", "<null>")))
        << "too long to be an initial directory";
    EXPECT_EQ("C:\\dl", ReadUserRegistryText(kTestProductKey, "LoadDeliveryDir"));
}

using SaveFlowLimits = DispatchRig;

// A chosen path fills the 512-byte buffer to its last byte; one more does not fit (the dialog says so).
TEST_F(SaveFlowLimits, AChosenPathFillsTheBufferToItsLastByte)
{
    InstallClient();
    const std::string longest = requestDir.path() + "\\" + std::string(511 - requestDir.path().size() - 1, 't');
    ui.fileDialogAnswers = {longest + "x"};
    ClickPage({{"name", "pkg.bin"}, {"servername", "srv1"}});
    EXPECT_EQ(kCancelled, LastStatus());
    ui.fileDialogAnswers = {longest};
    ClickPage({{"name", "pkg.bin"}, {"servername", "srv1"}});
    EXPECT_EQ(kDone, LastStatus());
    EXPECT_EQ(1u, Lines(OnlySubmission()).count("TargetPath=\"" + longest + "\""));
}

// The real dialog, answered as a user would, under a proposal of 511 bytes and an initial
// directory of 64 KiB.
TEST_F(SaveFlowLimits, TheRealSaveAsDialogTakesTheLongestProposalAndAHugeInitialDirectory)
{
    InstallClient("C:\\" + std::string(64 * 1024, 'd'));
    systemCalls.GetSaveFileNameA = realSystemCalls.GetSaveFileNameA;
    systemCalls.CommDlgExtendedError = realSystemCalls.CommDlgExtendedError;
    const std::string chosen = requestDir.path() + "\\chosen.bin";
    WindowAnswerer user("Tolvane : deliver package to ...", [&](HWND dialog) {
        SetDlgItemTextA(dialog, 0x47C, chosen.c_str());  // the file name's field
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    }, 100);
    ClickPage({{"name", std::string(511, 'p')}, {"servername", "srv1"}});

    EXPECT_EQ(1, user.answered);
    EXPECT_EQ(kDone, LastStatus());
    const auto lines = Lines(ReadWholeFile(requestDir / Submissions().at(0)));
    EXPECT_EQ(1u, lines.count("TargetPath=\"" + chosen + "\""));
    EXPECT_EQ(requestDir.path(), ReadUserRegistryText(kTestProductKey, "LoadDeliveryDir"));
}

TEST_F(SaveFlowLimits, TheSaveAsDialogGetsNoInitialDirectoryOfMaxPathOrMore)
{
    for (std::size_t length : {std::size_t(MAX_PATH - 2), std::size_t(MAX_PATH - 1)}) {
        SCOPED_TRACE(length);
        const std::string deliveryDir = "C:\\" + std::string(length - 3, 'd');
        InstallClient(deliveryDir);
        ui.fileDialogs.clear();
        ui.fileDialogAnswers = {std::nullopt};
        ClickPage({{"name", "pkg.bin"}, {"servername", "srv1"}});
        ASSERT_EQ(1u, ui.fileDialogs.size());
        EXPECT_TRUE(AsksForFile(ui.fileDialogs[0],
                                SaveAsDialog(window, "pkg.bin", length + 1 < MAX_PATH ? deliveryDir + "\\" : "<null>")));
        EXPECT_EQ(kCancelled, LastStatus());
    }
}

}  // namespace
