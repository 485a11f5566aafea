// The real calls of the seam table where they do more than pass on: the submission clock, the common
// dialogs loaded at their first use, and MessageBoxA's bound on a text.
#include <gtest/gtest.h>

#include <windows.h>
#include <cderr.h>
#include <commdlg.h>
#include <sys/timeb.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "support/DialogDriver.h"
#include "support/HeapChecks.h"
#include "win/SystemCalls.h"

namespace {

std::uint64_t Milliseconds(const struct _timeb& time)
{
    return static_cast<std::uint64_t>(time.time) * 1000u + time.millitm;
}

TEST(SubmissionClock, ReadsTheSameUtcMillisecondsAsFtime)
{
    for (int attempt = 0; attempt < 20; ++attempt) {
        struct _timeb before, after;
        _ftime(&before);
        const UtcTime now = realSystemCalls.UtcNow();
        _ftime(&after);
        const std::uint64_t read = static_cast<std::uint64_t>(now.seconds) * 1000u + now.milliseconds;
        EXPECT_LT(now.milliseconds, 1000u);
        // _ftime counts in whole milliseconds of the same clock, so the reading lies between the two.
        EXPECT_LE(Milliseconds(before), read);
        EXPECT_LE(read, Milliseconds(after));
    }
}

// A structure of a size the dialogs refuse: the real function answers without showing anything.
OPENFILENAMEA RefusedRequest()
{
    OPENFILENAMEA request;
    std::memset(&request, 0, sizeof request);
    request.lStructSize = 1;
    return request;
}

TEST(CommonDialogs, TheRealCallsReachComdlg32AtTheirFirstUseAndAgainAfterARelease)
{
    for (int round = 0; round < 2; ++round) {
        OPENFILENAMEA save = RefusedRequest();
        EXPECT_FALSE(realSystemCalls.GetSaveFileNameA(&save)) << "round " << round;
        EXPECT_EQ(static_cast<DWORD>(CDERR_STRUCTSIZE), realSystemCalls.CommDlgExtendedError());
        OPENFILENAMEA open = RefusedRequest();
        EXPECT_FALSE(realSystemCalls.GetOpenFileNameA(&open));
        EXPECT_EQ(static_cast<DWORD>(CDERR_STRUCTSIZE), realSystemCalls.CommDlgExtendedError());
        ReleaseCommonDialogs();
    }
}

// The text a real message box shows, in its static control.
std::string ShownText(HWND box)
{
    HWND text = GetDlgItem(box, 0xFFFF);
    const int length = text ? GetWindowTextLengthA(text) : 0;
    std::string shown(static_cast<std::size_t>(length) + 1, '\0');
    if (text) GetWindowTextA(text, &shown[0], length + 1);
    shown.resize(static_cast<std::size_t>(length));
    return shown;
}

TEST(MessageBoxText, ATextLongerThanTheBoxTakesIsCutAndMarked)
{
    // MessageBoxA converts its text to a counted Unicode string: 32766 characters at most. Wine's
    // crashes on a longer one, and a request file without the prefix is shown whole.
    for (std::size_t length : {std::size_t(100), std::size_t(32766), std::size_t(32767), std::size_t(10 * 1024 * 1024)}) {
        SCOPED_TRACE(length);
        std::string text(length, 'b');
        for (std::size_t at = 70; at < length; at += 71) text[at] = '\n';
        std::string shown;
        int answer = 0;
        {
            WindowAnswerer user("Tolvane Message ", [&](HWND box) {
                shown = ShownText(box);
                PostMessageA(box, WM_COMMAND, IDOK, 0);
            }, 50);
            answer = realSystemCalls.MessageBoxA(nullptr, text.c_str(), "Tolvane Message ", MB_OK);
            EXPECT_EQ(1, user.answered);
        }
        EXPECT_EQ(IDOK, answer);
        const std::string expected = length <= 32766 ? text : text.substr(0, 32763) + "...";
        EXPECT_EQ(expected.size(), shown.size());
        EXPECT_TRUE(expected == shown);
    }
    ExpectHeapIntact();
}

}  // namespace
