// The click as the plug-in's request code takes it, in code page 1252.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "bridge/ClickRequest.h"

namespace {

using Kind = BridgeRequestFile::Kind;

BridgeClick ClickOf(std::vector<std::pair<std::string, std::string>> attributes, BridgeRequestFile file = {},
                    BridgeSender sender = {})
{
    return BridgeClick{std::move(attributes), std::move(file), std::move(sender)};
}

}  // namespace

TEST(PageRequestFromClick, TakesTheAttributesAsTheBrowserHandedThemToThePlugIn)
{
    const PageRequest page = PageRequestFromClick(
        ClickOf({{"TYPE", "application/x-vnxclient"}, {"Name", "caf\xC3\xA9.zip"}, {"servername", "srv1"},
                 {"name", "\xE2\x82\xAC" "1.zip"}, {"ContentType", "RICH"}, {"file", "C:\\a.txt"},
                 {"src", "q.vnxclient"}, {"UPLOAD", "True"}, {"port", "609"}}),
        1252);
    EXPECT_EQ(page.unrepresentableAttribute, "");
    EXPECT_EQ("\x80" "1.zip", page.name.value_or("<absent>")) << "the last one wins, in code page 1252";
    EXPECT_EQ("srv1", page.serverName.value_or("<absent>"));
    EXPECT_EQ("RICH", page.contentType.value_or("<absent>"));
    EXPECT_EQ("609", page.port.value_or("<absent>"));
    EXPECT_TRUE(page.isUpload);
    EXPECT_TRUE(page.hasSrc);
    EXPECT_FALSE(page.file) << "no file beside a src";
    EXPECT_EQ(kDefaultCaption, page.caption.value_or("<absent>"));
    EXPECT_FALSE(page.requestFile) << "the extension fetched nothing";
}

TEST(PageRequestFromClick, WhoAsksIsTheSendersOriginsAndOnlyACrossSiteFrameIsOne)
{
    for (const SenderFrame frame : {SenderFrame::top, SenderFrame::sameSite, SenderFrame::crossSite}) {
        const PageRequest page = PageRequestFromClick(
            ClickOf({{"name", "pkg.zip"}}, {}, {"https://media.news.example", "https://news.example", frame}), 1252);
        EXPECT_EQ("https://media.news.example", page.origin);
        EXPECT_EQ("https://news.example", page.topOrigin);
        EXPECT_EQ(frame == SenderFrame::crossSite, page.crossSiteFrame) << static_cast<int>(frame);
    }
}

// A check mark has no character in code page 1252. Whether the element has a src must not depend
// on the code page: the click takes the request file's route and is a bad request there, never
// the route of the page's file attribute.
TEST(PageRequestFromClick, AnSrcThatDoesNotConvertStillCountsAndIsABadRequest)
{
    const BridgeRequestFile fetched{Kind::bytes, "http://h/%E2%9C%93.vnxclient", "vnxclient: NAME=a", ""};
    PageRequest page =
        PageRequestFromClick(ClickOf({{"upload", "true"}, {"file", "C:\\a.txt"}, {"SRC", "\xE2\x9C\x93.vnxclient"}}, fetched), 1252);
    EXPECT_TRUE(page.hasSrc);
    EXPECT_FALSE(page.file) << "no file beside a src";
    EXPECT_EQ(page.unrepresentableAttribute, "src");

    page = PageRequestFromClick(ClickOf({{"src", "\xE2\x9C\x93.vnxclient"}, {"name", "\xEF\xBC\xBC"}}), 1252);
    EXPECT_EQ(page.unrepresentableAttribute, "src") << "the first one that does not convert";
    page = PageRequestFromClick(ClickOf({{"src", "\xE2\x9C\x93.vnxclient"}}), 65001);
    EXPECT_TRUE(page.hasSrc);
    EXPECT_EQ(page.unrepresentableAttribute, "") << "a UTF-8 code page holds it";
}

// Each look-alike would become '\', '/', '"' or ':' by a best fit.
TEST(PageRequestFromClick, AValueTheRequestReadsWithALookAlikeIsABadRequest)
{
    for (const char* lookAlike : {"\xEF\xBC\xBC", "\xE2\x88\x95", "\xEF\xBC\x82", "\xEF\xBC\x9A"}) {
        for (const char* name : {"name", "SERVERNAME", "port", "file", "recipients", "downloadurl", "upload"}) {
            const PageRequest page =
                PageRequestFromClick(ClickOf({{name, std::string("a") + lookAlike + "b"}, {"servername", "s1"}}), 1252);
            EXPECT_EQ(page.unrepresentableAttribute, name) << name << " with " << lookAlike;
        }
    }
    // What the request never reads: the caption (the extension shows it), other attributes, and an
    // attribute whose name itself does not convert (it is none of the request's).
    const PageRequest page = PageRequestFromClick(
        ClickOf({{"caption", "Get \xE2\x9C\x93"}, {"title", "\xEF\xBC\xBC"}, {"n\xEF\xBD\x81me", "x"},
                 {"name", "pkg.zip"}}),
        1252);
    EXPECT_EQ(page.unrepresentableAttribute, "");
    EXPECT_EQ("pkg.zip", page.name.value_or("<absent>"));
    EXPECT_EQ(kDefaultCaption, page.caption.value_or("<absent>"));
}

TEST(PageRequestFromClick, TheRequestFileIsKeptUnderItsUrlUnlessTheFetchFailed)
{
    const std::string url = "http://127.0.0.1:8080/q.vnxclient";
    const std::vector<std::pair<std::string, std::string>> src = {{"src", "q.vnxclient"}};

    PageRequest page = PageRequestFromClick(ClickOf(src, {Kind::bytes, url, "vnxclient: NAME=a\xFF", ""}), 1252);
    EXPECT_EQ(url, page.requestFile.value_or("<absent>"));
    ASSERT_TRUE(page.keptRequestFile);
    EXPECT_EQ("vnxclient: NAME=a\xFF", page.keptRequestFile->bytes) << "bytes pass unconverted";
    EXPECT_FALSE(page.keptRequestFile->tooLarge);

    page = PageRequestFromClick(ClickOf(src, {Kind::tooLarge, url, "", ""}), 1252);
    EXPECT_EQ(url, page.requestFile.value_or("<absent>"));
    ASSERT_TRUE(page.keptRequestFile);
    EXPECT_TRUE(page.keptRequestFile->tooLarge);
    EXPECT_EQ("", page.keptRequestFile->bytes);

    page = PageRequestFromClick(ClickOf(src, {Kind::failed, url, "", "HTTP status 404"}), 1252);
    EXPECT_TRUE(page.hasSrc);
    EXPECT_FALSE(page.requestFile) << "as a stream that never arrived";
    EXPECT_FALSE(page.keptRequestFile);
    EXPECT_EQ(page.unrepresentableAttribute, "");

    page = PageRequestFromClick(ClickOf(src, {Kind::bytes, "http://h/\xEF\xBC\xBC.vnxclient", "x", ""}), 1252);
    EXPECT_EQ(page.unrepresentableAttribute, "src") << "the URL is shown in the reports";
}
