// What a page can make happen with one click, and where the user is asked: the statements of
// docs/security.md that a test can check.
#include "hostile/HostileSupport.h"
#include "support/Expectations.h"

namespace {

class PageTrust : public PluginHost {
protected:
    void ClickPage(std::initializer_list<std::pair<Attributes::Text, Attributes::Text>> list)
    {
        Attributes attributes(list);
        ASSERT_EQ(NPERR_NO_ERROR, New(attributes));
        ShowInWindow();
        Click();
    }
};

TEST_F(PageTrust, ARichDownloadPageIsSubmittedWithoutAnyDialog)
{
    InstallClient();
    ClickPage({{"name", "pkg.bin"}, {"servername", "any.server.example"}, {"port", "1"},
               {"contenttype", "RICH"}, {"caption", "Play the video"}});

    EXPECT_EQ("Play the video", [&] {
        char text[64] = "";
        GetWindowTextA(Record()->button, text, sizeof text);
        return std::string(text);
    }()) << "the page writes the button's words";
    EXPECT_TRUE(ui.fileDialogs.empty());
    EXPECT_TRUE(ui.messageBoxes.empty());
    EXPECT_EQ(kDone, LastStatus());
    EXPECT_EQ((std::multiset<std::string>{"NAME=\"pkg.bin\"", "SERVERNAME=\"any.server.example\"",
                                          "SERVERPORT=\"1\"", "TYPE=\"RICH\"", "DestBaseName=\"pkg.bin\"",
                                          "DestInitialDir=\"C:\\old\\\""}),
              Lines(OnlySubmission()));
}

const char* const kSecretUploadRequest =
    "vnxclient: NAME=\"secret.txt\" SERVERNAME=collector.example TYPE=RICH UPLOAD=TRUE "
    "FILE=\"C:\\Users\\me\\secret.txt\" RECIPIENTS=\"mallory:eve\" CHECKSUM=0 SERVERPORT=2 "
    "HTTPSERVERPORT=3 SIZE=4 DEBUG_APPROVED=YES TargetPath=\"C:\\Windows\\x.exe\" Anything.else=x\n";

TEST_F(PageTrust, ARichRequestFileWithoutALocalFileReachesTheClientWithoutADialog)
{
    InstallClient();
    ClickRequestFile("vnxclient: NAME=pkg.bin SERVERNAME=srv1 TYPE=RICH UPLOAD=TRUE RECIPIENTS=mallory "
                     "FILE=\"\" Anything.else=x\n");

    EXPECT_TRUE(ui.fileDialogs.empty());
    EXPECT_TRUE(ui.messageBoxes.empty());
    EXPECT_EQ(kDone, LastStatus());
    EXPECT_EQ((std::multiset<std::string>{"NAME=\"pkg.bin\"", "SERVERNAME=\"srv1\"", "TYPE=\"RICH\"",
                                          "UPLOAD=\"TRUE\"", "RECIPIENTS=\"mallory\"", "Anything.else=\"x\"",
                                          "DestBaseName=\"pkg.bin\"", "DestInitialDir=\"C:\\old\\\""}),
              Lines(OnlySubmission()))
        << "an empty FILE names nothing, and the submission file leaves empty values out";
}

TEST_F(PageTrust, ARichRequestFileNamingALocalFileIsSentOnlyAfterYes)
{
    // An upload request of the user's file, written by the page: nothing is handed over unless
    // the user, shown the file and its recipients, answers Yes (No is the default button).
    InstallClient();
    ui.confirmationAnswers = {false};
    ClickRequestFile(kSecretUploadRequest);

    EXPECT_TRUE(ui.messageBoxes.empty());
    ASSERT_EQ(1u, ui.confirmations.size());
    EXPECT_EQ(window, ui.confirmations[0].owner);
    EXPECT_TRUE(ConfirmsFile(ui.confirmations[0], "C:\\Users\\me\\secret.txt", "mallory:eve",
                             "collector.example", "2", "3"));
    EXPECT_TRUE(ui.fileDialogs.empty());
    EXPECT_EQ(kCancelled, LastStatus());
    EXPECT_TRUE(Submissions().empty());
    EXPECT_EQ("<absent>", ReadUserRegistryText(kSignalKey, "Value"));
}

TEST_F(PageTrust, EveryKeyOfARichRequestFileReachesTheClientOnceItsFileIsConfirmed)
{
    // Confirmed, the request is passed on as it is, and only the client can refuse it.
    InstallClient();
    ui.confirmationAnswers = {true};
    ClickRequestFile(kSecretUploadRequest);

    EXPECT_TRUE(ui.fileDialogs.empty());
    EXPECT_TRUE(ui.messageBoxes.empty());
    ASSERT_EQ(1u, ui.confirmations.size()) << "only the confirmation";
    EXPECT_EQ(kDone, LastStatus());
    EXPECT_EQ((std::multiset<std::string>{
                  "NAME=\"secret.txt\"", "SERVERNAME=\"collector.example\"", "TYPE=\"RICH\"", "UPLOAD=\"TRUE\"",
                  "FILE=\"C:\\Users\\me\\secret.txt\"", "RECIPIENTS=\"mallory:eve\"", "CHECKSUM=\"0\"",
                  "SERVERPORT=\"2\"", "HTTPSERVERPORT=\"3\"", "SIZE=\"4\"", "DEBUG_APPROVED=\"YES\"",
                  "Anything.else=\"x\"", "DestBaseName=\"secret.txt\"", "DestInitialDir=\"C:\\old\\\""}),
              Lines(OnlySubmission()))
        << "everything but the page's TargetPath";
}

TEST_F(PageTrust, ARequestFilesDebugApprovalNeverSkipsTheDialog)
{
    InstallClient("C:\\before");
    ui.fileDialogAnswers = {std::nullopt};
    ClickRequestFile("vnxclient: NAME=pkg.bin SERVERNAME=srv1 TYPE=PLAIN DEBUG_APPROVED=YES "
                     "TargetPath=C:\\Windows\\x.exe\n");
    ASSERT_EQ(1u, ui.fileDialogs.size());
    EXPECT_EQ(kCancelled, LastStatus());
    EXPECT_TRUE(Submissions().empty());

    table.destroy(&npp, nullptr);
    DestroyWindow(window);
    window = nullptr;
    ui.fileDialogAnswers = {std::string("C:\\mine\\pkg.bin")};
    ClickRequestFile("vnxclient: NAME=pkg.bin SERVERNAME=srv1 TYPE=PLAIN DEBUG_APPROVED=YES "
                     "TargetPath=C:\\Windows\\x.exe\n");
    EXPECT_EQ(kDone, LastStatus());
    const auto lines = Lines(OnlySubmission());
    EXPECT_EQ(1u, lines.count("TargetPath=\"C:\\mine\\pkg.bin\""));
    EXPECT_EQ(0u, lines.count("TargetPath=\"C:\\Windows\\x.exe\""));
    EXPECT_EQ("C:\\mine", ReadUserRegistryText(kTestProductKey, "LoadDeliveryDir"));
}

TEST_F(PageTrust, AttributesCannotApproveOrTargetADownload)
{
    InstallClient();
    ui.fileDialogAnswers = {std::nullopt};
    ClickPage({{"name", "pkg.bin"}, {"servername", "srv1"}, {"DEBUG_APPROVED", "YES"},
               {"TargetPath", "C:\\Windows\\x.exe"}, {"upload", "false"}, {"file", "C:\\secret.txt"},
               {"RECIPIENTS", "mallory"}});
    EXPECT_EQ(1u, ui.fileDialogs.size());
    EXPECT_EQ(kCancelled, LastStatus());
    EXPECT_TRUE(Submissions().empty());
}

TEST_F(PageTrust, APlainRequestFileNamingALocalFileAsksBeforeTheSaveAsDialog)
{
    InstallClient();
    ui.confirmationAnswers = {false};
    ClickRequestFile("vnxclient: NAME=pkg.bin SERVERNAME=srv1 FILE=C:\\secret.txt\n");
    ASSERT_EQ(1u, ui.confirmations.size());
    EXPECT_TRUE(ConfirmsFile(ui.confirmations[0], "C:\\secret.txt", "", "srv1", "(none given)", "(none given)"))
        << "no RECIPIENTS: the confirmation says so";
    EXPECT_TRUE(ui.fileDialogs.empty()) << "No ends the click before the Save-As dialog";
    EXPECT_EQ(kCancelled, LastStatus());

    table.destroy(&npp, nullptr);
    DestroyWindow(window);
    window = nullptr;
    ui.confirmations.clear();
    ui.confirmationAnswers = {true};
    ui.fileDialogAnswers = {std::string("C:\\mine\\pkg.bin")};
    ClickRequestFile("vnxclient: NAME=pkg.bin SERVERNAME=srv1 FILE=C:\\secret.txt\n");
    EXPECT_EQ(1u, ui.confirmations.size());
    ASSERT_EQ(1u, ui.fileDialogs.size());
    EXPECT_TRUE(ui.fileDialogs[0].save);
    EXPECT_EQ(kDone, LastStatus());
    const auto lines = Lines(OnlySubmission());
    EXPECT_EQ(1u, lines.count("FILE=\"C:\\secret.txt\""));
    EXPECT_EQ(1u, lines.count("TargetPath=\"C:\\mine\\pkg.bin\""));
}

TEST_F(PageTrust, AnUploadPageNamingAFileSubmitsItOnlyAfterYes)
{
    InstallClient();
    const std::string secret = requestDir.path() + "-secret.txt";
    WriteWholeFile(secret, "the user's data");
    ui.confirmationAnswers = {false};
    ClickPage({{"upload", "true"}, {"file", secret}, {"RECIPIENTS", "mallory"},
               {"servername", "collector.example"}, {"contenttype", "RICH"}});
    ASSERT_EQ(1u, ui.confirmations.size());
    EXPECT_TRUE(ConfirmsFile(ui.confirmations[0], secret, "mallory", "collector.example", "609", "8009"));
    EXPECT_EQ(kCancelled, LastStatus());
    EXPECT_TRUE(Submissions().empty());
    EXPECT_EQ("<absent>", ReadUserRegistryText(kSignalKey, "Value"));

    table.destroy(&npp, nullptr);
    DestroyWindow(window);
    window = nullptr;
    ui.confirmations.clear();
    ui.confirmationAnswers = {true};
    ClickPage({{"upload", "true"}, {"file", secret}, {"RECIPIENTS", "mallory"},
               {"servername", "collector.example"}, {"contenttype", "RICH"}});
    DeleteFileA(secret.c_str());

    EXPECT_TRUE(ui.fileDialogs.empty());
    EXPECT_TRUE(ui.messageBoxes.empty());
    EXPECT_EQ(1u, ui.confirmations.size()) << "only the confirmation";
    EXPECT_EQ(kDone, LastStatus());
    EXPECT_EQ((std::multiset<std::string>{"NAME=\"" + secret.substr(secret.rfind('\\') + 1) + "\"",
                                          "CHECKSUM=\"0\"", "RECIPIENTS=\"mallory\"",
                                          "SERVERNAME=\"collector.example\"", "SERVERPORT=\"609\"",
                                          "HTTPSERVERPORT=\"8009\"", "TYPE=\"RICH\"", "UPLOAD=\"TRUE\"",
                                          "FILE=\"" + secret + "\""}),
              Lines(OnlySubmission()));
}

TEST_F(PageTrust, AnUploadPageWithoutAFileLetsTheUserChoose)
{
    InstallClient();
    ui.fileDialogAnswers = {std::nullopt};
    ClickPage({{"upload", "TRUE"}, {"RECIPIENTS", "mallory"}, {"servername", "srv1"}});
    ASSERT_EQ(1u, ui.fileDialogs.size());
    EXPECT_FALSE(ui.fileDialogs[0].save);
    EXPECT_EQ(kCancelled, LastStatus());
    EXPECT_TRUE(Submissions().empty());
}

TEST_F(PageTrust, APlainDownloadAsksWhereToSave)
{
    InstallClient();
    ui.fileDialogAnswers = {std::nullopt};
    ClickPage({{"name", "C:\\Windows\\system32\\x.dll"}, {"servername", "srv1"}});
    ASSERT_EQ(1u, ui.fileDialogs.size());
    EXPECT_TRUE(ui.fileDialogs[0].save);
    EXPECT_EQ("x.dll", ui.fileDialogs[0].initialFile) << "only the last part of NAME is proposed";
    EXPECT_EQ(kCancelled, LastStatus());
}

TEST_F(PageTrust, WithoutTheClientThePagesAddressIsOfferedOnlyAfterYes)
{
    ui.messageBoxAnswers = {IDNO};
    ClickPage({{"downloadurl", "http://elsewhere.example/"}, {"name", "pkg.bin"}});
    ASSERT_EQ(1u, ui.messageBoxes.size());
    EXPECT_EQ("Configuration Error", ui.messageBoxes[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO), ui.messageBoxes[0].style);
    EXPECT_EQ("Document: Done", LastStatus());
}

}  // namespace
