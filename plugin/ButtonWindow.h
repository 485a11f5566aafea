// The push button over the browser's plug-in window, and the subclassed window procedure.
#pragma once

#include <windows.h>

// "PluginButton" when that class was registered with the cursor file, else the system "BUTTON".
extern const char* buttonClassName;

// Registers "PluginButton" when "cursor1.cur" loads from the current directory; never fails.
void RegisterButtonClass();

LRESULT CALLBACK InstanceWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
