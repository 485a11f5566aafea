#include <gtest/gtest.h>

#include <string>

#include "BridgeFrames.h"
#include "bridge/BridgeClick.h"

namespace {

using Kind = BridgeRequestFile::Kind;

BridgeClick Parsed(const std::string& message)
{
    BridgeClick click;
    std::string error;
    EXPECT_TRUE(ParseClickMessage(message, click, error)) << message << ": " << error;
    return click;
}

std::string ManyAttributes(std::size_t count)
{
    std::string list;
    for (std::size_t i = 0; i < count; ++i) list += std::string(i ? "," : "") + "[\"n\",\"v\"]";
    return R"({"type":"click","attributes":[)" + list + "]," + kTopSender + "}";
}

}  // namespace

TEST(ParseClickMessage, ReadsTheAttributesInOrderEachKindOfRequestFileAndTheSender)
{
    BridgeClick click = Parsed(R"({"attributes":[["type","application/x-vnxclient"],["NAME"," a\u00e9 "],["x",""]],
        "extra":{"ignored":[1]},"type":"click","requestFile":{"url":"http://h/q.vnxclient","bytes":"dm54Og==","more":0},
        "sender":{"frame":"sameSite","topOrigin":"https://news.example","origin":"https://ads.news.example:8443","more":0}})");
    EXPECT_EQ((decltype(click.attributes){{"type", "application/x-vnxclient"}, {"NAME", " a\xC3\xA9 "}, {"x", ""}}), click.attributes);
    EXPECT_EQ(Kind::bytes, click.requestFile.kind);
    EXPECT_EQ("http://h/q.vnxclient", click.requestFile.url);
    EXPECT_EQ("vnx:", click.requestFile.bytes);
    EXPECT_EQ("https://ads.news.example:8443", click.sender.origin);
    EXPECT_EQ("https://news.example", click.sender.topOrigin);
    EXPECT_EQ(SenderFrame::sameSite, click.sender.frame);

    click = Parsed(R"({"type":"click","attributes":[],"sender":{"origin":"file://","topOrigin":"file://","frame":"top"}})");
    EXPECT_EQ(Kind::none, click.requestFile.kind);
    EXPECT_EQ(SenderFrame::top, click.sender.frame);
    click = Parsed(R"({"type":"click","attributes":[],"sender":{"origin":"http://a","topOrigin":"https://b","frame":"crossSite"}})");
    EXPECT_EQ(SenderFrame::crossSite, click.sender.frame) << "refused later, by the frame policy";
    click = Parsed(R"({"type":"click","attributes":[],"requestFile":{"url":"u","tooLarge":true},)" + kTopSender + "}");
    EXPECT_EQ(Kind::tooLarge, click.requestFile.kind);
    click = Parsed(R"({"type":"click","attributes":[],"requestFile":{"url":"u","failed":"HTTP 404"},)" + kTopSender + "}");
    EXPECT_EQ(Kind::failed, click.requestFile.kind);
    EXPECT_EQ("HTTP 404", click.requestFile.failure);

    EXPECT_EQ(kMostClickAttributes, Parsed(ManyAttributes(kMostClickAttributes)).attributes.size());
    // 5,461 whole groups and one padded group: 16,384 bytes.
    const std::string largest = std::string(21844, 'A') + "AA==";
    EXPECT_EQ(kLargestRequestFile,
              Parsed(R"({"type":"click","attributes":[],"requestFile":{"url":"u","bytes":")" + largest + "\"}," + kTopSender + "}")
                  .requestFile.bytes.size());
}

TEST(ParseClickMessage, RefusesAMalformedClickWithItsReason)
{
    const std::string click = R"({"type":"click","attributes":[])";
    const std::string file = click + R"(,"requestFile":{"url":"u",)";
    const std::string sender = click + R"(,"sender":{"origin":"https://news.example",)";
    const struct {
        std::string message;
        std::string error;
    } cases[] = {
        {"{", "message is not valid JSON: member name expected at byte 1"},
        {"[]", "message is not a JSON object"},
        {R"({"attributes":[]})", "\"type\" is missing"},
        {R"({"type":1,"attributes":[]})", "\"type\" is not a string"},
        {R"({"type":"Click","attributes":[]})", "message type \"Click\" is not \"click\""},
        {R"({"type":")" + std::string(70, 'x') + "\"}", "message type \"" + std::string(64, 'x') + "...\" is not \"click\""},
        {R"({"type":"click"})", "\"attributes\" is missing"},
        {ManyAttributes(kMostClickAttributes + 1), "more than 256 attributes"},
        {R"({"type":"click","attributes":[["a","b"],["a"]]})", "attribute 1 is not a [name, value] pair of strings"},
        {R"({"type":"click","attributes":[["a","b","c"]]})", "attribute 0 is not a [name, value] pair of strings"},
        {R"({"type":"click","attributes":[["a","b\u0000"]]})", "attribute 0 holds a NUL character"},
        {R"({"type":"click","attributes":[["a\u0000","b"]]})", "attribute 0 holds a NUL character"},
        {click + R"(,"requestFile":null})", "\"requestFile\" is not an object"},
        {click + R"(,"requestFile":{"bytes":""}})", "\"requestFile.url\" is missing"},
        {click + R"(,"requestFile":{"url":7,"bytes":""}})", "\"requestFile.url\" is not a string"},
        {file + R"("failed":"a\u0000"}})", "\"requestFile.failed\" holds a NUL character"},
        {file + R"("other":1}})", "\"requestFile\" holds none of \"bytes\", \"tooLarge\" and \"failed\""},
        {file + R"("bytes":"","failed":""}})", "\"requestFile\" holds more than one of \"bytes\", \"tooLarge\" and \"failed\""},
        {file + R"("bytes":[]}})", "\"requestFile.bytes\" is not a string"},
        {file + R"("bytes":"Zg"}})", "\"requestFile.bytes\" is not valid base64"},
        {file + R"("bytes":")" + std::string(21848, 'A') + "\"}}", "\"requestFile.bytes\" holds more than 16384 bytes"},
        {file + R"("tooLarge":false}})", "\"requestFile.tooLarge\" is not true"},
        {click + "}", "\"sender\" is missing"},
        {click + R"(,"sender":"https://news.example"})", "\"sender\" is not an object"},
        {click + R"(,"sender":{"topOrigin":"https://news.example","frame":"top"}})", "\"sender.origin\" is missing"},
        {click + R"(,"sender":{"origin":["https://news.example"]}})", "\"sender.origin\" is not a string"},
        {click + R"(,"sender":{"origin":"https://news.example/"}})", "\"sender.origin\" is not a serialized origin"},
        {sender + R"("frame":"top"}})", "\"sender.topOrigin\" is missing"},
        {sender + R"("topOrigin":"null","frame":"top"}})", "\"sender.topOrigin\" is not a serialized origin"},
        {sender + R"("topOrigin":"https://news.example"}})", "\"sender.frame\" is missing"},
        {sender + R"("topOrigin":"https://news.example","frame":0}})", "\"sender.frame\" is not a string"},
        {sender + R"("topOrigin":"https://news.example","frame":"Top"}})",
         "\"sender.frame\" is not \"top\", \"sameSite\" or \"crossSite\""},
        {sender + R"("topOrigin":"https://a.news.example","frame":"top"}})",
         "\"sender.topOrigin\" differs from \"sender.origin\" in the top frame"},
        {sender + R"("topOrigin":"http://news.example","frame":"sameSite"}})",
         "\"sender.origin\" and \"sender.topOrigin\" are of different sites in a same-site frame"},
    };
    for (const auto& row : cases) {
        BridgeClick click;
        click.attributes.emplace_back("stale", "");
        std::string error;
        EXPECT_FALSE(ParseClickMessage(row.message, click, error)) << row.message;
        EXPECT_EQ(row.error, error) << row.message.substr(0, 200);
        EXPECT_TRUE(click.attributes.empty());
    }
}
