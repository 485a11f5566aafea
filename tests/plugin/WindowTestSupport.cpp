#include "WindowTestSupport.h"

#include <malloc.h>

#include <cstdint>
#include <string>

#include "plugin/ButtonWindow.h"
#include "support/TestFiles.h"

namespace {

std::vector<HWND> made;

}  // namespace

// A 32 x 32 monochrome cursor: icon directory, one entry, then the bitmap with its masks.
std::string CursorFileBytes()
{
    std::string bytes;
    auto put16 = [&](uint16_t v) { bytes.push_back(char(v & 0xFF)); bytes.push_back(char(v >> 8)); };
    auto put32 = [&](uint32_t v) { put16(uint16_t(v & 0xFFFF)); put16(uint16_t(v >> 16)); };
    const uint32_t imageSize = 40 + 8 + 128 + 128;
    put16(0); put16(2); put16(1);                        // reserved, type cursor, one image
    bytes.push_back(32); bytes.push_back(32); bytes.push_back(0); bytes.push_back(0);
    put16(4); put16(4); put32(imageSize); put32(22);     // hot spot, size, offset
    put32(40); put32(32); put32(64); put16(1); put16(1); // header: 32 x (2 x 32), 1 bit
    put32(0); put32(0); put32(0); put32(0); put32(0); put32(0);
    put32(0x00000000); put32(0x00FFFFFF);               // black, white
    for (int row = 0; row < 32; ++row) put32(row == 16 ? 0xFFFFFFFF : 0x00010000);  // XOR
    for (int row = 0; row < 32; ++row) put32(0);          // AND
    return bytes;
}

namespace {

void RegisterTestClasses()
{
    static bool done = false;
    if (done) return;
    done = true;
    WNDCLASSA ansi{};
    ansi.lpfnWndProc = BrowserWindowProc;
    ansi.hInstance = GetModuleHandleA(nullptr);
    ansi.hCursor = LoadCursor(nullptr, IDC_ARROW);
    ansi.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    ansi.lpszClassName = "VxTestBrowserWindow";
    RegisterClassA(&ansi);
    WNDCLASSW wide{};
    wide.lpfnWndProc = WideBrowserWindowProc;
    wide.hInstance = GetModuleHandleA(nullptr);
    wide.lpszClassName = L"VxTestWideBrowserWindow";
    RegisterClassW(&wide);
}

}  // namespace

BrowserWindowMessages& BrowserWindowLog()
{
    static BrowserWindowMessages log;
    return log;
}

LRESULT CALLBACK BrowserWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        ++BrowserWindowLog().paints;
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_COMMAND:
        ++BrowserWindowLog().commands;
        return 0;
    case WM_NCDESTROY:
        ++BrowserWindowLog().finalMessages;
        break;
    case WM_APP + 7:
        BrowserWindowLog().probes.emplace_back(wParam, lParam);
        return 0x7777;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK WideBrowserWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_APP + 7) return 0x5555;
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND MakeBrowserWindow()
{
    RegisterTestClasses();
    HWND window = CreateWindowExA(0, "VxTestBrowserWindow", "browser", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                  10, 10, 320, 200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (window) made.push_back(window);
    return window;
}

HWND MakeWideBrowserWindow()
{
    RegisterTestClasses();
    HWND window = CreateWindowExW(0, L"VxTestWideBrowserWindow", L"wide", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                  10, 10, 320, 200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (window) made.push_back(window);
    return window;
}

void DestroyBrowserWindows()
{
    for (HWND window : made)
        if (IsWindow(window)) DestroyWindow(window);
    made.clear();
    BrowserWindowLog() = BrowserWindowMessages();
}

static BOOL CALLBACK CollectChild(HWND child, LPARAM list)
{
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
    return TRUE;
}

std::vector<HWND> ChildrenOf(HWND parent)
{
    std::vector<HWND> children;
    EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

std::string WindowText(HWND window)
{
    char text[256] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string ClassOf(HWND window)
{
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

void* InstalledProcedure(HWND window)
{
    return reinterpret_cast<void*>(GetWindowLongPtrA(window, GWLP_WNDPROC));
}

void UseButtonClass(bool withCursorFile)
{
    TempFolder folder;
    if (withCursorFile) WriteWholeFile(folder / "cursor1.cur", CursorFileBytes());
    RegisterButtonClass(folder.path());
}

