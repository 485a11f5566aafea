// The upload flow: validation, the Open dialog, the file and recipient checks, the confirmation of
// a file named by the page, the nine keys.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "diag/TraceLog.h"
#include "request/RequestText.h"
#include "request/UploadFlow.h"
#include "support/Expectations.h"
#include "support/ScriptedPlatform.h"
#include "support/TestFiles.h"
#include "support/TestText.h"

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
    EXPECT_EQ(RequestOutcome::submitted, SubmitUploadRequest(settings, request, kOwner));
    EXPECT_EQ(Expected("report.txt", "ann:bob", "609", "8009"), Submission());
    EXPECT_EQ(package, Entries(request)["FILE"]);
    EXPECT_EQ(settingsBefore, Entries(settings));
    EXPECT_TRUE(ui.messageBoxes.empty()) << "a file the user chose is not asked about again";
}

TEST_F(UploadFlow, OpenDialogIsTheExactRequest)
{
    EXPECT_EQ(RequestOutcome::cancelled, SubmitUploadRequest(settings, request, kOwner));
    ASSERT_EQ(1u, ui.fileDialogs.size());
    const FileDialogCall& call = ui.fileDialogs[0];
    const OPENFILENAMEA& sent = call.request;
    EXPECT_TRUE(AsksForFile(call, OpenDialog(kOwner)));
    EXPECT_EQ(sizeof(void*) == 8 ? 136u : 76u, sent.lStructSize) << "the layout without the extension fields";
    EXPECT_EQ(nullptr, sent.lpstrCustomFilter);
    EXPECT_EQ(1u, sent.nFilterIndex);
    EXPECT_EQ(512u, sent.nMaxFile);
    EXPECT_EQ(nullptr, sent.lpstrFileTitle);
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
    const RequestOutcome outcome = SubmitUploadRequest(settings, request, kOwner);
    SetCurrentDirectoryA(previous);

    EXPECT_EQ(RequestOutcome::submitted, outcome);
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
    EXPECT_EQ(RequestOutcome::submitted, SubmitUploadRequest(settings, request, kOwner));
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
    EXPECT_EQ(RequestOutcome::cancelled, SubmitUploadRequest(settings, request, kOwner));
    EXPECT_EQ(1u, ui.confirmations.size());
    EXPECT_TRUE(ui.messageBoxes.empty());
    EXPECT_EQ("<none>", Submission());
    EXPECT_TRUE(ui.fileDialogs.empty());
    EXPECT_EQ(settingsBefore, Entries(settings));
    EXPECT_EQ(requestBefore, Entries(request));
}

// Missing, held open by a writer, a folder, or a path too long for any file.
TEST_F(UploadFlow, FileThatCannotBeOpenedWithWritersDeniedStopsTheFlow)
{
    OwnedFile writer(CreateFileA(package.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(writer);
    for (const std::string& file : {folder / "missing.txt", package, folder.path(),
                                    "C:\\" + std::string(kLongestShownValue - 3, 'f')}) {
        SCOPED_TRACE(file.substr(0, 60));
        ui.messageBoxes.clear();
        request["FILE"] = file;
        EXPECT_EQ(RequestOutcome::failed, SubmitUploadRequest(settings, request, kOwner));
        EXPECT_TRUE(ShowsBoxes(ui.messageBoxes, {{"Error!", "The file '" + file + "' could not be opened.", MB_OK}}));
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
        EXPECT_EQ(RequestOutcome::failed, SubmitUploadRequest(settings, request, kOwner));
        EXPECT_TRUE(ShowsBoxes(ui.messageBoxes, {{"Error", "Bad recipient list. Please re-enter.", MB_OK}}));
    }
    EXPECT_EQ("<none>", Submission());

    request["RECIPIENTS"] = ":";
    ui.confirmationAnswers.push_back(true);
    EXPECT_EQ(RequestOutcome::submitted, SubmitUploadRequest(settings, request, kOwner));
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
        EXPECT_TRUE(ShowsBoxes(ui.messageBoxes, {RequestWarningBox(kBadRequestAttributesText)}));
    }
    TraceLogFileClose();
    EXPECT_TRUE(ui.fileDialogs.empty());
    EXPECT_NE(std::string::npos,
              ReadWholeFile(folder / "trace.log").find("ClientApp/VexoRequest, line 522\r\n... "));

    request["NAME"] = "";
    request["FILE"] = package;
    ui.confirmationAnswers.push_back(true);
    EXPECT_EQ(RequestOutcome::submitted, SubmitUploadRequest(settings, request, kOwner));
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
        EXPECT_EQ(RequestOutcome::failed, SubmitUploadRequest(settings, request, kOwner));
        EXPECT_TRUE(ShowsBoxes(ui.messageBoxes, {{"Error!", "The file '" + file + "' could not be opened.", MB_OK}}))
            << "no confirmation: only the route's box";
    }
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(ConnectNamedPipe(pipe, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PIPE_LISTENING), GetLastError()) << "no one opened the pipe";
    CloseHandle(pipe);
    EXPECT_TRUE(ui.fileDialogs.empty());
    EXPECT_EQ("<none>", Submission());
}

// An attack from an upload page's attributes: recipients padded with line feeds so that the box
// would be cut before the attacker's address. Refused before any box but the warning.
TEST_F(UploadFlow, RecipientsTheUserCannotSeeWholeAreABadRequest)
{
    request["FILE"] = package;
    const std::string tooLong = "it is longer than 1024 bytes.";
    const std::string controlByte = "it holds a control character (a tab, a line break or another).";
    for (const auto& [recipients, why] :
         {std::pair{"me@mycompany.example" + std::string(33000, '\n') + ":attacker@evil.example", tooLong},
          std::pair{"me@mycompany.example:" + std::string(kLongestShownValue, 'a'), tooLong},
          std::pair{std::string("ann\r:bob"), controlByte}}) {
        ui.messageBoxes.clear();
        request["RECIPIENTS"] = recipients;
        EXPECT_THROW(SubmitUploadRequest(settings, request, kOwner), FormatException);
        EXPECT_TRUE(ShowsBoxes(ui.messageBoxes,
                               {RequestWarningBox("The page's value of RECIPIENTS cannot be shown as it is: " + why)}));
    }
    EXPECT_EQ("<none>", Submission());
}

}  // namespace
