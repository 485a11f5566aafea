#include "diag/TraceSwitch.h"

#include <string>

#include "diag/TraceLog.h"
#include "win/Registry.h"

const char* const kDiagnosticsKeyPath = "Software\\TOLVANE\\Tolvane Delivery\\Diagnostics";
const char* const kTraceLogValueName = "TraceLog";

namespace {
bool openedAtStartUp = false;
}  // namespace

bool OpenTraceLogWhenSwitchedOn()
{
    std::string path;
    if (!ReadRegistryString(kDiagnosticsKeyPath, kTraceLogValueName, path) || path.empty()) return false;
    if (TraceLogFileOpen(path.c_str(), 1, 0) != 1) return false;
    openedAtStartUp = true;
    return true;
}

void CloseTraceLogOpenedAtStartUp()
{
    if (!openedAtStartUp) return;
    openedAtStartUp = false;
    TraceLogFileClose();
}
