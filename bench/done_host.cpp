// The bridge benchmark's floor: a native messaging host that does the least the protocol asks, read
// the one message and answer done, through the same standard handles as vxbridge.exe. Whatever a
// click through the bridge costs beyond it is the bridge's own.
// With VXBENCH_DONE_HOST_WINDOW set in its environment it first creates and destroys a window, as
// every program that shows a dialog must: what user32 and gdi32 cost a process under Wine. user32 is
// loaded only then, so that the plain floor never pays for it.
#include <windows.h>

#include <vector>

namespace {

bool ReadExactly(HANDLE input, char* buffer, DWORD size)
{
    while (size > 0) {
        DWORD read = 0;
        if (!ReadFile(input, buffer, size, &read, nullptr) || read == 0) return false;
        buffer += read;
        size -= read;
    }
    return true;
}

using CreateWindowFunction = HWND(WINAPI*)(DWORD, LPCSTR, LPCSTR, DWORD, int, int, int, int, HWND, HMENU, HINSTANCE,
                                            LPVOID);
using DestroyWindowFunction = BOOL(WINAPI*)(HWND);

bool MakeWindow()
{
    const HMODULE user32 = LoadLibraryA("user32.dll");
    if (!user32) return false;
    // Through void (*)(), the type -Wcast-function-type takes as "any function".
    const auto create = reinterpret_cast<CreateWindowFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(user32, "CreateWindowExA")));
    const auto destroy = reinterpret_cast<DestroyWindowFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(user32, "DestroyWindow")));
    if (!create || !destroy) return false;
    const HWND window = create(0, "STATIC", "done", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    return window && destroy(window);
}

}  // namespace

int main()
{
    if (GetEnvironmentVariableA("VXBENCH_DONE_HOST_WINDOW", nullptr, 0) > 0 && !MakeWindow()) return 1;
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    unsigned char length[4];
    if (!ReadExactly(input, reinterpret_cast<char*>(length), sizeof length)) return 1;
    const DWORD size = length[0] | length[1] << 8 | length[2] << 16 | static_cast<DWORD>(length[3]) << 24;
    if (size > 65536) return 1;
    std::vector<char> message(size);
    if (size > 0 && !ReadExactly(input, message.data(), size)) return 1;

    static const char kDone[] = "{\"type\":\"done\",\"result\":\"submitted\"}";
    const DWORD body = sizeof kDone - 1;
    char reply[4 + sizeof kDone] = {static_cast<char>(body & 0xFF), static_cast<char>(body >> 8 & 0xFF), 0, 0};
    CopyMemory(reply + 4, kDone, body);
    DWORD written = 0;
    return WriteFile(output, reply, 4 + body, &written, nullptr) && written == 4 + body ? 0 : 1;
}
