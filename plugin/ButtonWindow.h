// The push button over the browser's plug-in window, and the subclassed window procedure.
#pragma once

#include <windows.h>

struct InstanceData;

// Registers "PluginButton" when "cursor1.cur" loads from the current directory; never fails.
void RegisterButtonClass();

LRESULT CALLBACK InstanceWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Gives the record's subclassed window its procedure back, but only while ours is still the
// installed one (a host may un-subclass, or subclass over us); clears hwnd and savedWndProc. When
// another procedure was installed over ours, ours stays in that chain and passes every message on
// to the procedure it replaced.
void RestoreWindowProcedure(InstanceData* record);

// As RestoreWindowProcedure, and also takes the record off the window's "instance->pdata"
// property, for a record that is about to be released.
void DetachInstanceWindow(InstanceData* record);
