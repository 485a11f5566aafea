#include "diag/Diagnostics.h"

#include <string>

#include "clientlink/SettingsStore.h"
#include "diag/TraceLog.h"

const char* const kDiagnosticsKeyPath = "Software\\TOLVANE\\Tolvane Delivery\\Diagnostics";
const char* const kTraceLogValueName = "TraceLog";

namespace {
bool openedAtStartUp = false;
}  // namespace

int OpenTraceLogWhenSwitchedOn()
{
    std::string path;
    if (!ReadRegistryString(kDiagnosticsKeyPath, kTraceLogValueName, path) || path.empty()) return 0;
    if (TraceLogFileOpen(path.c_str(), 1, 0) != 1) return 0;
    openedAtStartUp = true;
    return 1;
}

void CloseTraceLogOpenedAtStartUp()
{
    if (!openedAtStartUp) return;
    openedAtStartUp = false;
    TraceLogFileClose();
}
