// The plug-in's own confirmation dialog, shown for real and driven by input sent as a person's
// (SendInput to the dialog in the foreground) or as another program's (messages posted to it). The
// dialog's clock is the test's: it moves only when a step says so.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/DialogDriver.h"
#include "win/SystemCalls.h"

namespace {

const Confirmation kQuestion = Question({{"File:", "C:\\Users\\Public\\cat.jpg"}, {"To:", "friend@example.com"}});
constexpr DWORD kDelay = kConfirmationArmDelayMs;

DWORD clockNow = 0;
int clockReadings = 0;      // the dialog reads its clock once at each check of whether Yes may arm
int readingsAtLastAct = 0;  // when the last step acted
DWORD WINAPI ReadClock() { return ++clockReadings, clockNow; }

// Each step runs at a tick of the driver, once the dialog has handled all that the step before
// sent; a step that answers false runs again at the next tick.
using Script = std::vector<std::function<bool(HWND dialog)>>;

Script operator+(Script first, const Script& then)
{
    first.insert(first.end(), then.begin(), then.end());
    return first;
}

Script Do(const std::function<void(HWND)>& act)
{
    return {[=](HWND dialog) { return act(dialog), readingsAtLastAct = clockReadings, true; }};
}

// Waits until the dialog has checked whether Yes may arm after the last step acted.
Script Checked()
{
    return {[](HWND) { return clockReadings > readingsAtLastAct && (readingsAtLastAct = clockReadings, true); }};
}

Script Advance(DWORD milliseconds) { return Do([=](HWND) { clockNow += milliseconds; }); }

Script Armed(bool armed)
{
    return Checked() + Do([=](HWND dialog) { EXPECT_EQ(armed, !!IsWindowEnabled(GetDlgItem(dialog, IDYES))); });
}

Script Arm() { return Checked() + Advance(kDelay) + Armed(true); }

// Yes arms once the whole delay has passed after the last input, not a millisecond earlier.
Script ArmsAfterTheWholeDelay() { return Checked() + Advance(kDelay - 1) + Armed(false) + Advance(1) + Armed(true); }

// A key, or VK_LBUTTON for the mouse on Yes.
void Send(HWND dialog, WORD key, bool up)
{
    INPUT input{};
    input.type = key == VK_LBUTTON ? INPUT_MOUSE : INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    if (key == VK_LBUTTON) {
        RECT yes{};
        GetWindowRect(GetDlgItem(dialog, IDYES), &yes);
        input.mi.dx = MulDiv(yes.left + yes.right, 32767, GetSystemMetrics(SM_CXSCREEN) - 1);
        input.mi.dy = MulDiv(yes.top + yes.bottom, 32767, GetSystemMetrics(SM_CYSCREEN) - 1);
        input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | (up ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_LEFTDOWN);
    }
    SendInput(1, &input, sizeof input);
}

Script Down(WORD key) { return Do([=](HWND dialog) { Send(dialog, key, false); }); }
Script Up(WORD key) { return Do([=](HWND dialog) { Send(dialog, key, true); }); }

// The keys down in turn, then up the other way round: Type({VK_SHIFT, VK_TAB}) is Shift+Tab.
Script Type(const std::vector<WORD>& keys)
{
    return Do([=](HWND dialog) {
        for (WORD key : keys) Send(dialog, key, false);
        for (auto key = keys.rbegin(); key != keys.rend(); ++key) Send(dialog, *key, true);
    });
}

const Script kFocusYes = Type({VK_SHIFT, VK_TAB});  // from No, the default

// Every tick, `key` goes down again (held: an auto-repeat), down and up (pressed again and again),
// or nothing happens (a button held), and the clock moves 50 ms, until twice the delay has passed
// and the dialog has checked three times.
enum Meanwhile { kRepeat, kPressAgain, kNothing };
Script ForTwiceTheDelay(Meanwhile what, WORD key = 0)
{
    return Script{[=, until = DWORD(0), checks = -1](HWND dialog) mutable {
        if (checks < 0) until = clockNow + 2 * kDelay, checks = clockReadings + 3;
        if (what != kNothing) Send(dialog, key, false);
        if (what == kPressAgain) Send(dialog, key, true);
        clockNow += 50;
        return static_cast<LONG>(clockNow - until) >= 0 && clockReadings >= checks && (checks = -1, true);
    }} + Armed(false);
}

// lParam of a key message: repeat count 1; bit 30, the key was down before; bit 31, a release.
constexpr LPARAM kFirstDown = 1, kRepeatedDown = 0x40000001, kRelease = static_cast<LPARAM>(0xC0000001u);

// To the control `id`, or to the focus.
Script Post(UINT message, WPARAM key, LPARAM bits, int id = 0)
{
    return Do([=](HWND dialog) { PostMessageA(id ? GetDlgItem(dialog, id) : GetFocus(), message, key, bits); });
}

Script Command(int id) { return Do([=](HWND dialog) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }); }

const Script kClickMessage = Do([](HWND dialog) { SendMessageA(GetDlgItem(dialog, IDYES), BM_CLICK, 0, 0); });

size_t ran = 0;  // steps of the last script that ran
HWND page = nullptr;  // the window in the foreground before the dialog

// Without an owner the dialog is topmost and in the foreground; when it leaves the foreground, Yes
// disarms.
const Script kElsewhereAndBack = Do([](HWND dialog) {
    EXPECT_EQ(nullptr, GetWindow(dialog, GW_OWNER));
    EXPECT_NE(0, GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(dialog, GetForegroundWindow());
    SetForegroundWindow(page);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDYES)));
    SetForegroundWindow(dialog);
});

// Runs the script; `downBefore` goes down in another window before the dialog appears, as the key
// that had the page open it. Tells whether the answer came by the script's last step or before it.
std::string Answer(const Script& script, WORD downBefore = 0)
{
    clockNow = 0u - kDelay / 2;  // every delay runs across the wrap of the tick count
    systemCalls.GetTickCount = ReadClock;
    page = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(page);
    if (downBefore) Send(nullptr, downBefore, false);
    MSG message;
    const auto dropInput = [&] {
        while (PeekMessageA(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE) ||
               PeekMessageA(&message, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {}
    };
    dropInput();
    ran = 0;
    readingsAtLastAct = clockReadings;
    const bool yes = AskWhileDriving(kQuestion, nullptr, [&](HWND dialog, DWORD) {
        if (ran < script.size() && script[ran](dialog)) ++ran;
    });
    for (WORD key : {WORD(VK_LBUTTON), WORD(VK_RETURN), WORD('Y')})
        if (GetAsyncKeyState(key) < 0) Send(page, key, true);  // left down by a step that failed
    dropInput();
    DestroyWindow(page);
    systemCalls.GetTickCount = realSystemCalls.GetTickCount;
    return std::string(yes ? "Yes" : "No") + (ran == script.size() ? " by the last step" : " before the last step");
}

struct Case {
    const char* name;
    Script script;
    const char* answer;
    WORD downBefore = 0;
};

void ExpectAnswers(const std::vector<Case>& cases)
{
    for (const Case& each : cases) {
        SCOPED_TRACE(each.name);
        EXPECT_EQ(each.answer, Answer(each.script, each.downBefore)) << "after step " << ran;
    }
}

TEST(ConfirmationInput, OnlyAFreshPressAfterArmingAnswersYesAndNoAnswersAtAnyTime)
{
    ExpectAnswers({
        {"WM_COMMAND IDYES before arming", Command(IDYES) + Command(IDCANCEL), "No by the last step"},
        {"BM_CLICK on Yes before arming", kClickMessage + Command(IDCANCEL), "No by the last step"},
        {"a click on Yes before arming", Type({VK_LBUTTON}) + Command(IDCANCEL), "No by the last step"},
        {"WM_COMMAND IDYES once armed", Arm() + Command(IDYES), "Yes by the last step"},
        {"a click on Yes once armed", Arm() + Type({VK_LBUTTON}), "Yes by the last step"},
        {"Enter on Yes once armed", Arm() + kFocusYes + Type({VK_RETURN}), "Yes by the last step"},
        {"Space on Yes once armed", Arm() + kFocusYes + Type({VK_SPACE}), "Yes by the last step"},
        {"y once armed", Arm() + Type({'Y'}) + Command(IDCANCEL), "No by the last step"},
        {"Alt+Y once armed", Arm() + Type({VK_MENU, 'Y'}) + Command(IDCANCEL), "No by the last step"},
        {"y posted to Yes once armed",
         Arm() + Post(WM_KEYDOWN, 'Y', kFirstDown, IDYES) + Post(WM_CHAR, 'y', kFirstDown, IDYES) + Command(IDCANCEL),
         "No by the last step"},
        {"Yes once the delay has passed again after losing and regaining the foreground",
         Arm() + kElsewhereAndBack + Command(IDYES) + ArmsAfterTheWholeDelay() + Command(IDYES), "Yes by the last step"},
        {"Escape as the dialog appears", Type({VK_ESCAPE}) + Arm() + Command(IDYES), "No before the last step"},
        {"Enter once armed (No is the default)", Arm() + Type({VK_RETURN}) + Command(IDYES), "No before the last step"},
        {"n once armed", Arm() + Type({'N'}) + Command(IDYES), "No before the last step"},
        {"the close box", Do([](HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }) + Arm() + Command(IDYES),
         "No before the last step"},
    });
}

// Held, or pressed again and again, from before the dialog arms: Yes arms only once the whole delay
// has passed after the release, nothing answers before a fresh click.
TEST(ConfirmationInput, AKeyOrButtonHeldOrRepeatedKeepsYesFromArmingAndAnswersNothing)
{
    const Script thenClick = ArmsAfterTheWholeDelay() + Type({VK_LBUTTON});
    ExpectAnswers({
        {"Y held since before the dialog", ForTwiceTheDelay(kRepeat, 'Y') + Up('Y') + thenClick, "Yes by the last step", 'Y'},
        {"Y pressed every 50 ms", ForTwiceTheDelay(kPressAgain, 'Y') + thenClick, "Yes by the last step"},
        {"Enter held since before the dialog", ForTwiceTheDelay(kRepeat, VK_RETURN) + Up(VK_RETURN) + thenClick,
         "Yes by the last step", VK_RETURN},
        {"the mouse held on Yes from before it armed", Down(VK_LBUTTON) + ForTwiceTheDelay(kNothing) + Up(VK_LBUTTON) + thenClick,
         "Yes by the last step"},
    });
}

// Key messages that another program posts carry their history in lParam.
TEST(ConfirmationInput, AnAutoRepeatOrTheReleaseOfAPressBegunBeforeArmingAnswersNothing)
{
    ExpectAnswers({
        {"Enter repeated on No", Post(WM_KEYDOWN, VK_RETURN, kRepeatedDown) + Command(IDCANCEL), "No by the last step"},
        {"Escape repeated", Post(WM_KEYDOWN, VK_ESCAPE, kRepeatedDown) + Command(IDCANCEL), "No by the last step"},
        {"Enter repeated on Yes once armed", Arm() + kFocusYes + Post(WM_KEYDOWN, VK_RETURN, kRepeatedDown) + Command(IDCANCEL),
         "No by the last step"},
        {"Space repeated and released on Yes once armed",
         Arm() + kFocusYes + Post(WM_KEYDOWN, VK_SPACE, kRepeatedDown) + Post(WM_KEYUP, VK_SPACE, kRelease) + Command(IDCANCEL),
         "No by the last step"},
        {"Space down on Yes before arming, up after",
         Post(WM_KEYDOWN, VK_SPACE, kFirstDown, IDYES) + Arm() + Post(WM_KEYUP, VK_SPACE, kRelease, IDYES) + Command(IDCANCEL),
         "No by the last step"},
    });
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
