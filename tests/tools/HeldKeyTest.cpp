// Keys held or pressed again and again by an answering tool, as the window in the foreground gets
// them: the strokes, the repeat bit of each press and the key's state.
#include <gtest/gtest.h>

#include <string>

#include "common/HeldKey.h"

TEST(KeyNamed, TakesTheNamedKeysAndOneLetterOrDigit)
{
    const struct {
        const char* name;
        WORD key;
    } rows[] = {
        {"Enter", VK_RETURN}, {"ENTER", VK_RETURN}, {"space", VK_SPACE}, {"Escape", VK_ESCAPE}, {"tab", VK_TAB},
        {"Enter ", 0}, {"", 0}, {"YY", 0},
        {"A", 'A'}, {"Z", 'Z'}, {"a", 'A'}, {"z", 'Z'}, {"0", '0'}, {"9", '9'},
        {"@", 0}, {"[", 0}, {"`", 0}, {"{", 0}, {"/", 0}, {":", 0},
    };
    for (const auto& row : rows) EXPECT_EQ(row.key, KeyNamed(row.name)) << '"' << row.name << '"';
}

namespace {

// The strokes of `key` that reached the window so far: "down", "repeat" (a press while it was
// down) or "up", each followed by a blank.
std::string StrokesReceived(WORD key)
{
    std::string strokes;
    MSG message;
    while (PeekMessageA(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
        if (message.wParam != key || (message.message != WM_KEYDOWN && message.message != WM_KEYUP)) continue;
        const bool wasDown = (static_cast<DWORD>(message.lParam) & 0x40000000u) != 0;
        strokes += message.message == WM_KEYUP ? "up " : wasDown ? "repeat " : "down ";
    }
    return strokes;
}

}  // namespace

TEST(KeyHolding, AHeldKeyRepeatsEachIntervalUntilItsOneRelease)
{
    HWND window =
        CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(window);
    SetFocus(window);
    StrokesReceived('Y');
    const DWORD start = 0xFFFFFFF0u;  // the intervals run across the wrap of the tick count
    const DWORD interval = KeyHolding::kStrokeIntervalMs;
    {
        KeyHolding held('Y', KeyHolding::Way::held, start);
        held.Continue(start + interval - 1);
        EXPECT_EQ("down ", StrokesReceived('Y'));
        EXPECT_LT(GetAsyncKeyState('Y'), 0);
        held.Continue(start + interval);
        held.Continue(start + 10 * interval);  // late: still one stroke
        EXPECT_EQ("repeat repeat ", StrokesReceived('Y'));
        held.Release();
        held.Continue(start + 20 * interval);
        EXPECT_EQ("up ", StrokesReceived('Y'));
        EXPECT_GE(GetAsyncKeyState('Y'), 0);
    }
    {
        KeyHolding pressed('Y', KeyHolding::Way::pressedAgain, start);
        pressed.Continue(start + interval);
        EXPECT_EQ("down up down up ", StrokesReceived('Y'));
    }
    EXPECT_EQ("", StrokesReceived('Y')) << "a stroke after the release";
    DestroyWindow(window);
}
