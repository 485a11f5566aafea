// The host's own window brings the real dialogs of a click to the foreground: a program that a
// browser starts has no window of its own, and its dialogs must not open behind the browser.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "bridge/DialogOwner.h"
#include "client/KeyValueMap.h"
#include "common/DialogAnswering.h"
#include "request/FileDialogs.h"
#include "request/SaveFlow.h"
#include "win/ConfirmationDialog.h"

namespace {

struct Sighting {
    std::string title;
    bool foreground = false;
    DWORD since = 0;
};
Sighting sighting;

BOOL CALLBACK FirstDialog(HWND window, LPARAM found)
{
    if (!IsVisibleDialog(window)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// Closes the dialog once it is in the foreground, or after three seconds without.
void CALLBACK Watch(HWND, UINT, UINT_PTR, DWORD)
{
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FirstDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog) return;
    if (sighting.title.empty()) {
        sighting.title = WindowText(dialog);
        sighting.since = GetTickCount();
    }
    sighting.foreground = GetForegroundWindow() == dialog;
    if (sighting.foreground || GetTickCount() - sighting.since > 3000) DismissDialog(dialog);
}

Sighting WhileShown(const std::function<void()>& show)
{
    sighting = Sighting();
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, Watch);
    show();
    KillTimer(nullptr, timer);
    return sighting;
}

}  // namespace

TEST(DialogOwner, TheHostsOwnWindowBringsSaveAsOpenAndTheConfirmationToTheForeground)
{
    const DialogOwner owner(nullptr);
    ASSERT_NE(nullptr, owner.Window());
    EXPECT_EQ(owner.Window(), GetForegroundWindow());
    // Topmost, to stay in front of the browser; a tool window, to stay out of the taskbar and Alt+Tab.
    const LONG extendedStyle = GetWindowLongA(owner.Window(), GWL_EXSTYLE);
    EXPECT_EQ(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, extendedStyle & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_APPWINDOW));

    CKeyValueMap request;
    request["DestBaseName"] = "pkg.zip";
    request["DestInitialDir"] = "C:\\";
    Sighting seen = WhileShown([&] { EXPECT_EQ("", AskSavePath(request, owner.Window())); });
    EXPECT_EQ("Tolvane : deliver package to ...", seen.title);
    EXPECT_TRUE(seen.foreground) << "Save-As";

    seen = WhileShown([&] { EXPECT_EQ("", AskFileToSend(owner.Window())); });
    EXPECT_EQ("Select : package to deliver ...", seen.title);
    EXPECT_TRUE(seen.foreground) << "Open";

    const Confirmation question{"Tolvane Message ", "This page asks to deliver a package to you",
                                {{"Package:", "pkg.zip"}}, "Do you want to receive it?"};
    seen = WhileShown([&] { EXPECT_FALSE(AskConfirmation(question, owner.Window())); });
    EXPECT_EQ("Tolvane Message ", seen.title);
    EXPECT_TRUE(seen.foreground) << "the confirmation";
}
