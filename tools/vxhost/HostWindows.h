// The host's own window classes and its message pump.
#pragma once

#include <windows.h>

// The top-level browser window (its status bar is child 1).
extern const char kBrowserWindowClass[];
// The window a plug-in instance gets for its element.
extern const char kPluginAreaClass[];
// What a browser puts between the page and a plug-in's window (Chromium's "WrapperNativeWindowClass").
extern const char kPluginWrapperClass[];

// Registers the classes above once per process.
void RegisterHostWindowClasses();

// Runs the thread's messages for the given time.
void PumpMessagesFor(DWORD milliseconds);
