// A spare's input: the wait for the click's first byte, with the thread's messages answered.
#include <gtest/gtest.h>

#include <string>

#include "bridge/SpareInput.h"
#include "win/Owned.h"

namespace {

struct Pipe {
    OwnedHandle reader, writer;
    Pipe() { CreatePipe(reader.put(), writer.put(), nullptr, 1 << 16); }
    void Write(const std::string& bytes)
    {
        DWORD written = 0;
        WriteFile(writer.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr);
    }
};

// Writes to the pipe after `delayMs`, from a thread of the test's own.
struct LaterWrite {
    Pipe& pipe;
    std::string bytes;
    DWORD delayMs;
    static DWORD WINAPI Run(void* self)
    {
        auto& write = *static_cast<LaterWrite*>(self);
        Sleep(write.delayMs);
        if (write.bytes.empty()) write.pipe.writer.reset();
        else write.pipe.Write(write.bytes);
        return 0;
    }
};

std::string ReadAll(const MessageReader& read, std::size_t size)
{
    std::string bytes(size, '\0');
    std::size_t done = 0;
    while (done < size) {
        const std::size_t got = read(&bytes[done], size - done);
        if (got == 0) break;
        done += got;
    }
    return bytes.substr(0, done);
}

LRESULT CALLBACK CountingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_APP) ++*reinterpret_cast<int*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

TEST(SpareInput, WaitsForTheClicksFirstByteAnsweringMessagesAndLosesNoByte)
{
    Pipe pipe;
    SpareInput input(pipe.reader.get());
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = CountingProcedure;
    windowClass.lpszClassName = "SpareInputTest";
    RegisterClassA(&windowClass);
    OwnedWindow window(CreateWindowExA(0, "SpareInputTest", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
    int answered = 0;
    SetWindowLongPtrA(window.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&answered));

    PostMessageA(window.get(), WM_APP, 0, 0);
    const std::string frame("\x05\x00\x00\x00hello", 9);
    LaterWrite click{pipe, frame, 300};
    OwnedHandle writer(CreateThread(nullptr, 0, LaterWrite::Run, &click, 0, nullptr));
    EXPECT_TRUE(input.WaitForInput(20000));
    EXPECT_EQ(1, answered) << "a message posted while it waited";
    EXPECT_EQ(frame, ReadAll(input.Reader(), frame.size())) << "the waiting thread's byte first";
    WaitForSingleObject(writer.get(), INFINITE);
}

TEST(SpareInput, GivesUpAfterItsLimitAndTakesTheEndOfTheInputForInput)
{
    // Left to the process, as the program leaves them: the thread still waits in them.
    auto* quiet = new Pipe;
    auto* waiting = new SpareInput(quiet->reader.get());
    const DWORD start = GetTickCount();
    EXPECT_FALSE(waiting->WaitForInput(200));
    EXPECT_GE(GetTickCount() - start, 150u);

    Pipe closing;
    SpareInput ended(closing.reader.get());
    LaterWrite close{closing, "", 100};
    OwnedHandle closer(CreateThread(nullptr, 0, LaterWrite::Run, &close, 0, nullptr));
    EXPECT_TRUE(ended.WaitForInput(20000));
    EXPECT_EQ("", ReadAll(ended.Reader(), 4)) << "the browser closed the port";
    WaitForSingleObject(closer.get(), INFINITE);
}
