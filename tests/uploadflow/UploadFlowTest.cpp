// The upload flow: validation, the Open dialog, the file and recipient checks, the confirmation of
// a file named by the page, the nine keys.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "diag/TraceLog.h"
#include "request/Confirmation.h"
#include "request/FileDialogs.h"
#include "request/PagePaths.h"
#include "request/RequestFile.h"
#include "request/RequestText.h"
#include "request/RequestWarning.h"
#include "request/SaveFlow.h"
#include "request/SubmissionFile.h"
#include "request/UploadFlow.h"
#include "support/ScriptedPlatform.h"
#include "support/Expectations.h"
#include "support/TestFiles.h"
#include "support/TestText.h"
#include "win/SystemCalls.h"

namespace {

const HWND kOwner = reinterpret_cast<HWND>(0x4321);

class UploadFlow : public ::testing::Test {
protected:
    void SetUp() override
    {
        CreateDirectoryA(requestDir.c_str(), nullptr);
        WriteWholeFile(package, "package bytes");
        settings["LoadRequestDir"] = requestDir;
        settings["LoadDeliveryDir"] = "C:\\old";
        settings["ApplicationPath"] = "C:\\client\\client.exe";
        request["SERVERNAME"] = "srv1";
        request["TYPE"] = "RICH";
        request["RECIPIENTS"] = "ann:bob";
        request["SIZE"] = "13";
    }

    std::string Submission()
    {
        const std::vector<std::string> names = FileNamesIn(requestDir, "*.vnxsubmit");
        if (names.empty()) return "<none>";
        EXPECT_EQ(1u, names.size()) << "more than one submission";
        return ReadWholeFile(requestDir + "\\" + names[0]);
    }

    std::string Expected(const std::string& name, const std::string& recipients,
                         const std::string& serverPort, const std::string& httpServerPort)
    {
        return "CHECKSUM=\"0\"\n"
               "FILE=\"" + package + "\"\n"
               "HTTPSERVERPORT=\"" + httpServerPort + "\"\n"
               "NAME=\"" + name + "\"\n"
               "RECIPIENTS=\"" + recipients + "\"\n"
               "SERVERNAME=\"srv1\"\n"
               "SERVERPORT=\"" + serverPort + "\"\n"
               "TYPE=\"RICH\"\n"
               "UPLOAD=\"TRUE\"\n";
    }

    TempFolder folder;
    std::string requestDir = folder / "requests";
    std::string package = folder / "report.txt";
    CKeyValueMap settings;
    CKeyValueMap request;
    ScriptedPlatform ui;
};

TEST_F(UploadFlow, ChosenFileGivesExactlyTheNineKeys)
{
    const auto settingsBefore = Entries(settings);
    ui.fileDialogAnswers.push_back(package);
    EXPECT_EQ(1, SubmitUploadRequest(settings, request, kOwner));
    EXPECT_EQ(Expected("report.txt", "ann:bob", "609", "8009"), Submission());
    EXPECT_EQ(package, Entries(request)["FILE"]);
    EXPECT_EQ(settingsBefore, Entries(settings));
    EXPECT_TRUE(ui.messageBoxes.empty()) << "a file the user chose is not asked about again";
}

TEST_F(UploadFlow, OpenDialogIsTheExactRequest)
{
    EXPECT_EQ(0, SubmitUploadRequest(settings, request, kOwner));  // cancelled
    ASSERT_EQ(1u, ui.fileDialogs.size());
    const FileDialogCall& call = ui.fileDialogs[0];
    const OPENFILENAMEA& sent = call.request;
    EXPECT_FALSE(call.save);
    EXPECT_EQ(sizeof(void*) == 8 ? 136u : 76u, sent.lStructSize) << "the layout without the extension fields";
    EXPECT_EQ(kOwner, sent.hwndOwner);
    EXPECT_EQ(std::string("All Files \0 *.*\0\0", 17), call.filter);
    EXPECT_EQ(nullptr, sent.lpstrCustomFilter);
    EXPECT_EQ(1u, sent.nFilterIndex);
    EXPECT_EQ(512u, sent.nMaxFile);
    EXPECT_EQ("", call.initialFile);
    EXPECT_EQ(nullptr, sent.lpstrFileTitle);
    EXPECT_EQ("<null>", call.initialDir);
    EXPECT_EQ("Select : package to deliver ...", call.title);
    EXPECT_EQ(static_cast<DWORD>(OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST |
                                 OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_LONGNAMES),
              sent.Flags);
    EXPECT_EQ(nullptr, sent.lpstrDefExt);
    EXPECT_EQ(nullptr, sent.lpfnHook);
    EXPECT_EQ(nullptr, sent.lpTemplateName);

    EXPECT_EQ(1, ui.extendedErrorCalls);
    EXPECT_TRUE(ui.messageBoxes.empty());
    EXPECT_EQ("<none>", Submission());
}

TEST_F(UploadFlow, PagesFileSkipsTheDialogAndIsResolvedToAnAbsolutePath)
{
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(folder.path().c_str());
    request["FILE"] = "report.txt";
    request["NAME"] = "given name";
    request["SERVERPORT"] = "700";
    request["HTTPSERVERPORT"] = "80";
    request["RECIPIENTS"] = "a::b";
    ui.confirmationAnswers.push_back(true);
    int result = SubmitUploadRequest(settings, request, kOwner);
    SetCurrentDirectoryA(previous);

    EXPECT_EQ(1, result);
    EXPECT_TRUE(ui.fileDialogs.empty());
    ASSERT_EQ(1u, ui.confirmations.size());
    EXPECT_TRUE(ConfirmsFile(ui.confirmations[0], package, "a::b", "srv1", "700", "80"))
        << "the confirmation names the absolute path that is submitted";
    EXPECT_EQ(Expected("given name", "a::b", "700", "80"), Submission());
}

TEST_F(UploadFlow, PagesFileIsSentOnlyAfterYesInTheExactConfirmation)
{
    request["FILE"] = package;
    ui.confirmationAnswers.push_back(true);
    EXPECT_EQ(1, SubmitUploadRequest(settings, request, kOwner));
    EXPECT_TRUE(ui.messageBoxes.empty());
    ASSERT_EQ(1u, ui.confirmations.size());
    EXPECT_EQ(kOwner, ui.confirmations[0].owner);
    EXPECT_TRUE(ConfirmsFile(ui.confirmations[0], package, "ann:bob", "srv1", "609", "8009"))
        << "the ports shown are the ones submitted";
    EXPECT_EQ(Expected("report.txt", "ann:bob", "609", "8009"), Submission());
}

TEST_F(UploadFlow, PagesFileAnsweredNoIsACancelWithNothingWritten)
{
    request["FILE"] = package;
    const auto settingsBefore = Entries(settings);
    const auto requestBefore = Entries(request);
    ui.confirmationAnswers.push_back(false);
    EXPECT_EQ(0, SubmitUploadRequest(settings, request, kOwner));
    EXPECT_EQ(1u, ui.confirmations.size());
    EXPECT_TRUE(ui.messageBoxes.empty());
    EXPECT_EQ("<none>", Submission());
    EXPECT_TRUE(ui.fileDialogs.empty());
    EXPECT_EQ(settingsBefore, Entries(settings));
    EXPECT_EQ(requestBefore, Entries(request));
}

TEST_F(UploadFlow, ConfirmationTextCarriesThePathAndRecipientsVerbatim)
{
    const std::string path = "C:\\a b\\\"quoted\".txt";
    for (const std::string& recipients : {std::string(), std::string("x:y:z")}) {
        ui.confirmations.clear();
        ui.confirmationAnswers = {false, true};
        EXPECT_FALSE(ConfirmPageNamedFile({path, recipients, "srv", "", ""}, nullptr));
        EXPECT_TRUE(ConfirmPageNamedFile({path, recipients, "srv", "", ""}, nullptr));
        ASSERT_EQ(2u, ui.confirmations.size());
        for (const ConfirmationCall& call : ui.confirmations)
            EXPECT_TRUE(ConfirmsFile(call, path, recipients, "srv", "(none given)", "(none given)"));
    }
}

TEST_F(UploadFlow, FileThatCannotBeOpenedWithWritersDeniedStopsTheFlow)
{
    OwnedFile writer(CreateFileA(package.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(writer);
    for (const std::string& file : {folder / "missing.txt", package, folder.path()}) {
        ui.messageBoxes.clear();
        request["FILE"] = file;
        EXPECT_EQ(0, SubmitUploadRequest(settings, request, kOwner)) << file;
        ASSERT_EQ(1u, ui.messageBoxes.size());
        EXPECT_EQ(nullptr, ui.messageBoxes[0].owner);
        EXPECT_EQ("The file '" + file + "' could not be opened.", ui.messageBoxes[0].text);
        EXPECT_EQ("Error!", ui.messageBoxes[0].caption);
        EXPECT_EQ(static_cast<UINT>(MB_OK), ui.messageBoxes[0].style);
    }
    writer.reset();
    EXPECT_TRUE(ui.fileDialogs.empty());
    EXPECT_EQ("<none>", Submission());
}

TEST_F(UploadFlow, RecipientListMustNotBeEmpty)
{
    request["FILE"] = package;
    for (bool present : {false, true}) {
        ui.messageBoxes.clear();
        if (present)
            request["RECIPIENTS"] = "";
        else
            request.RemoveKey("RECIPIENTS");
        EXPECT_EQ(0, SubmitUploadRequest(settings, request, kOwner));
        ASSERT_EQ(1u, ui.messageBoxes.size());
        EXPECT_EQ("Bad recipient list. Please re-enter.", ui.messageBoxes[0].text);
        EXPECT_EQ("Error", ui.messageBoxes[0].caption);
        EXPECT_EQ(static_cast<UINT>(MB_OK), ui.messageBoxes[0].style);
    }
    EXPECT_EQ("<none>", Submission());

    request["RECIPIENTS"] = ":";
    ui.confirmationAnswers.push_back(true);
    EXPECT_EQ(1, SubmitUploadRequest(settings, request, kOwner));
    EXPECT_EQ(Expected("report.txt", ":", "609", "8009"), Submission());
}

TEST_F(UploadFlow, TypeAndServerNameAreValidatedButNameIsNot)
{
    TraceLogFileOpen((folder / "trace.log").c_str(), 1, 0);
    struct Case {
        const char* key;
        const char* value;
    } cases[] = {{"TYPE", "Rich"}, {"TYPE", "plain"}, {"SERVERNAME", "s"}};
    for (const Case& c : cases) {
        CKeyValueMap bad = request;
        bad[c.key] = c.value;
        ui.messageBoxes.clear();
        EXPECT_THROW(SubmitUploadRequest(settings, bad, kOwner), FormatException) << c.value;
        ASSERT_EQ(1u, ui.messageBoxes.size());
        EXPECT_EQ(nullptr, ui.messageBoxes[0].owner);
        EXPECT_EQ("The request appears to have bad request information. \n"
                  "Missing NAME or SERVERNAME or has bad CONTENTTYPE information",
                  ui.messageBoxes[0].text);
        EXPECT_EQ("Tolvane Message ", ui.messageBoxes[0].caption);
        EXPECT_EQ(static_cast<UINT>(MB_ICONEXCLAMATION | MB_SETFOREGROUND | MB_TOPMOST),
                  ui.messageBoxes[0].style);
    }
    TraceLogFileClose();
    EXPECT_TRUE(ui.fileDialogs.empty());
    EXPECT_NE(std::string::npos,
              ReadWholeFile(folder / "trace.log").find("ClientApp/VexoRequest, line 522\r\n... "));

    request["NAME"] = "";
    request["FILE"] = package;
    ui.confirmationAnswers.push_back(true);
    EXPECT_EQ(1, SubmitUploadRequest(settings, request, kOwner));
    EXPECT_EQ(Expected("report.txt", "ann:bob", "609", "8009"), Submission());
}

TEST_F(UploadFlow, SubmissionFileErrorPassesAndTheSettingsStayAsTheyWere)
{
    request["FILE"] = package;
    settings.RemoveKey("LoadRequestDir");
    const auto settingsBefore = Entries(settings);
    ui.confirmationAnswers.push_back(true);
    try {
        SubmitUploadRequest(settings, request, kOwner);
        FAIL() << "no exception";
    } catch (const CFileException&) {
    }
    EXPECT_EQ(settingsBefore, Entries(settings));
}

// Under Wine \\host\share\file is served from the prefix's dosdevices\unc folder: a "network" file
// that opens when anything asks for it. Empty when the prefix is unknown.
std::string WineUncFolder()
{
    char prefix[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix);
    if (length == 0 || length >= sizeof prefix) return std::string();
    std::string folder = std::string("Z:") + prefix + "\\dosdevices\\unc";
    for (char& c : folder)
        if (c == '/') c = '\\';
    return folder;
}

// The paths a page may name: refused by their text before any file-system call, or resolved to an
// absolute path on a local drive.
TEST_F(UploadFlow, OnlyAPlainFileOnALocalDriveIsAPathThePageMayName)
{
    char current[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, current);
    const struct {
        std::string path;
        bool local;
    } cases[] = {
        {package, true},
        {"C:\\Users\\me\\secret.txt", true},
        {"C:/Users/me/secret.txt", true},
        {"report.txt", true},  // relative: resolved against the current directory
        {"\\\\evil.example\\s\\x", false},
        {"//evil.example/s/x", false},
        {"\\/evil.example/s/x", false},
        {"\\\\.\\pipe\\vxtest", false},
        {"\\\\.\\C:\\x.txt", false},
        {"\\\\?\\C:\\x.txt", false},
        {"\\\\?\\UNC\\evil.example\\s\\x", false},
        {"\\??\\C:\\x.txt", false},
        {"C:\\dir\\CON", false},
        {"C:\\dir\\nul.txt", false},
        {"C:\\dir\\com1", false},
        {"C:\\dir\\LPT9 .log", false},
        {"C:\\dir\\CONOUT$", false},
        {"C:\\CON\\x.txt", false},
        {"C:\\dir\\console.txt", true},
        {"C:\\dir\\COM0", false},
        {"C:\\dir\\lpt0.txt", false},
        {"C:\\dir\\COM\xB9", false},  // superscript one in code page 1252
        {"C:\\dir\\LPT\xB2.txt", false},
        {"C:\\dir\\com\xB3 .log", false},
        {"C:\\dir\\COM10", true},
        {"C:\\dir\\COMA", true},
        {"C:\\dir\\file.txt:stream", false},
        {"C:\\" + std::string(MAX_PATH, 'l'), false},
        {"Q:\\no drive.txt", false},
        {"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        std::string fullPath = "untouched";
        EXPECT_EQ(c.local, IsLocalPath(c.path, fullPath));
        if (!c.local) {
            EXPECT_EQ("", fullPath);
            continue;
        }
        const std::string expected = c.path == "report.txt" ? std::string(current) + "\\report.txt"
                                     : c.path[2] == '/'     ? "C:\\Users\\me\\secret.txt"
                                                            : c.path;
        EXPECT_EQ(expected, fullPath);
    }

    std::string fullPath;
    EXPECT_TRUE(IsLocalRegularFile(package, fullPath));
    EXPECT_FALSE(IsLocalRegularFile(folder.path(), fullPath)) << "a folder";
    EXPECT_FALSE(IsLocalRegularFile(folder / "missing.txt", fullPath));
}

// A removable or optical medium, a RAM disk or a network drive is never a place a page may name.
UINT WINAPI DriveOfKind(LPCSTR root)
{
    switch (root[0]) {
    case 'C': return DRIVE_FIXED;
    case 'D': return DRIVE_REMOVABLE;
    case 'E': return DRIVE_CDROM;
    case 'F': return DRIVE_RAMDISK;
    case 'G': return DRIVE_REMOTE;
    default: return DRIVE_NO_ROOT_DIR;
    }
}

TEST_F(UploadFlow, OnlyAFixedDriveHoldsAPathThePageMayName)
{
    systemCalls.GetDriveTypeA = DriveOfKind;
    std::string fullPath;
    EXPECT_TRUE(IsLocalPath("C:\\x.txt", fullPath));
    for (const char* path : {"D:\\x.txt", "E:\\x.txt", "F:\\x.txt", "G:\\x.txt", "H:\\x.txt"})
        EXPECT_FALSE(IsLocalPath(path, fullPath)) << path;
    systemCalls.GetDriveTypeA = realSystemCalls.GetDriveTypeA;
}

// An upload page naming a network file or a pipe: the route's box, nothing opened, nothing sent.
TEST_F(UploadFlow, PagesNetworkOrPipePathIsNeverOpened)
{
    const std::string unc = WineUncFolder();
    if (!unc.empty()) {
        CreateDirectoryA(unc.c_str(), nullptr);
        CreateDirectoryA((unc + "\\evil.example").c_str(), nullptr);
        CreateDirectoryA((unc + "\\evil.example\\s").c_str(), nullptr);
        WriteWholeFile(unc + "\\evil.example\\s\\x", "served over the network");
        ASSERT_EQ("served over the network", ReadWholeFile("\\\\evil.example\\s\\x")) << "the share answers";
    }
    HANDLE pipe = CreateNamedPipeA("\\\\.\\pipe\\vxtest-upload", PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_NOWAIT, 1,
                                   512, 512, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, pipe);
    for (const std::string& file : {std::string("\\\\evil.example\\s\\x"), std::string("//evil.example/s/x"),
                                    std::string("\\\\.\\pipe\\vxtest-upload"), std::string("\\\\?\\") + package}) {
        SCOPED_TRACE(file);
        ui.messageBoxes.clear();
        request["FILE"] = file;
        EXPECT_EQ(0, SubmitUploadRequest(settings, request, kOwner));
        ASSERT_EQ(1u, ui.messageBoxes.size()) << "no confirmation: only the route's box";
        EXPECT_EQ("The file '" + file + "' could not be opened.", ui.messageBoxes[0].text);
        EXPECT_EQ("Error!", ui.messageBoxes[0].caption);
    }
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(ConnectNamedPipe(pipe, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PIPE_LISTENING), GetLastError()) << "no one opened the pipe";
    CloseHandle(pipe);
    EXPECT_TRUE(ui.fileDialogs.empty());
    EXPECT_EQ("<none>", Submission());
}

// The attack from an upload page's attributes: recipients padded with line feeds so that
// the box would be cut before the attacker's address. Refused before any box but the warning.
TEST_F(UploadFlow, RecipientsTheUserCannotSeeWholeAreABadRequest)
{
    request["FILE"] = package;
    for (const std::string& recipients :
         {"me@mycompany.example" + std::string(33000, '\n') + ":attacker@evil.example",
          "me@mycompany.example:" + std::string(kLongestShownValue, 'a'), std::string("ann\r:bob")}) {
        ui.messageBoxes.clear();
        request["RECIPIENTS"] = recipients;
        EXPECT_THROW(SubmitUploadRequest(settings, request, kOwner), FormatException);
        ASSERT_EQ(1u, ui.messageBoxes.size());
        EXPECT_EQ(kBadRequestText, ui.messageBoxes[0].text);
        EXPECT_EQ("Tolvane Message ", ui.messageBoxes[0].caption);
    }
    EXPECT_EQ("<none>", Submission());
}

}  // namespace
