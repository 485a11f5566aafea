// Starting the delivery client when it is not running.
//
// Errors are answers here, never exceptions (only std::bad_alloc gets out): IsClientRunning and
// LaunchProcess answer false (LaunchProcess with the thread's last-error code as CreateProcessA
// left it); StartClientIfNeeded tells the user itself, in a "Startup" box.
#pragma once

#include <windows.h>

#include <string>

#include "client/KeyValueMap.h"

// How the client is started. The plug-in starts it as it always has, inheriting the browser's
// inheritable handles. A program that browsers start with pipes as its standard handles (the
// native messaging host) starts it detached: no handles inherited, no console, and out of the
// browser's job object where the job allows it (a browser may end the job with that program).
enum class ClientStartStyle { inheritHandles, detached };

// Whether a process holds the client's file mapping.
bool IsClientRunning(const std::string& instanceName);
// Runs "ApplicationPath" (hidden) when no client runs; a missing path or a failed start is told in
// a "Startup" box.
void StartClientIfNeeded(const CKeyValueMap& settings,
                         ClientStartStyle style = ClientStartStyle::inheritHandles);
// processInfo may be null (the handles are closed then); otherwise the caller owns them.
bool LaunchProcess(const std::string& commandLine, PROCESS_INFORMATION* processInfo, bool hidden,
                   DWORD priorityClass, ClientStartStyle style = ClientStartStyle::inheritHandles);
