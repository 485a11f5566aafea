// The load-request signal and starting the delivery client.
//
// Errors are answers here, never exceptions (only std::bad_alloc gets out): the signal reads as 0
// when it cannot be read; a failed write of it is dropped, since the client also watches its
// request directory; IsClientRunning and LaunchProcess answer FALSE (LaunchProcess with the
// thread's last-error code as CreateProcessA left it); StartClientIfNeeded tells the user itself,
// in a "Startup" box.
#pragma once

#include <windows.h>

#include <string>

#include "clientlink/KeyValueMap.h"

long ReadLoadRequestSignal();
void WriteLoadRequestSignal(long value);
void BumpLoadRequestSignal();
BOOL IsClientRunning(const std::string& name);
void StartClientIfNeeded(CKeyValueMap& settings);
BOOL LaunchProcess(const std::string& commandLine, PROCESS_INFORMATION* processInfo, BOOL hidden,
                   DWORD priorityClass);
