// Browser windows of the test's own, and what their procedures saw.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "support/HeapChecks.h"

struct BrowserWindowMessages {
    int paints = 0;
    int commands = 0;       // WM_COMMAND that reached the browser's procedure
    int finalMessages = 0;  // WM_NCDESTROY
    std::vector<std::pair<WPARAM, LPARAM>> probes;  // WM_APP + 7, answered 0x7777
};

BrowserWindowMessages& BrowserWindowLog();
LRESULT CALLBACK BrowserWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK WideBrowserWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// A visible top-level window of an ANSI class, 320 x 200, as a browser's plug-in window.
HWND MakeBrowserWindow();
// The same with a Unicode class; WM_APP + 7 is answered 0x5555.
HWND MakeWideBrowserWindow();
// Destroys every window made above and clears the log.
void DestroyBrowserWindows();

std::vector<HWND> ChildrenOf(HWND parent);
std::string WindowText(HWND window);
std::string ClassOf(HWND window);
void* InstalledProcedure(HWND window);

// The bytes of a valid cursor file.
std::string CursorFileBytes();
// RegisterButtonClass run in a fresh folder that holds "cursor1.cur" or not.
void UseButtonClass(bool withCursorFile);

