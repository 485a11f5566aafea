// vxhost: a small browser that hosts an NPAPI plug-in on a local page, for people and for scripts.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

#include "vxhost/DialogAutomation.h"
#include "vxhost/HostOptions.h"
#include "vxhost/HostOutput.h"
#include "vxhost/HostSession.h"
#include "win/Owned.h"

namespace {

// What the time-out thread watches: the run's end, its limit and where the run is.
struct Watch {
    HANDLE finished;
    int seconds;
    const HostSession* session;
};

DWORD WINAPI Watchdog(LPVOID parameter)
{
    const Watch& watch = *static_cast<const Watch*>(parameter);
    if (WaitForSingleObject(watch.finished, static_cast<DWORD>(watch.seconds) * 1000) != WAIT_TIMEOUT) return 0;
    int click = watch.session->RunningClick();
    std::string where = click ? "during click " + std::to_string(click) : "outside a click";
    std::string dialogs;
    for (const std::string& title : OpenDialogTitles()) dialogs += (dialogs.empty() ? "" : ", ") + ("\"" + title + "\"");
    PrintError("time-out after " + std::to_string(watch.seconds) + " s " + where +
               (dialogs.empty() ? "" : "; open dialogs: " + dialogs));
    TerminateProcess(GetCurrentProcess(), kTimedOut);
    return 0;
}

LONG WINAPI OnCrash(EXCEPTION_POINTERS* pointers)
{
    char text[160];
    snprintf(text, sizeof text, "crashed with exception 0x%08lX at address %p",
             static_cast<unsigned long>(pointers->ExceptionRecord->ExceptionCode),
             pointers->ExceptionRecord->ExceptionAddress);
    PrintError(text);
    TerminateProcess(GetCurrentProcess(), kCrashed);
    return EXCEPTION_EXECUTE_HANDLER;
}

// The session's Run under the time-out; the exit code.
int RunWatched(const Options& options)
{
    HostSession session(options);
    OwnedHandle finished(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    Watch watch{finished.get(), options.TimeoutSeconds(), &session};
    OwnedHandle watchdog(watch.seconds > 0 ? CreateThread(nullptr, 0, Watchdog, &watch, 0, nullptr) : nullptr);
    int result;
    try {
        result = session.Run();
    } catch (const std::exception& e) {
        PrintError(e.what());
        result = kSetupFailed;
    }
    SetEvent(finished.get());
    if (watchdog) WaitForSingleObject(watchdog.get(), INFINITE);
    return result;
}

}  // namespace

int main(int argc, char** argv)
{
    // Plain line feeds: the output is read by scripts as much as by people.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(OnCrash);
    Options options;
    try {
        options = ParseOptions(argc, argv);
    } catch (const UsageError& e) {
        PrintError(e.what());
        fputs(kUsage, stderr);
        return kSetupFailed;
    }
    int result = RunWatched(options);
    // The plug-in may have started processes that inherited our handles; end without waiting on them.
    fflush(stdout);
    ExitProcess(static_cast<UINT>(result));
}
