// A click through the bridge, from the click to the replies, over the request path with the dialogs
// scripted, the real registry and real files; beside the click of the same page as the plug-in's
// button makes it, where the two must agree.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "../BridgeFrames.h"
#include "bridge/RunBridgeClick.h"
#include "support/Expectations.h"
#include "support/RequestRig.h"
#include "support/TestFiles.h"
#include "support/TestRegistry.h"

namespace {

using Attributes = std::vector<std::pair<std::string, std::string>>;

const std::string kDone = R"({"type":"status","text":"Document : Done"})";
const std::string kSubmitted = R"({"type":"done","result":"submitted"})";
const std::string kCancelled = R"({"type":"done","result":"cancelled"})";
const std::string kFailed = R"({"type":"done","result":"failed"})";
const std::string kRequestFileUrl = "http://127.0.0.1:8080/q.vnxclient";

std::string Status(const std::string& text) { return R"({"type":"status","text":")" + text + "\"}"; }

const Attributes kRichPage = {{"type", "application/x-vnxclient"}, {"name", "pkg.zip"}, {"servername", "srv1"},
                              {"port", "609"}, {"contenttype", "RICH"}, {"size", "1234"}};

class BridgeClickRun : public DispatchRig {
protected:
    // RunBridgeClick; the replies, unframed.
    std::vector<std::string> Click(const BridgeClick& click, HWND browserWindow = nullptr)
    {
        std::string output;
        BridgeReplies replies(WriterInto(output));
        EXPECT_EQ(0, RunBridgeClick(click, browserWindow, replies));
        return Unframed(output);
    }

    // The submission files written since the last call, each file's bytes; the files go.
    std::vector<std::string> TakeSubmissions()
    {
        std::vector<std::string> submissions;
        for (const std::string& name : FileNamesIn(requestDir.path())) {
            submissions.push_back(ReadWholeFile(requestDir / name));
            DeleteFileA((requestDir / name).c_str());
        }
        return submissions;
    }
};

BridgeClick RequestFileClick(const std::string& bytes)
{
    return BridgeClick{{{"src", "q.vnxclient"}}, {BridgeRequestFile::Kind::bytes, kRequestFileUrl, bytes, ""}};
}

// The confirmation of a package request, with these values as shown.
void ExpectPackageConfirmation(const ConfirmationCall& call, const std::string& name, const std::string& server,
                               const std::string& port, const std::string& httpPort)
{
    EXPECT_EQ("Tolvane Message ", call.caption);
    EXPECT_EQ("This page asks to deliver a package to you", call.opening);
    EXPECT_EQ((std::vector<std::pair<std::string, std::string>>{
                  {"Package:", name}, {"Server:", server}, {"Port:", port}, {"HTTP port:", httpPort}}),
              call.fields);
    EXPECT_EQ("Do you want to receive it?", call.question);
}

}  // namespace

TEST_F(BridgeClickRun, ARichPageIsConfirmedFirstAndYesSubmitsWhatThePlugInWould)
{
    InstallClient();
    std::vector<const char*> names;
    std::vector<const char*> values;
    for (const auto& [name, value] : kRichPage) {
        names.push_back(name.c_str());
        values.push_back(value.c_str());
    }
    record.page = RequestFromAttributes(names.size(), names.data(), values.data());
    EXPECT_EQ(RequestOutcome::submitted, Dispatch());
    EXPECT_TRUE(ui.confirmations.empty()) << "the plug-in's own button asks nothing";
    const std::vector<std::string> byThePlugIn = TakeSubmissions();
    ASSERT_EQ(1u, byThePlugIn.size());

    ui.confirmationAnswers = {true};
    EXPECT_EQ((std::vector<std::string>{kDone, kSubmitted}), Click(BridgeClick{kRichPage, {}}));
    ASSERT_EQ(1u, ui.confirmations.size());
    ExpectPackageConfirmation(ui.confirmations[0], "pkg.zip", "srv1", "609", "(none given)");
    EXPECT_EQ(byThePlugIn, TakeSubmissions());
    EXPECT_EQ("2", ReadUserRegistryText(kSignalKey, "Value"));
    EXPECT_TRUE(ui.messageBoxes.empty());
    EXPECT_TRUE(ui.fileDialogs.empty());
}

TEST_F(BridgeClickRun, ARichRequestFileIsConfirmedWithItsServerAndPorts)
{
    InstallClient();
    ui.confirmationAnswers = {true};
    EXPECT_EQ((std::vector<std::string>{kDone, kSubmitted}),
              Click(RequestFileClick("vnxclient: NAME=\"pkg.bin\" SERVERNAME=srv2 SERVERPORT=700 "
                                     "HTTPSERVERPORT=8100 TYPE=RICH\r\n")));
    ASSERT_EQ(1u, ui.confirmations.size());
    ExpectPackageConfirmation(ui.confirmations[0], "pkg.bin", "srv2", "700", "8100");
    EXPECT_EQ(1u, TakeSubmissions().size());
}

// The confirmation comes first and once: before the Save-As dialog of a PLAIN page (whose OK a key
// held since the click would press), and as the one question about a file a request file names.
TEST_F(BridgeClickRun, EveryRequestIsConfirmedOnceBeforeAnyOtherDialog)
{
    InstallClient();
    ui.confirmationAnswers = {true};
    ui.fileDialogAnswers = {std::string("C:\\dl\\report.zip")};
    EXPECT_EQ((std::vector<std::string>{kDone, kSubmitted}),
              Click(BridgeClick{{{"name", "report.zip"}, {"servername", "srv1"}}, {}}));
    EXPECT_EQ(1u, ui.fileDialogs.size()) << "a PLAIN page: Save-As";
    EXPECT_EQ(1u, ui.confirmations.size()) << "before it";

    ui.confirmations.clear();
    ui.confirmationAnswers = {true};
    EXPECT_EQ((std::vector<std::string>{kDone, kSubmitted}),
              Click(RequestFileClick(
                  "vnxclient: NAME=pkg.bin SERVERNAME=srv2 TYPE=RICH FILE=\"C:\\data\\up.txt\" RECIPIENTS=bob\n")));
    ASSERT_EQ(1u, ui.confirmations.size()) << "a request file naming a file";
    EXPECT_TRUE(
        ConfirmsFile(ui.confirmations[0], "C:\\data\\up.txt", "bob", "srv2", "(none given)", "(none given)"));
    EXPECT_EQ(2u, TakeSubmissions().size());
    EXPECT_TRUE(ui.messageBoxes.empty());
}

TEST_F(BridgeClickRun, AValueThatDoesNotFitTheCodePageIsTheBadRequestOfThePlugIn)
{
    InstallClient();
    // U+FF3C, FULLWIDTH REVERSE SOLIDUS: a best fit would make it a backslash.
    EXPECT_EQ((std::vector<std::string>{Status("Tolvane save request failed : Format Exception"), kFailed}),
              Click(BridgeClick{{{"name", "..\xEF\xBC\xBCpkg.zip"}, {"servername", "srv1"}, {"contenttype", "RICH"}},
                                {}}));
    ASSERT_EQ(2u, ui.messageBoxes.size());
    EXPECT_EQ("The page's value of name cannot be shown as it is: it holds a character that this computer's code "
              "page cannot show.",
              ui.messageBoxes[0].text);
    EXPECT_EQ("Tolvane Message ", ui.messageBoxes[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND | MB_TOPMOST),
              ui.messageBoxes[0].style);
    EXPECT_EQ("Tolvane save request failed", ui.messageBoxes[1].text);
    EXPECT_EQ("Error", ui.messageBoxes[1].caption);
    EXPECT_TRUE(ui.confirmations.empty());
    EXPECT_TRUE(TakeSubmissions().empty());
}

// The configuration check is the dispatch's own: one box, and the user's Yes becomes an openUrl
// reply with the page's safe download address.
TEST_F(BridgeClickRun, WithoutTheClientOneBoxOffersItAndYesOpensTheDownloadPage)
{
    ui.messageBoxAnswers = {IDYES};
    EXPECT_EQ((std::vector<std::string>{Status("The Tolvane client is not installed or configured properly ..."),
                                        R"({"type":"openUrl","url":"https://www.example.com/get"})",
                                        Status("Document: Done"), kFailed}),
              Click(BridgeClick{{{"downloadurl", "https://www.example.com/get"}, {"name", "pkg.zip"}}, {}}));
    ASSERT_EQ(1u, ui.messageBoxes.size());
    EXPECT_EQ("Configuration Error", ui.messageBoxes[0].caption);
}

// Anything but Yes (No, Escape, the close box) cancels.
TEST_F(BridgeClickRun, NoCancelsInADialogOfTheBrowsersWindowOrElseOfAWindowOfTheHostsOwn)
{
    InstallClient();
    ui.confirmationAnswers = {false, false};
    const std::vector<std::string> cancelled = {Status("Tolvane Save request cancelled"), kCancelled};
    EXPECT_EQ(cancelled, Click(BridgeClick{kRichPage, {}}, window));
    EXPECT_EQ(cancelled, Click(BridgeClick{kRichPage, {}}));
    ASSERT_EQ(2u, ui.confirmations.size());
    EXPECT_EQ(window, ui.confirmations[0].owner);
    const HWND own = ui.confirmations[1].owner;
    EXPECT_TRUE(own != nullptr && own != window);
    EXPECT_FALSE(IsWindow(own)) << "the host's own window goes with the click";
    EXPECT_TRUE(TakeSubmissions().empty());
    EXPECT_EQ("<absent>", ReadUserRegistryText(kSignalKey, "Value"));
}

// The bridge applies the site policy to what the browser attests: a frame of another site is refused
// at the click, the extension told by the status and the click's end, unless AllowFramedSites lists it.
TEST_F(BridgeClickRun, AFrameOfAnotherSiteAsksOnlyWhereAllowFramedSitesListsIt)
{
    const NoSitePolicy noPolicy;
    InstallClient();
    const BridgeClick framed{kRichPage, {}, {"https://ads.example", "https://news.example", SenderFrame::crossSite}};
    EXPECT_EQ((std::vector<std::string>{Status("Tolvane delivery is not allowed in a frame of another site."), kFailed}),
              Click(framed));
    EXPECT_TRUE(ui.confirmations.empty());
    EXPECT_TRUE(TakeSubmissions().empty());

    ASSERT_EQ(ERROR_SUCCESS, WriteSitePolicyList(HKEY_LOCAL_MACHINE, "AllowFramedSites", {"https://ads.example"}));
    ui.confirmationAnswers = {true};
    EXPECT_EQ((std::vector<std::string>{kDone, kSubmitted}), Click(framed));
    EXPECT_EQ(1u, ui.confirmations.size());
    EXPECT_EQ(1u, TakeSubmissions().size());
}
