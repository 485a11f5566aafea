// The plug-in's own confirmation dialog, shown for real: a Yes counts only once the dialog has been
// in front for the arming delay, and the owner's top-level window owns it and waits for it.
#include <gtest/gtest.h>

#include "support/DialogDriver.h"

namespace {

const Confirmation kQuestion = Question({{"File:", "C:\\Users\\Public\\cat.jpg"}, {"To:", "friend@example.com"}});
// Well after the delay, allowing for the dialog's checks every 100 ms.
constexpr DWORD kArmed = kConfirmationArmDelayMs + 300;

void Type(WORD key)
{
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = key;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
}

void PostY(HWND window)
{
    PostMessageA(window, WM_KEYDOWN, 'Y', 1);
    PostMessageA(window, WM_CHAR, 'y', 1);
}

void PostCommand(HWND dialog, int id) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

const struct {
    const char* name;
    void (*send)(HWND dialog);
} kYes[] = {
    {"y typed", [](HWND) { Type('Y'); }},
    {"y posted to the dialog", [](HWND dialog) { PostY(dialog); }},
    {"y posted to Yes", [](HWND dialog) { PostY(GetDlgItem(dialog, IDYES)); }},
    {"WM_COMMAND IDYES posted", [](HWND dialog) { PostCommand(dialog, IDYES); }},
    {"BM_CLICK on Yes", [](HWND dialog) { SendMessageA(GetDlgItem(dialog, IDYES), BM_CLICK, 0, 0); }},
}, kNo[] = {
    {"Escape", [](HWND) { Type(VK_ESCAPE); }},
    {"Enter (No is the default)", [](HWND) { Type(VK_RETURN); }},
    {"n", [](HWND) { Type('N'); }},
    {"the close box", [](HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }},
};

// Each input is sent once, at `at` ms; at `then` ms a command follows, which answers if the input did not.
template <typename Input>
bool SendAt(const Input& input, DWORD at, DWORD then, int thenCommand)
{
    int sent = 0;
    return AskWhileDriving(kQuestion, nullptr, [&](HWND dialog, DWORD since) {
        if (sent == 0 && since >= at) {
            EXPECT_EQ(since >= kArmed, IsWindowEnabled(GetDlgItem(dialog, IDYES)) != FALSE) << input.name;
            input.send(dialog);
            sent = 1;
        } else if (sent == 1 && since >= then) {
            PostCommand(dialog, thenCommand);
            sent = 2;
        }
    });
}

TEST(ConfirmationArming, YesAsTheDialogAppearsIsIgnoredAndAfterTheDelayAnswers)
{
    for (const auto& input : kYes) {
        EXPECT_FALSE(SendAt(input, 0, 300, IDCANCEL)) << input.name << " as the dialog appeared";
        EXPECT_TRUE(SendAt(input, kArmed, kArmed + 700, IDCANCEL)) << input.name << " after the delay";
    }
    for (const auto& input : kNo) EXPECT_FALSE(SendAt(input, kArmed, kArmed + 500, IDYES)) << input.name;
}

TEST(ConfirmationArming, RegainingTheForegroundStartsTheDelayAgain)
{
    HWND elsewhere = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    int phase = 0;
    DWORD regainedAt = 0;
    EXPECT_TRUE(AskWhileDriving(kQuestion, nullptr, [&](HWND dialog, DWORD since) {
        if (phase == 0) {
            EXPECT_EQ(nullptr, GetWindow(dialog, GW_OWNER));
            EXPECT_NE(0, GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST);
            EXPECT_EQ(dialog, GetForegroundWindow());
            phase = 1;
        } else if (phase == 1 && since >= kArmed) {
            SetForegroundWindow(elsewhere);
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDYES))) << "away from the foreground";
            SetForegroundWindow(dialog);
            regainedAt = since;
            PostCommand(dialog, IDYES);
            phase = 2;
        } else if (phase == 2 && since - regainedAt >= kArmed) {
            PostCommand(dialog, IDYES);
            phase = 3;
        }
    }));
    EXPECT_EQ(3, phase) << "a Yes right after the foreground came back answered";
    DestroyWindow(elsewhere);
}

TEST(ConfirmationOwner, TheOwnersTopLevelWindowOwnsTheDialogAndWaitsForIt)
{
    HWND browser = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                                   nullptr, nullptr, nullptr);
    HWND plugin = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 100, 30, browser, nullptr, nullptr, nullptr);
    EXPECT_FALSE(AskWhileDriving(kQuestion, plugin, [&](HWND dialog, DWORD) {
        EXPECT_EQ(browser, GetWindow(dialog, GW_OWNER));
        EXPECT_FALSE(IsWindowEnabled(browser));
        EXPECT_EQ(0, GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST);
        EndDialog(dialog, IDNO);
    }));
    EXPECT_TRUE(IsWindowEnabled(browser));
    DestroyWindow(browser);
}

}  // namespace
