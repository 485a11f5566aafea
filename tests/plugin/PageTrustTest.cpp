// What a page can make happen with one click of the plug-in's button, and where the user is asked:
// statements of docs/security.md that need the whole plug-in (the others are checked where they are
// made, in the request path's own cases).
#include "support/Expectations.h"
#include "support/PluginHost.h"

namespace {

using PageTrust = PluginHost;

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

// Confirmed, the request is passed on as it is, and only the client can refuse it. (Not confirmed,
// nothing is: Faults.ALocalFileTheUserDidNotConfirmLeavesNothing.)
TEST_F(PageTrust, EveryKeyOfARichRequestFileReachesTheClientOnceItsFileIsConfirmed)
{
    InstallClient();
    ui.confirmationAnswers = {true};
    ClickRequestFile(kSecretUploadRequest);

    EXPECT_TRUE(ui.fileDialogs.empty());
    EXPECT_TRUE(ui.messageBoxes.empty());
    ASSERT_EQ(1u, ui.confirmations.size()) << "only the confirmation";
    EXPECT_EQ(window, ui.confirmations[0].owner);
    EXPECT_TRUE(ConfirmsFile(ui.confirmations[0], "C:\\Users\\me\\secret.txt", "mallory:eve",
                             "collector.example", "2", "3"));
    EXPECT_EQ(kDone, LastStatus());
    EXPECT_EQ((std::multiset<std::string>{
                  "NAME=\"secret.txt\"", "SERVERNAME=\"collector.example\"", "TYPE=\"RICH\"", "UPLOAD=\"TRUE\"",
                  "FILE=\"C:\\Users\\me\\secret.txt\"", "RECIPIENTS=\"mallory:eve\"", "CHECKSUM=\"0\"",
                  "SERVERPORT=\"2\"", "HTTPSERVERPORT=\"3\"", "SIZE=\"4\"", "DEBUG_APPROVED=\"YES\"",
                  "Anything.else=\"x\"", "DestBaseName=\"secret.txt\"", "DestInitialDir=\"C:\\old\\\""}),
              Lines(OnlySubmission()))
        << "everything but the page's TargetPath";
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

    ui.confirmations.clear();
    ui.confirmationAnswers = {true};
    ui.fileDialogAnswers = {std::string("C:\\mine\\pkg.bin")};
    ClickRequestFile("vnxclient: NAME=pkg.bin SERVERNAME=srv1 FILE=C:\\secret.txt\n");
    EXPECT_EQ(1u, ui.confirmations.size());
    ASSERT_EQ(1u, ui.fileDialogs.size());
    EXPECT_TRUE(AsksForFile(ui.fileDialogs[0], SaveAsDialog(window, "pkg.bin", "C:\\old\\")));
    EXPECT_EQ(kDone, LastStatus());
    const auto lines = Lines(OnlySubmission());
    EXPECT_EQ(1u, lines.count("FILE=\"C:\\secret.txt\""));
    EXPECT_EQ(1u, lines.count("TargetPath=\"C:\\mine\\pkg.bin\""));
}

TEST_F(PageTrust, APlainDownloadAsksWhereToSave)
{
    InstallClient();
    ui.fileDialogAnswers = {std::nullopt};
    ClickPage({{"name", "C:\\Windows\\system32\\x.dll"}, {"servername", "srv1"}});
    ASSERT_EQ(1u, ui.fileDialogs.size());
    EXPECT_TRUE(AsksForFile(ui.fileDialogs[0], SaveAsDialog(window, "x.dll", "C:\\old\\")))
        << "only the last part of NAME is proposed";
    EXPECT_EQ(kCancelled, LastStatus());
}

}  // namespace
