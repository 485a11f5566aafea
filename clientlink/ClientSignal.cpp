#include "clientlink/ClientSignal.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

#include "clientlink/PlatformCalls.h"
#include "clientlink/SettingsStore.h"
#include "diag/TraceLog.h"
#include "win/Owned.h"

namespace {

const char* const kSignalValueName = "Value";
const char* const kSignalSource = "clientlink/ClientSignal";
const std::size_t kCommandLineCapacity = 4096;

std::string SignalKeyPath() { return productKeyPath + "\\LoadRequestSignal"; }

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// As "%ld" reads: leading whitespace, an optional sign, digits up to the first other character;
// no number at all gives 0. Out-of-range digits saturate instead of overflowing.
long ParseSignal(const std::string& text)
{
    std::size_t position = 0;
    while (position < text.size() && IsBlank(text[position])) ++position;
    bool negative = false;
    if (position < text.size() && (text[position] == '+' || text[position] == '-')) {
        negative = text[position] == '-';
        ++position;
    }
    const long long limit = negative ? -static_cast<long long>(LONG_MIN) : LONG_MAX;
    long long magnitude = 0;
    while (position < text.size() && text[position] >= '0' && text[position] <= '9') {
        magnitude = magnitude * 10 + (text[position] - '0');
        if (magnitude > limit) magnitude = limit;
        ++position;
    }
    return static_cast<long>(negative ? -magnitude : magnitude);
}

std::string StartupMessage(const char* opening, const std::string& path)
{
    return std::string(opening) + " :\nApplication Not Installed \nApplication path: " + path +
           "\nInstance name: " + clientInstanceName;
}

void ShowStartupBox(long line, const std::string& text)
{
    TraceLogFileWrite(kSignalSource, line, text.c_str());
    platform.MessageBoxA(nullptr, text.c_str(), "Startup", MB_OK);
}

}  // namespace

long ReadLoadRequestSignal()
{
    std::string text;
    if (!ReadRegistryString(SignalKeyPath(), kSignalValueName, text)) return 0;
    return ParseSignal(text);
}

void WriteLoadRequestSignal(long value)
{
    char text[16];
    std::snprintf(text, sizeof(text), "%ld", value);
    WriteRegistryString(SignalKeyPath(), kSignalValueName, text);
}

void BumpLoadRequestSignal()
{
    long current = ReadLoadRequestSignal();
    if (current < 0) return;  // a negative value belongs to the client: leave it as it is
    // At the top of the range the counter starts again at 1, so that it keeps changing.
    WriteLoadRequestSignal(current == LONG_MAX ? 1 : current + 1);
}

BOOL IsClientRunning(const std::string& name)
{
    OwnedHandle mapping(OpenFileMappingA(FILE_MAP_READ, FALSE, name.c_str()));
    return mapping ? TRUE : FALSE;
}

void StartClientIfNeeded(CKeyValueMap& settings)
{
    if (IsClientRunning(clientInstanceName)) return;

    std::string path;
    if (!settings.Lookup("ApplicationPath", path)) {
        ShowStartupBox(__LINE__, StartupMessage(
                                     "No ApplicationPath for starting the Tolvane Client application", path));
        return;
    }
    if (!LaunchProcess(path, nullptr, TRUE, NORMAL_PRIORITY_CLASS)) {
        ShowStartupBox(__LINE__, StartupMessage("Error starting the Tolvane Client application", path));
    }
}

BOOL LaunchProcess(const std::string& commandLine, PROCESS_INFORMATION* processInfo, BOOL hidden,
                   DWORD priorityClass)
{
    if (priorityClass != IDLE_PRIORITY_CLASS && priorityClass != NORMAL_PRIORITY_CLASS &&
        priorityClass != HIGH_PRIORITY_CLASS) {
        char message[64];
        std::snprintf(message, sizeof(message), "Unsupported priority class %ld",
                      static_cast<long>(priorityClass));
        TraceLogFileWrite(kSignalSource, __LINE__, message);
        priorityClass = NORMAL_PRIORITY_CLASS;
    }

    STARTUPINFOA startupInfo;
    std::memset(&startupInfo, 0, sizeof(startupInfo));
    startupInfo.cb = sizeof(startupInfo);
    startupInfo.dwFlags = STARTF_USESHOWWINDOW;
    startupInfo.wShowWindow = hidden ? SW_HIDE : SW_SHOWNORMAL;

    // CreateProcessA may write into its command line, so it gets a copy; one that does not fit
    // is a launch that failed.
    if (commandLine.size() >= kCommandLineCapacity) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return FALSE;
    }
    std::vector<char> buffer(kCommandLineCapacity, '\0');
    std::memcpy(buffer.data(), commandLine.data(), commandLine.size());

    PROCESS_INFORMATION created;
    std::memset(&created, 0, sizeof(created));
    if (!platform.CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, TRUE, priorityClass,
                                 nullptr, nullptr, &startupInfo, &created))
        return FALSE;

    if (processInfo) {
        *processInfo = created;
    } else {
        CloseHandle(created.hProcess);
        CloseHandle(created.hThread);
    }
    return TRUE;
}
