// The confirmation's layout on an 800x600 screen: run by the ctest entry win.x11 (run-x11.sh), under
// Xvfb with Wine's X11 driver, and skipped elsewhere.
#include <gtest/gtest.h>

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

// The dialog in the work area; its question and buttons in its client area; every value whole in
// its field, each field on a row of its own after its label.
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
    ASSERT_EQ(what.fields.size() + 2, statics.size());
    ASSERT_EQ(what.fields.size(), fields.size());
    EXPECT_EQ(what.question, TextOf(statics.back()));
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
    EXPECT_GE(InClient(dialog, statics.back()).top, rowTop);
}

// Checks the dialog, has the script photograph it (NAME.ready, then NAME.taken in the folder
// CONFIRMATION_SCREENSHOTS), scrolls each field to its end and gives the first lines then shown.
std::vector<LRESULT> CheckPhotographAndScroll(const Confirmation& what, const std::string& name)
{
    const char* folder = std::getenv("CONFIRMATION_SCREENSHOTS");
    const std::string path = std::string(folder ? folder : ".") + "/" + name;
    std::vector<LRESULT> firstLines;
    EXPECT_FALSE(AskWhileDriving(what, nullptr, [&](HWND dialog, DWORD since) {
        if (since < 500 || !firstLines.empty()) return;  // once the first paint has settled
        if (GetFileAttributesA((path + ".ready").c_str()) == INVALID_FILE_ATTRIBUTES) {
            ExpectShownWhole(dialog, what);
            CloseHandle(CreateFileA((path + ".ready").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        }
        if (GetFileAttributesA((path + ".taken").c_str()) == INVALID_FILE_ATTRIBUTES && since < 15000) return;
        for (HWND field : Children(dialog, "Edit")) {
            SendMessageA(field, WM_VSCROLL, SB_BOTTOM, 0);
            firstLines.push_back(SendMessageA(field, EM_GETFIRSTVISIBLELINE, 0, 0));
        }
        EndDialog(dialog, IDNO);
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

// Too tall for the screen: the long fields shrink, keeping the question and buttons on it, and scroll.
TEST_F(ConfirmationLayout, LongValuesShrinkTheirFieldsWhichScroll)
{
    const Confirmation what = Question({{"File:", "C:\\" + Words(1010)},
                                        {"To:", Words(1012)},
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
