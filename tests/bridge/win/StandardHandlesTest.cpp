#include <gtest/gtest.h>

#include <string>

#include "bridge/StandardHandles.h"
#include "win/Owned.h"

// Through a real pipe, as the browser gives it: the bytes that text mode would change pass as they are.
TEST(StandardHandles, PassFramesThroughAPipeUnchanged)
{
    OwnedHandle readEnd, writeEnd;
    // Room for the whole frame: the writer runs before the reader.
    ASSERT_TRUE(CreatePipe(readEnd.put(), writeEnd.put(), nullptr, 1 << 16));
    const std::string body = std::string(0x0A1A, '\n') + "\x1A\r\n";
    ASSERT_TRUE(WriteMessage(WriterOf(writeEnd.get()), body));
    writeEnd.reset();

    std::string read;
    EXPECT_EQ(FrameResult::message, ReadMessage(ReaderOf(readEnd.get()), read));
    EXPECT_EQ(body, read);
    // The writer closed its end: a broken pipe reads as the end of the input.
    EXPECT_EQ(FrameResult::endOfInput, ReadMessage(ReaderOf(readEnd.get()), read));
}
