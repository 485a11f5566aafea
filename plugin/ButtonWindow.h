// The push button over the browser's plug-in window, and the subclassed window procedure.
#pragma once

#include <windows.h>

#include <string>

struct InstanceData;

// The folder the plug-in's DLL was loaded from; empty when it cannot be told.
std::string PluginFolder();

// Registers "PluginButton" when "cursor1.cur" loads from the folder (the plug-in's own, where its
// setup program puts the file: never a folder the browser happens to run in); never fails.
void RegisterButtonClass(const std::string& cursorFolder);

LRESULT CALLBACK InstanceWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The instance leaves its window: ours gives the window its procedure back while ours is still the
// installed one (a host may un-subclass, or subclass over us), the window no longer names the
// record, and the instance's button goes. When another procedure was installed over ours, ours
// stays in that chain and passes every message on to the procedure it replaced.
void DetachInstanceWindow(InstanceData* record);
