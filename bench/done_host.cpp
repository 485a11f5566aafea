// The bridge benchmark's floor: a native messaging host that does the least a click with a dialog
// needs, through the same standard handles as vxbridge.exe. Started ahead of the click as the
// extension starts its spare, it gets {"type":"warm"} first and prepares all it can without showing
// anything (a hidden window made and destroyed, COM loaded); on the click it shows one message box
// ("Tolvane floor", answered OK) and answers done. Whatever the bridge's click costs beyond it, up
// to its confirmation on the screen, is the bridge's own. Started for the click (no warm message),
// it shows the box all the same, unprepared.
// user32 is loaded at run time, so that nothing of it is paid before the host chooses to.
#include <windows.h>

#include <cstring>
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

bool ReadMessage(HANDLE input, std::vector<char>& message)
{
    unsigned char length[4];
    if (!ReadExactly(input, reinterpret_cast<char*>(length), sizeof length)) return false;
    const DWORD size = length[0] | length[1] << 8 | length[2] << 16 | static_cast<DWORD>(length[3]) << 24;
    if (size > 65536) return false;
    message.assign(size, '\0');
    return size == 0 || ReadExactly(input, message.data(), size);
}

// A user32 function by name, through void (*)(), the type -Wcast-function-type takes as "any function".
template <typename Function>
Function User32(const char* name)
{
    static const HMODULE user32 = LoadLibraryA("user32.dll");
    return user32 ? reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(user32, name))) : nullptr;
}

using CreateWindowFunction = HWND(WINAPI*)(DWORD, LPCSTR, LPCSTR, DWORD, int, int, int, int, HWND, HMENU, HINSTANCE,
                                            LPVOID);
using DestroyWindowFunction = BOOL(WINAPI*)(HWND);
using MessageBoxFunction = int(WINAPI*)(HWND, LPCSTR, LPCSTR, UINT);
using PeekMessageFunction = BOOL(WINAPI*)(LPMSG, HWND, UINT, UINT, UINT);

void WarmUp()
{
    const auto create = User32<CreateWindowFunction>("CreateWindowExA");
    const auto destroy = User32<DestroyWindowFunction>("DestroyWindow");
    if (create && destroy) {
        // The dialogs' class, never shown.
        if (const HWND window = create(0, "#32770", "floor", WS_POPUP | WS_CAPTION, 0, 0, 200, 100, nullptr, nullptr,
                                       nullptr, nullptr)) {
            destroy(window);
        }
    }
    LoadLibraryA("ole32.dll");
}

bool ShowBox()
{
    const auto box = User32<MessageBoxFunction>("MessageBoxA");
    return box && box(nullptr, "The floor's window.", "Tolvane floor", MB_OK | MB_TOPMOST | MB_SETFOREGROUND) == IDOK;
}

}  // namespace

int main()
{
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    std::vector<char> message;
    if (!ReadMessage(input, message)) return 1;
    static const char kWarm[] = "{\"type\":\"warm\"}";
    if (message.size() == sizeof kWarm - 1 && std::memcmp(message.data(), kWarm, message.size()) == 0) {
        WarmUp();
        if (!ReadMessage(input, message)) return 0;
        // As vxbridge.exe does: a thread that has not looked at its queue for seconds counts as hung.
        MSG pending;
        if (const auto peek = User32<PeekMessageFunction>("PeekMessageA")) peek(&pending, nullptr, 0, 0, PM_NOREMOVE);
    }
    if (!ShowBox()) return 1;

    static const char kDone[] = "{\"type\":\"done\",\"result\":\"submitted\"}";
    const DWORD body = sizeof kDone - 1;
    char reply[4 + sizeof kDone] = {static_cast<char>(body & 0xFF), static_cast<char>(body >> 8 & 0xFF), 0, 0};
    CopyMemory(reply + 4, kDone, body);
    DWORD written = 0;
    return WriteFile(output, reply, 4 + body, &written, nullptr) && written == 4 + body ? 0 : 1;
}
