#include <gtest/gtest.h>

#include <string>

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
    return R"({"type":"click","attributes":[)" + list + "]}";
}

}  // namespace

TEST(ParseClickMessage, ReadsTheAttributesInOrderAndEachKindOfRequestFile)
{
    BridgeClick click = Parsed(R"({"attributes":[["type","application/x-vnxclient"],["NAME"," a\u00e9 "],["x",""]],
        "extra":{"ignored":[1]},"type":"click","requestFile":{"url":"http://h/q.vnxclient","bytes":"dm54Og==","more":0}})");
    EXPECT_EQ((decltype(click.attributes){{"type", "application/x-vnxclient"}, {"NAME", " a\xC3\xA9 "}, {"x", ""}}), click.attributes);
    EXPECT_EQ(Kind::bytes, click.requestFile.kind);
    EXPECT_EQ("http://h/q.vnxclient", click.requestFile.url);
    EXPECT_EQ("vnx:", click.requestFile.bytes);

    EXPECT_EQ(Kind::none, Parsed(R"({"type":"click","attributes":[]})").requestFile.kind);
    click = Parsed(R"({"type":"click","attributes":[],"requestFile":{"url":"u","tooLarge":true}})");
    EXPECT_EQ(Kind::tooLarge, click.requestFile.kind);
    click = Parsed(R"({"type":"click","attributes":[],"requestFile":{"url":"u","failed":"HTTP 404"}})");
    EXPECT_EQ(Kind::failed, click.requestFile.kind);
    EXPECT_EQ("HTTP 404", click.requestFile.failure);

    EXPECT_EQ(kMostClickAttributes, Parsed(ManyAttributes(kMostClickAttributes)).attributes.size());
    // 5,461 whole groups and one padded group: 16,384 bytes.
    const std::string largest = std::string(21844, 'A') + "AA==";
    EXPECT_EQ(kLargestRequestFile,
              Parsed(R"({"type":"click","attributes":[],"requestFile":{"url":"u","bytes":")" + largest + "\"}}")
                  .requestFile.bytes.size());
}

TEST(ParseClickMessage, RefusesAMalformedClickWithItsReason)
{
    const std::string click = R"({"type":"click","attributes":[])";
    const std::string file = click + R"(,"requestFile":{"url":"u",)";
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
