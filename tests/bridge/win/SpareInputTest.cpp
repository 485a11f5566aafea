// A spare's input: the wait for the click's first byte, with the thread's messages answered.
#include <gtest/gtest.h>

#include <string>

#include "bridge/SpareInput.h"
#include "win/Owned.h"

namespace {

// A pipe whose writer writes `later` (or closes, when empty) after 300 ms, from a thread of its own.
struct Pipe {
    OwnedHandle reader, writer, writing;
    std::string later;

    void WriteLater(std::string bytes)
    {
        later = std::move(bytes);
        writing.reset(CreateThread(nullptr, 0, Write, this, 0, nullptr));
    }
    static DWORD WINAPI Write(void* self)
    {
        auto& pipe = *static_cast<Pipe*>(self);
        Sleep(300);
        DWORD written = 0;
        if (pipe.later.empty()) pipe.writer.reset();
        else WriteFile(pipe.writer.get(), pipe.later.data(), DWORD(pipe.later.size()), &written, nullptr);
        return 0;
    }
    Pipe() { CreatePipe(reader.put(), writer.put(), nullptr, 1 << 16); }
    ~Pipe() { WaitForSingleObject(writing.get(), INFINITE); }
};

int ticks = 0;
VOID CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD)
{
    ++ticks;
    KillTimer(nullptr, timer);
}

std::string Read(const MessageReader& read, std::size_t size)
{
    std::string bytes(size, '\0');
    std::size_t done = 0;
    for (std::size_t got = 1; done < size && got > 0; done += got) got = read(&bytes[done], size - done);
    return bytes.substr(0, done);
}

}  // namespace

TEST(SpareInput, WaitsForTheClicksFirstByteAnsweringMessagesAndLosesNoByte)
{
    Pipe pipe;
    SpareInput input(pipe.reader.get());
    // A message to the thread, taken while it waits.
    SetTimer(nullptr, 0, 10, Tick);
    const std::string frame("\x05\x00\x00\x00hello", 9);
    pipe.WriteLater(frame);
    EXPECT_TRUE(input.WaitForInput(20000));
    EXPECT_EQ(1, ticks);
    EXPECT_EQ(frame, Read(input.Reader(), frame.size())) << "the waiting thread's byte first";

    Pipe closing;
    SpareInput ended(closing.reader.get());
    closing.WriteLater("");
    EXPECT_TRUE(ended.WaitForInput(20000)) << "the browser closed the port";
    EXPECT_EQ("", Read(ended.Reader(), 4));
}

TEST(SpareInput, GivesUpAfterItsLimit)
{
    // Left to the process, as the program leaves them: the thread still waits in them.
    auto* quiet = new Pipe;
    auto* waiting = new SpareInput(quiet->reader.get());
    const DWORD start = GetTickCount();
    EXPECT_FALSE(waiting->WaitForInput(200));
    EXPECT_GE(GetTickCount() - start, 150u);
}
