// The window the host's dialogs belong to.
#pragma once

#include <windows.h>

#include "win/Owned.h"

// The browser's window when the browser named one (Chrome's --parent-window); else a window of the
// host's own. A program that a browser starts has no window, and a dialog it opens without an owner
// may open behind the browser, out of the user's sight, while the page waits. The host's own window
// is a topmost, visible window without area in the middle of the work area of the browser's monitor;
// it takes the foreground, so that the Save-As and Open dialogs, the confirmation and the boxes open
// in front of the browser. It is a tool window, so that an empty window never shows in the taskbar
// or in Alt+Tab, where the user would find nothing to look at.
class DialogOwner {
public:
    explicit DialogOwner(HWND browserWindow);

    // Null only when the host's own window could not be made.
    HWND Window() const { return browserWindow ? browserWindow : own.get(); }

private:
    HWND browserWindow;
    OwnedWindow own;
};
