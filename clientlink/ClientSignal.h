// The load-request signal and starting the delivery client.
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
