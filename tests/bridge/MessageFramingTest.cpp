#include <gtest/gtest.h>

#include "BridgeFrames.h"

TEST(ReadMessage, TellsEachOutcomeApart)
{
    const std::string largest(kLargestInboundMessage, 'x');
    const struct {
        std::string input;
        std::size_t chunk;
        FrameResult result;
        std::string body;
    } cases[] = {
        {Frame("hello") + "rest", SIZE_MAX, FrameResult::message, "hello"},
        {Frame(std::string(0x0A1A, '\x1A')), 3, FrameResult::message, std::string(0x0A1A, '\x1A')},
        {Frame(""), 1, FrameResult::message, ""},
        {Frame(largest), SIZE_MAX, FrameResult::message, largest},
        {"", 1, FrameResult::endOfInput, ""},
        {"\x05\x00", 1, FrameResult::shortRead, ""},
        {Frame("hell", 5), 1, FrameResult::shortRead, ""},
    };
    for (const auto& row : cases) {
        std::size_t taken = 0;
        std::string body = "stale";
        EXPECT_EQ(row.result, ReadMessage(ReaderOver(row.input, taken, row.chunk), body)) << row.input.size();
        EXPECT_EQ(row.body, body);
    }
}

TEST(ReadMessage, RefusesALengthAboveTheLimitWithoutReadingTheBody)
{
    const std::string input = Frame(std::string(kLargestInboundMessage + 1, 'x'));
    std::size_t taken = 0;
    std::string body;
    EXPECT_EQ(FrameResult::tooLarge, ReadMessage(ReaderOver(input, taken), body));
    EXPECT_EQ(4u, taken);
}

TEST(WriteMessage, WritesTheLengthThenTheBytesThroughPartialWritesAndRefusesOneMebibyte)
{
    std::string out;
    const MessageWriter byteAtATime = [&out](const void* data, std::size_t) {
        out += *static_cast<const char*>(data);
        return std::size_t(1);
    };
    const std::string body(0x010A1A, '\n');
    EXPECT_TRUE(WriteMessage(byteAtATime, body));
    EXPECT_EQ(std::string("\x1A\x0A\x01\x00", 4) + body, out);

    out.clear();
    EXPECT_TRUE(WriteMessage(byteAtATime, std::string(kLargestOutboundMessage, 'x')));
    out.clear();
    EXPECT_FALSE(WriteMessage(byteAtATime, std::string(1024 * 1024, 'x')));
    EXPECT_EQ("", out);
    EXPECT_FALSE(WriteMessage([](const void*, std::size_t) { return std::size_t(0); }, "x"));
}
