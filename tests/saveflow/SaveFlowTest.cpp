// The save flow by both routes: the Save-As dialog, the submission and the remembered directory.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "request/RequestText.h"
#include "request/RequestFile.h"
#include "request/RequestText.h"
#include "request/SaveFlow.h"
#include "request/SubmissionFile.h"
#include "request/UploadFlow.h"
#include "request/Confirmation.h"
#include "request/FileDialogs.h"
#include "request/PagePaths.h"
#include "request/RequestWarning.h"
#include "diag/TraceLog.h"
#include "support/Expectations.h"
#include "support/ScriptedPlatform.h"
#include "support/TestFiles.h"
#include "support/TestText.h"

namespace {

const HWND kOwner = reinterpret_cast<HWND>(0x1234);
const std::string kBadRequestText =
    "The request appears to have bad request information. \n"
    "Missing NAME or SERVERNAME or has bad CONTENTTYPE information";

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
    EXPECT_EQ(1, SubmitSaveRequest(settings, request, kOwner));

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
    ASSERT_EQ(1, SubmitSaveRequest(settings, request, kOwner));
    ASSERT_EQ(1u, ui.fileDialogs.size());
    const FileDialogCall& call = ui.fileDialogs[0];
    const OPENFILENAMEA& sent = call.request;
    EXPECT_TRUE(call.save);
    EXPECT_EQ(sizeof(void*) == 8 ? 136u : 76u, sent.lStructSize) << "the layout without the extension fields";
    EXPECT_EQ(kOwner, sent.hwndOwner);
    EXPECT_EQ(std::string("All Files \0 *.*\0\0", 17), call.filter);
    EXPECT_EQ(nullptr, sent.lpstrCustomFilter);
    EXPECT_EQ(0u, sent.nMaxCustFilter);
    EXPECT_EQ(1u, sent.nFilterIndex);
    EXPECT_NE(nullptr, sent.lpstrFile);
    EXPECT_EQ(512u, sent.nMaxFile);
    EXPECT_EQ("report.zip", call.initialFile);
    EXPECT_EQ(nullptr, sent.lpstrFileTitle);
    EXPECT_EQ(0u, sent.nMaxFileTitle);
    EXPECT_EQ("C:\\old\\", call.initialDir);
    EXPECT_EQ("Tolvane : deliver package to ...", call.title);
    EXPECT_EQ(0x28080Eu, sent.Flags);
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
        // Too long for the 512-byte buffer: no name is proposed rather than a cut one.
        {std::string(512, 'n'), std::string(512, 'n'), ""},
        {"dir\\" + std::string(600, 'n'), std::string(600, 'n'), ""},
    };
    for (const Case& c : cases) {
        request["NAME"] = c.name;
        EXPECT_EQ(0, SubmitSaveRequest(settings, request, kOwner));  // cancelled
        ASSERT_FALSE(ui.fileDialogs.empty());
        EXPECT_EQ(c.proposed, ui.fileDialogs.back().initialFile) << c.name;
        EXPECT_EQ(c.lastComponent, Value(request, "DestBaseName"));
    }
}

TEST_F(SaveFlowFromAttributes, CancelledDialogWritesNothingAndKeepsTheSettings)
{
    const auto before = Entries(settings);
    EXPECT_EQ(0, SubmitSaveRequest(settings, request, kOwner));
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
    EXPECT_EQ(1, SubmitSaveRequest(settings, request, kOwner));
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
        EXPECT_EQ(1, SubmitSaveRequest(settings, copy, kOwner));
        EXPECT_EQ("C:\\old", Value(settings, "LoadDeliveryDir")) << "round " << round;
    }
    EXPECT_TRUE(ui.fileDialogs.empty());

    request["DEBUG_APPROVED"] = "yes";
    EXPECT_EQ(0, SubmitSaveRequest(settings, request, kOwner));
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
        ASSERT_EQ(1u, ui.messageBoxes.size());
        EXPECT_EQ(nullptr, ui.messageBoxes[0].owner);
        EXPECT_EQ(kBadRequestText, ui.messageBoxes[0].text);
        EXPECT_EQ("Tolvane Message ", ui.messageBoxes[0].caption);
        EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND | MB_TOPMOST),
                  ui.messageBoxes[0].style);
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
};

TEST_F(SaveFlowFromFile, EveryEntryOfTheFileReachesTheSubmission)
{
    std::string path = WriteRequest(
        "<html>\r\nvnxclient: NAME=\"pkgs/a b.dat\" SERVERNAME=srv2 SIZE=10 COLOR=\"red\"\r\n");
    ui.fileDialogAnswers.push_back(std::string("D:\\in\\a b.dat"));
    EXPECT_EQ(1, SubmitSaveRequestFile(settings, ("  " + path + " \t").c_str(), kOwner));
    ASSERT_EQ(1u, ui.fileDialogs.size());
    EXPECT_EQ("a b.dat", ui.fileDialogs[0].initialFile);
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
    ASSERT_EQ(1u, ui.messageBoxes.size());
    EXPECT_EQ(0u, ui.messageBoxes[0].text.find("The request file appears to have bad request"));
    EXPECT_EQ("<none>", Submission());
}

// A request file is a web page's data: it cannot choose where a download lands.
TEST_F(SaveFlowFromFile, PagesTargetPathIsNeverUsed)
{
    std::string path = WriteRequest(
        "vnxclient: NAME=x.dll SERVERNAME=s1 DEBUG_APPROVED=YES TargetPath=\"C:\\windows\\x.dll\"\n");
    EXPECT_EQ(0, SubmitSaveRequestFile(settings, path.c_str(), kOwner));  // dialog cancelled
    EXPECT_EQ(1u, ui.fileDialogs.size());
    EXPECT_EQ("<none>", Submission());

    ui.fileDialogAnswers.push_back(std::string("C:\\dl\\x.dll"));
    EXPECT_EQ(1, SubmitSaveRequestFile(settings, path.c_str(), kOwner));
    EXPECT_EQ("DEBUG_APPROVED=\"YES\"\n"
              "DestBaseName=\"C:\\dl\\x.dll\"\n"
              "DestInitialDir=\"C:\\dl\"\n"
              "NAME=\"x.dll\"\n"
              "SERVERNAME=\"s1\"\n"
              "TYPE=\"PLAIN\"\n"
              "TargetPath=\"C:\\dl\\x.dll\"\n",
              Submission());
}

TEST_F(SaveFlowFromFile, RichFileCarriesNoTargetPath)
{
    std::string path = WriteRequest(
        "vnxclient: NAME=x.dll SERVERNAME=s1 TYPE=RICH TargetPath=\"C:\\windows\\x.dll\"\n");
    EXPECT_EQ(1, SubmitSaveRequestFile(settings, path.c_str(), kOwner));
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
        ASSERT_EQ(1u, ui.messageBoxes.size()) << "the parser's report only, no confirmation";
        EXPECT_EQ(0u, ui.messageBoxes[0].text.find("The request file appears to have bad request"));
    }
    EXPECT_EQ("<none>", Submission());

    ui.messageBoxes.clear();
    ui.confirmationAnswers = {true};
    std::string path = WriteRequest("vnxclient: NAME=ab SERVERNAME=s1 TYPE=RICH FILE=\"C:\\Users\\me\\notes.txt\"\n");
    EXPECT_EQ(1, SubmitSaveRequestFile(settings, path.c_str(), kOwner));
    EXPECT_TRUE(ui.messageBoxes.empty());
    ASSERT_EQ(1u, ui.confirmations.size());
    EXPECT_TRUE(ConfirmsFile(ui.confirmations[0], "C:\\Users\\me\\notes.txt", "", "s1", "(none given)",
                             "(none given)"));
}

// Both routes refuse what the user would not see whole: a control byte in a shown value, or one
// longer than the bound. (Which values and bytes: the IsShowableRequest table.)
TEST_F(SaveFlowFromFile, ValuesTheUserCannotSeeWholeMakeABadRequestByEitherRoute)
{
    const std::string nul(1, '\0');
    const std::string entries[] = {
        "RECIPIENTS=\"me@mycompany.example \rDo you want to send it?" + nul + ":attacker@evil.example\"",
        "SERVERNAME=\"evil\r.example\"",
        "SERVERPORT=\"" + std::string(kLongestShownValue + 1, '6') + "\"",
        "FILE=\"C:\\" + std::string(kLongestShownValue, 'f') + "\"",
    };
    for (const std::string& entry : entries) {
        SCOPED_TRACE(entry.substr(0, 40));
        ui.messageBoxes.clear();
        std::string path = WriteRequest("vnxclient: NAME=ab SERVERNAME=s1 TYPE=RICH " + entry + "\n");
        EXPECT_THROW(SubmitSaveRequestFile(settings, path.c_str(), kOwner), FormatException);
        ASSERT_EQ(1u, ui.messageBoxes.size());
        EXPECT_EQ(0u, ui.messageBoxes[0].text.find("The request file appears to have bad request"));
    }
    for (const char* name : {"report.pdf\nTargetPath=C:\\x\nDEBUG_APPROVED=YES\nZ=", "a\tb", "ab\x7f"}) {
        SCOPED_TRACE(name);
        ui.messageBoxes.clear();
        CKeyValueMap request;
        request["NAME"] = name;
        request["SERVERNAME"] = "s1";
        request["TYPE"] = "RICH";
        EXPECT_THROW(SubmitSaveRequest(settings, request, kOwner), FormatException);
        ASSERT_EQ(1u, ui.messageBoxes.size());
        EXPECT_EQ(kBadRequestText, ui.messageBoxes[0].text);
    }
    EXPECT_EQ("<none>", Submission());
}

// In a double-byte code page the second byte of a character may be 0x5C, the backslash: names
// and paths are split at characters. (0x83 0x5C is one character in code page 932.)
TEST(SplitAtCharacters, ASecondByteThatIsABackslashSplitsNothing)
{
    const struct {
        std::string text;
        UINT codePage;
        std::size_t last;
        std::size_t first;
    } cases[] = {
        {"C:\\pkgs\\\x83\x5C.dat", 932, 7, 1},
        {"C:\\pkgs\\\x83\x5C.dat", 1252, 9, 1},
        {"\x83\x5C", 932, std::string::npos, std::string::npos},
        {"\x83\x5C", 1252, 1, 1},
        {"\x83\x5C\\x", 932, 2, 2},
        {"a/b\x83\x5C\x83\x5C", 932, 1, 1},
        {"ab\\\x83", 932, 2, 2},  // a lead byte with nothing after it is a character of its own
        {"\x81\x5C:\x81\x5C", 936, 2, 2},
        {"plain\\name", 932, 5, 5},
        {"", 932, std::string::npos, std::string::npos},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text + " in " + std::to_string(c.codePage));
        EXPECT_EQ(c.last, FindLastSeparator(c.text, ":\\/", c.codePage));
        EXPECT_EQ(c.first, FindFirstSeparator(c.text, ":\\/", c.codePage));
    }
}

}  // namespace
