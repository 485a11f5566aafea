#include "vxhost/HostOutput.h"

#include <windows.h>

#include <cstdio>

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

std::string EscapeControls(const std::string& text)
{
    std::string out;
    for (unsigned char c : text) {
        if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '\t') out += "\\t";
        else if (c < 0x20 || c == 0x7F) {
            char code[8];
            snprintf(code, sizeof code, "\\x%02X", c);
            out += code;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

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
