#include "vxhost/HostOutput.h"

#include <windows.h>

#include <cstdio>

#include "common/ToolText.h"

namespace {

struct OutputLock {
    CRITICAL_SECTION section;
    OutputLock() { InitializeCriticalSection(&section); }
};

OutputLock& Lock()
{
    static OutputLock lock;
    return lock;
}

class Held {
public:
    Held() { EnterCriticalSection(&Lock().section); }
    ~Held() { LeaveCriticalSection(&Lock().section); }
};

}  // namespace

void PrintLine(const std::string& prefix, const std::string& text)
{
    Held held;
    std::string line = prefix + ": " + EscapeControls(text) + "\n";
    fwrite(line.data(), 1, line.size(), stdout);
    fflush(stdout);
}

void PrintError(const std::string& text)
{
    Held held;
    std::string line = "vxhost: error: " + EscapeControls(text) + "\n";
    fflush(stdout);
    fwrite(line.data(), 1, line.size(), stderr);
    fflush(stderr);
}
