// PLACEHOLDER: replaced by the client signal and launch.
#include "clientlink/ClientSignal.h"

long ReadLoadRequestSignal() { return 0; }
void WriteLoadRequestSignal(long) {}
void BumpLoadRequestSignal() {}
BOOL IsClientRunning(const std::string&) { return FALSE; }
void StartClientIfNeeded(CKeyValueMap&) {}
BOOL LaunchProcess(const std::string&, PROCESS_INFORMATION*, BOOL, DWORD) { return FALSE; }
