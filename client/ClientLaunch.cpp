#include "client/ClientLaunch.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "client/KeyNames.h"
#include "client/SettingsStore.h"
#include "diag/TraceEntries.h"
#include "diag/TraceLog.h"
#include "win/Owned.h"
#include "win/SystemCalls.h"

namespace {

const std::size_t kCommandLineCapacity = 4096;

std::string StartupMessage(const char* opening, const std::string& path)
{
    return std::string(opening) + " :\nApplication Not Installed \nApplication path: " + path +
           "\nInstance name: " + kClientInstanceName;
}

void ShowStartupBox(long line, const std::string& text)
{
    TraceLogFileWrite(kClientLinkTraceSource, line, text.c_str());
    systemCalls.MessageBoxA(nullptr, text.c_str(), "Startup", MB_OK);
}

}  // namespace

bool IsClientRunning(const std::string& instanceName)
{
    OwnedHandle mapping(OpenFileMappingA(FILE_MAP_READ, FALSE, instanceName.c_str()));
    return static_cast<bool>(mapping);
}

void StartClientIfNeeded(const CKeyValueMap& settings, ClientStartStyle style)
{
    if (IsClientRunning(kClientInstanceName)) return;

    std::string path;
    if (!settings.Lookup(kClientCommandSetting, path)) {
        ShowStartupBox(__LINE__, StartupMessage("No ApplicationPath for starting the Tolvane Client application", path));
        return;
    }
    if (!LaunchProcess(path, nullptr, true, NORMAL_PRIORITY_CLASS, style))
        ShowStartupBox(__LINE__, StartupMessage("Error starting the Tolvane Client application", path));
}

bool LaunchProcess(const std::string& commandLine, PROCESS_INFORMATION* processInfo, bool hidden,
                   DWORD priorityClass, ClientStartStyle style)
{
    if (priorityClass != IDLE_PRIORITY_CLASS && priorityClass != NORMAL_PRIORITY_CLASS &&
        priorityClass != HIGH_PRIORITY_CLASS) {
        char message[64];
        std::snprintf(message, sizeof(message), "Unsupported priority class %ld", static_cast<long>(priorityClass));
        TraceLogFileWrite(kClientLinkTraceSource, __LINE__, message);
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
        return false;
    }
    std::vector<char> buffer(kCommandLineCapacity, '\0');
    std::memcpy(buffer.data(), commandLine.data(), commandLine.size());

    const bool detached = style == ClientStartStyle::detached;
    DWORD flags = priorityClass;
    if (detached) flags |= DETACHED_PROCESS | CREATE_BREAKAWAY_FROM_JOB;
    PROCESS_INFORMATION created;
    std::memset(&created, 0, sizeof(created));
    BOOL started = systemCalls.CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, detached ? FALSE : TRUE,
                                              flags, nullptr, nullptr, &startupInfo, &created);
    // A job that does not allow breaking away refuses the flag: the client then stays in the job.
    if (!started && detached && GetLastError() == ERROR_ACCESS_DENIED)
        started = systemCalls.CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE,
                                             flags & ~CREATE_BREAKAWAY_FROM_JOB, nullptr, nullptr, &startupInfo,
                                             &created);
    if (!started) return false;

    if (processInfo) {
        *processInfo = created;
        return true;
    }
    OwnedHandle process(created.hProcess);
    OwnedHandle thread(created.hThread);
    return true;
}
