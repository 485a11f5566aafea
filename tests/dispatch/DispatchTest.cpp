// What a click does, from the configuration check to the last status text, with the flows'
// dialogs and boxes scripted, the real registry and real files.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "client/SettingsStore.h"
#include "plugin/InstanceData.h"
#include "plugin/ModuleState.h"
#include "plugin/PluginEntry.h"
#include "request/RequestDispatch.h"
#include "support/Expectations.h"
#include "support/PluginRig.h"
#include "support/TestFiles.h"

namespace {


// Sorted lines of a submission file; checks every line ends in a single LF.
std::multiset<std::string> SubmissionLines(const std::string& bytes)
{
    std::multiset<std::string> lines;
    std::string::size_type start = 0;
    while (start < bytes.size()) {
        auto end = bytes.find('\n', start);
        EXPECT_NE(end, std::string::npos) << "last line without LF";
        if (end == std::string::npos) break;
        lines.insert(bytes.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

class DispatchTest : public DispatchRig {
protected:
    void SetUp() override
    {
        DispatchRig::SetUp();
        record.page.caption = "Vexo Save File";
    }

    void InstallClient(const std::string& deliveryDir = "C:\\old")
    {
        WriteProductValue("LoadRequestDir", requestDir.path());
        WriteProductValue("LoadDeliveryDir", deliveryDir);
    }

    std::string OnlySubmission()
    {
        auto names = FileNamesIn(requestDir.path(), "*");
        EXPECT_EQ(names.size(), 1u) << "files in the request directory";
        if (names.size() != 1) return {};
        EXPECT_EQ(names[0].size(), 9u + strlen(".vnxsubmit")) << names[0];
        EXPECT_NE(names[0].find(".vnxsubmit"), std::string::npos) << names[0];
        return ReadWholeFile(requestDir / names[0]);
    }

    TempFolder requestDir;
};

TEST_F(DispatchTest, WithoutTheProductKeyTheClickOffersTheClientAndEndsAfterNo)
{
    ui.messageBoxAnswers = {IDNO};
    EXPECT_EQ(Dispatch(), 0);

    ASSERT_EQ(ui.messageBoxes.size(), 1u);
    EXPECT_EQ(ui.messageBoxes[0].owner, nullptr);
    EXPECT_EQ(ui.messageBoxes[0].caption, "Configuration Error");
    EXPECT_EQ(ui.messageBoxes[0].text,
              "The Tolvane client is not installed or configured properly \n Do You want to Get the Client Software ?");
    EXPECT_EQ(ui.messageBoxes[0].style, static_cast<UINT>(MB_YESNO));
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

    EXPECT_EQ(Dispatch(), 1);

    ASSERT_EQ(ui.fileDialogs.size(), 1u);
    EXPECT_TRUE(ui.fileDialogs[0].save);
    EXPECT_EQ(ui.fileDialogs[0].request.hwndOwner, window);
    EXPECT_EQ(SubmissionLines(OnlySubmission()),
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

    EXPECT_EQ(Dispatch(), 1);

    EXPECT_TRUE(ui.fileDialogs.empty()) << "a RICH package asks for no target";
    auto lines = SubmissionLines(OnlySubmission());
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

    EXPECT_EQ(Dispatch(), 0);

    EXPECT_EQ(browser.statusTexts.back(), "Tolvane Save request cancelled");
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
    moduleState.settings["ClientOwnSetting"] = "kept";

    EXPECT_EQ(Dispatch(), 1);

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
    EXPECT_EQ(Dispatch(), 1);
    DeleteFileA(requestFile.c_str());

    EXPECT_TRUE(ui.fileDialogs.empty());
    EXPECT_TRUE(ui.messageBoxes.empty()) << "a request file without FILE asks nothing";
    auto lines = SubmissionLines(OnlySubmission());
    EXPECT_EQ(lines.count("NAME=\"pkg.bin\""), 1u);
    EXPECT_EQ(lines.count("SERVERNAME=\"srv2\""), 1u);
    EXPECT_EQ(lines.count("UPLOAD=\"TRUE\""), 0u);
    EXPECT_EQ(browser.statusTexts.back(), "Document : Done");
}

// Gecko deletes its copy of the stream right after NPP_DestroyStream; the click comes later.
TEST_F(DispatchTest, AStreamedRequestFileDeletedAfterTheStreamStillSubmitsAndIsReportedByItsName)
{
    InstallClient();
    auto streamThenDelete = [&](NPP_t& instance, const std::string& path, const std::string& bytes) {
        char mime[] = "application/x-vnxclient", name[] = "src", value[] = "request.vnxclient";
        char* names[] = {name};
        char* values[] = {value};
        EXPECT_EQ(NPP_New(mime, &instance, NP_EMBED, 1, names, values, nullptr), NPERR_NO_ERROR);
        WriteWholeFile(path, bytes);
        NPStream stream{};
        NPP_StreamAsFile(&instance, &stream, path.c_str());
        EXPECT_TRUE(DeleteFileA(path.c_str()));
        auto* streamed = static_cast<InstanceData*>(instance.pdata);
        streamed->window = &npWindow;
        return streamed;
    };

    NPP_t good{};
    const std::string goodPath = requestDir.path() + "-good.vnxclient";
    InstanceData* goodRecord = streamThenDelete(good, goodPath, "vnxclient: NAME=\"pkg.bin\" SERVERNAME=srv2 TYPE=RICH\n");
    EXPECT_EQ(Dispatch(*goodRecord), 1);
    EXPECT_TRUE(ui.messageBoxes.empty());
    auto lines = SubmissionLines(OnlySubmission());
    EXPECT_EQ(lines.count("NAME=\"pkg.bin\""), 1u);
    EXPECT_EQ(lines.count("SERVERNAME=\"srv2\""), 1u);
    EXPECT_EQ(browser.statusTexts.back(), "Document : Done");

    NPP_t bad{};
    const std::string badPath = requestDir.path() + "-bad.vnxclient";
    InstanceData* badRecord = streamThenDelete(bad, badPath, "vnxclient: NAME=x\n");
    EXPECT_EQ(Dispatch(*badRecord), 0);
    ASSERT_EQ(ui.messageBoxes.size(), 2u);
    EXPECT_EQ(ui.messageBoxes[0].text,
              "The request file appears to have bad request information. \n\t\tSorry! \nFile submitted: " +
                  badPath + " \nRequest data: NAME=x");

    EXPECT_EQ(NPP_Destroy(&good, nullptr), NPERR_NO_ERROR);
    EXPECT_EQ(NPP_Destroy(&bad, nullptr), NPERR_NO_ERROR);
}

TEST_F(DispatchTest, SrcWithoutAStreamIsAFormatErrorToldBeforeTheBox)
{
    InstallClient();
    record.page.hasSrc = true;
    size_t statusCountAtBox = 0;
    ui.whileShown = [&] { statusCountAtBox = browser.statusTexts.size(); };

    EXPECT_EQ(Dispatch(), 0);

    ASSERT_EQ(ui.messageBoxes.size(), 1u);
    EXPECT_EQ(ui.messageBoxes[0].text, "Tolvane save request failed");
    EXPECT_EQ(ui.messageBoxes[0].caption, "Error");
    EXPECT_EQ(ui.messageBoxes[0].style, static_cast<UINT>(MB_OK));
    EXPECT_EQ(ui.messageBoxes[0].owner, nullptr);
    EXPECT_EQ(browser.statusTexts, std::vector<std::string>{"Tolvane save request failed : Format Exception"});
    EXPECT_EQ(statusCountAtBox, 1u) << "the status text is set before the box opens";
    EXPECT_EQ(ReadUserRegistryText(kSignalKey, "Value"), "<absent>");
}

TEST_F(DispatchTest, BadAttributesShowTheFlowsBoxThenTheFormatError)
{
    InstallClient();
    record.page.name = "x";  // one character: not a usable NAME
    record.page.serverName = "srv1";

    EXPECT_EQ(Dispatch(), 0);

    ASSERT_EQ(ui.messageBoxes.size(), 2u);
    EXPECT_EQ(ui.messageBoxes[0].caption, "Tolvane Message ");
    EXPECT_EQ(ui.messageBoxes[1].caption, "Error");
    EXPECT_EQ(browser.statusTexts.back(), "Tolvane save request failed : Format Exception");
    EXPECT_TRUE(FileNamesIn(requestDir.path(), "*").empty());
}

TEST_F(DispatchTest, UnwritableRequestDirectoryIsAFileErrorWithNothingSignalled)
{
    WriteProductValue("LoadRequestDir", requestDir / "missing");
    WriteProductValue("LoadDeliveryDir", "C:\\old");
    record.page.name = "a.bin";
    record.page.serverName = "srv1";
    record.page.contentType = "RICH";

    EXPECT_EQ(Dispatch(), 0);

    EXPECT_EQ(browser.statusTexts.back(), "Tolvane save request failed : File Exception");
    ASSERT_EQ(ui.messageBoxes.size(), 1u);
    EXPECT_EQ(ui.messageBoxes[0].caption, "Error");
    EXPECT_EQ(ReadUserRegistryText(kSignalKey, "Value"), "<absent>");
}

TEST_F(DispatchTest, UploadPageSubmitsTheNamedFileWithItsRecipients)
{
    InstallClient("C:\\unchanged");
    std::string package = requestDir.path() + "-upload.txt";
    WriteWholeFile(package, "payload");
    record.page.isUpload = true;
    record.page.file = package;
    record.page.recipients = "ann:bob";
    record.page.serverName = "srv1";
    record.page.size = "7";
    ui.confirmationAnswers = {true};

    EXPECT_EQ(Dispatch(), 1);
    DeleteFileA(package.c_str());

    EXPECT_TRUE(ui.fileDialogs.empty()) << "the page named the file";
    EXPECT_TRUE(ui.messageBoxes.empty());
    ASSERT_EQ(ui.confirmations.size(), 1u) << "only the confirmation";
    EXPECT_TRUE(ConfirmsFile(ui.confirmations[0], package, "ann:bob", "srv1", "609", "8009"));
    EXPECT_EQ(window, ui.confirmations[0].owner);
    auto lines = SubmissionLines(OnlySubmission());
    EXPECT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines.count("UPLOAD=\"TRUE\""), 1u);
    EXPECT_EQ(lines.count("RECIPIENTS=\"ann:bob\""), 1u);
    EXPECT_EQ(lines.count("FILE=\"" + package + "\""), 1u);
    EXPECT_EQ(lines.count("SIZE=\"7\""), 0u);
    EXPECT_EQ(ReadUserRegistryText(kSignalKey, "Value"), "1");
    EXPECT_EQ(ReadUserRegistryText(kTestProductKey, "LoadDeliveryDir"), "C:\\unchanged");
    EXPECT_EQ(browser.statusTexts.back(), "Document : Done");
}

TEST_F(DispatchTest, UploadPageWhoseFileIsNotConfirmedIsCancelledWithNothingSignalled)
{
    InstallClient("C:\\unchanged");
    std::string package = requestDir.path() + "-upload.txt";
    WriteWholeFile(package, "payload");
    record.page.isUpload = true;
    record.page.file = package;
    record.page.recipients = "ann:bob";
    record.page.serverName = "srv1";
    ui.confirmationAnswers = {false};
    EXPECT_EQ(Dispatch(), 0);
    ASSERT_EQ(ui.confirmations.size(), 1u);
    EXPECT_TRUE(ui.messageBoxes.empty());
    EXPECT_EQ(browser.statusTexts.back(), "Tolvane Save request cancelled");
    DeleteFileA(package.c_str());

    EXPECT_TRUE(FileNamesIn(requestDir.path(), "*").empty());
    EXPECT_EQ(ReadUserRegistryText(kSignalKey, "Value"), "<absent>");
    EXPECT_EQ(ReadUserRegistryText(kTestProductKey, "LoadDeliveryDir"), "C:\\unchanged");
}

TEST_F(DispatchTest, UploadPageWithoutFileAsksForItInTheOpenDialog)
{
    InstallClient();
    record.page.isUpload = true;
    record.page.recipients = "ann";
    record.page.serverName = "srv1";
    ui.fileDialogAnswers = {std::nullopt};

    EXPECT_EQ(Dispatch(), 0);

    ASSERT_EQ(ui.fileDialogs.size(), 1u);
    EXPECT_FALSE(ui.fileDialogs[0].save);
    EXPECT_EQ(browser.statusTexts.back(), "Tolvane Save request cancelled");
}

TEST_F(DispatchTest, ASettingsStoreThatFailsAfterSubmissionStillEndsAsSubmitted)
{
    InstallClient();
    record.page.name = "a.bin";
    record.page.serverName = "srv1";
    record.page.contentType = "RICH";
    // The registry takes no value name this long, so the save after the request fails.
    moduleState.settings[std::string(20000, 'A')] = "x";

    EXPECT_EQ(Dispatch(), 1);

    EXPECT_EQ(SubmissionLines(OnlySubmission()).count("NAME=\"a.bin\""), 1u);
    EXPECT_EQ(ReadUserRegistryText(kSignalKey, "Value"), "1");
    ASSERT_EQ(ui.messageBoxes.size(), 1u);
    EXPECT_EQ(ui.messageBoxes[0].text,
              "The request was submitted, but the Tolvane settings could not be saved.");
    EXPECT_EQ(ui.messageBoxes[0].caption, "Error");
    EXPECT_EQ(browser.statusTexts.back(), "Document : Done");
}


}  // namespace
