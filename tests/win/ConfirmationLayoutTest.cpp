// The confirmation's layout on an 800x600 screen: run by the ctest entry win.x11 (run-x11.sh), under
// Xvfb with Wine's X11 driver, and skipped elsewhere.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "support/DialogDriver.h"

namespace {

std::string Words(size_t bytes)
{
    std::string text;
    while (text.size() < bytes) text += "alpha bravo charlie delta echo foxtrot golf hotel ";
    return text.substr(0, bytes - 1) + "x";
}

bool Inside(const RECT& inner, const RECT& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

RECT InClient(HWND dialog, HWND control)
{
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool Scrolls(HWND field) { return (GetWindowLongA(field, GWL_STYLE) & WS_VSCROLL) != 0; }

// The dialog in the work area; its question and buttons in its client area; every value whole in
// its field, each field on a row of its own after its label; when a field scrolls, a line between
// the question and the buttons says that Yes waits for it.
void ExpectShownWhole(HWND dialog, const Confirmation& what)
{
    EXPECT_EQ(800, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(600, GetSystemMetrics(SM_CYSCREEN));
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST), &monitor);
    RECT window{};
    RECT client{};
    GetWindowRect(dialog, &window);
    GetClientRect(dialog, &client);
    EXPECT_TRUE(Inside(window, monitor.rcWork));
    const std::vector<HWND> statics = Children(dialog, "Static");
    const std::vector<HWND> fields = Children(dialog, "Edit");
    ASSERT_EQ(what.fields.size(), fields.size());
    const bool anyScrolls = std::any_of(fields.begin(), fields.end(), Scrolls);
    ASSERT_EQ(what.fields.size() + (anyScrolls ? 3 : 2), statics.size());
    HWND question = statics[what.fields.size() + 1];
    EXPECT_EQ(what.question, TextOf(question));
    if (anyScrolls) {
        EXPECT_EQ("Scroll each field to its end to answer Yes.", TextOf(statics.back()));
        EXPECT_GE(InClient(dialog, statics.back()).top, InClient(dialog, question).bottom);
        EXPECT_LE(InClient(dialog, statics.back()).bottom, InClient(dialog, GetDlgItem(dialog, IDYES)).top);
    }
    for (HWND control : {statics.back(), GetDlgItem(dialog, IDYES), GetDlgItem(dialog, IDNO)})
        EXPECT_TRUE(Inside(InClient(dialog, control), client)) << TextOf(control);
    LONG rowTop = InClient(dialog, statics.front()).bottom;
    for (size_t i = 0; i < fields.size(); ++i) {
        const RECT label = InClient(dialog, statics[i + 1]);
        const RECT field = InClient(dialog, fields[i]);
        EXPECT_EQ(what.fields[i].label, TextOf(statics[i + 1]));
        EXPECT_EQ(what.fields[i].value, TextOf(fields[i]));
        EXPECT_TRUE(Inside(field, client)) << what.fields[i].label;
        EXPECT_TRUE(label.top >= rowTop && field.top >= rowTop && label.right <= field.left) << what.fields[i].label;
        rowTop = std::max(label.bottom, field.bottom);
    }
    EXPECT_GE(InClient(dialog, question).top, rowTop);
}

// Once the first paint has settled: checks the dialog and has the script photograph it (NAME.ready,
// then NAME.taken in the folder CONFIRMATION_SCREENSHOTS). True once the photograph is taken.
bool CheckedAndPhotographed(HWND dialog, DWORD since, const Confirmation& what, const std::string& name)
{
    const char* folder = std::getenv("CONFIRMATION_SCREENSHOTS");
    const std::string path = std::string(folder ? folder : ".") + "/" + name;
    if (since < 500) return false;
    if (GetFileAttributesA((path + ".ready").c_str()) == INVALID_FILE_ATTRIBUTES) {
        ExpectShownWhole(dialog, what);
        CloseHandle(CreateFileA((path + ".ready").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
    return GetFileAttributesA((path + ".taken").c_str()) != INVALID_FILE_ATTRIBUTES || since >= 15000;
}

// Checks and photographs the dialog; scrolls each field that scrolls to one line short of its end,
// which keeps Yes from arming (twice the delay later, Yes is armed only when no field scrolls);
// scrolls each field to its end, gives the first lines then shown and waits for Yes to arm.
std::vector<LRESULT> CheckPhotographAndScroll(const Confirmation& what, const std::string& name)
{
    std::vector<LRESULT> firstLines;
    DWORD oneLineShortSince = 0;
    EXPECT_FALSE(AskWhileDriving(what, nullptr, [&](HWND dialog, DWORD since) {
        const std::vector<HWND> fields = Children(dialog, "Edit");
        HWND yes = GetDlgItem(dialog, IDYES);
        if (!oneLineShortSince && CheckedAndPhotographed(dialog, since, what, name)) {
            for (HWND field : fields)
                for (WPARAM move : {SB_BOTTOM, SB_LINEUP}) SendMessageA(field, WM_VSCROLL, move, 0);
            oneLineShortSince = since;
        } else if (oneLineShortSince && firstLines.empty() && since - oneLineShortSince >= 2 * kConfirmationArmDelayMs) {
            EXPECT_EQ(std::none_of(fields.begin(), fields.end(), Scrolls), IsWindowEnabled(yes) != FALSE);
            for (HWND field : fields) {
                SendMessageA(field, WM_VSCROLL, SB_BOTTOM, 0);
                firstLines.push_back(SendMessageA(field, EM_GETFIRSTVISIBLELINE, 0, 0));
            }
        } else if (!firstLines.empty() && IsWindowEnabled(yes)) {
            EndDialog(dialog, IDNO);
        }
    }));
    return firstLines;
}

class ConfirmationLayout : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::getenv("CONFIRMATION_SCREENSHOTS")) GTEST_SKIP() << "only for the win.x11 entry";
    }
};

// The padded request's geometry with a character that passes the check and cannot wrap at blanks.
TEST_F(ConfirmationLayout, APaddedValueStaysWholeInsideTheScreen)
{
    const std::string padding(300, '_');
    const Confirmation what = Question({{"File:", "C:\\Users\\Public\\Pictures\\cat.jpg"},
                                        {"To:", padding + "Send_the_photo_cat.jpg_to_friend@example.com_?" + padding +
                                                    ":mallory@evil.example"},
                                        {"Server:", "srv3"},
                                        {"Port:", "609"}});
    EXPECT_EQ(std::vector<LRESULT>(4, 0), CheckPhotographAndScroll(what, "confirmation-padded-request"));
}

// Too tall for the screen, with 37 recipients: the long fields shrink, keeping the question and
// buttons on it, and scroll.
TEST_F(ConfirmationLayout, LongValuesShrinkTheirFieldsWhichScroll)
{
    std::string recipients = "recipient101@example.com";
    for (int i = 102; i <= 137; ++i) recipients += ", recipient" + std::to_string(i) + "@example.com";
    const Confirmation what = Question({{"File:", "C:\\" + Words(1010)},
                                        {"To:", recipients},
                                        {"Server:", Words(1008)},
                                        {"Port:", "609"},
                                        {"HTTP port:", "80"},
                                        {"Package:", Words(1016)}});
    const std::vector<LRESULT> firstLines = CheckPhotographAndScroll(what, "confirmation-tall-request");
    ASSERT_EQ(6u, firstLines.size());
    for (size_t i : {0, 1, 2, 5}) EXPECT_GT(firstLines[i], 0) << what.fields[i].label;
    EXPECT_EQ(0, firstLines[3] + firstLines[4]);
}

}  // namespace
