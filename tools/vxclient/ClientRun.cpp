#include "vxclient/ClientRun.h"

#include <windows.h>

#include <cstdio>

#include "common/ToolFiles.h"
#include "common/ToolNames.h"
#include "common/ToolText.h"
#include "vxclient/ClientSettings.h"
#include "vxclient/RequestIntake.h"
#include "win/Owned.h"

namespace {

// The load-request signal's key, watched for a new value.
struct SignalWatch {
    OwnedKey key;
    OwnedHandle changed{CreateEventA(nullptr, FALSE, FALSE, nullptr)};
    bool watching = false;

    // Asks to be told of the next change; once told, it must ask again.
    bool Arm()
    {
        return RegNotifyChangeKeyValue(key.get(), FALSE, REG_NOTIFY_CHANGE_LAST_SET, changed.get(), TRUE) == ERROR_SUCCESS;
    }
};

enum class Start { go, secondCopy, failed };

// The quit event and the file mapping whose name tells the plug-in that a client runs.
// `mappingError` is the last error of the mapping's creation, which tells a second copy.
Start TakeTheName(const ClientLog& log, const OwnedHandle& quit, const OwnedHandle& mapping, DWORD mappingError)
{
    if (!mapping) {
        log.Write("cannot create the mapping " + std::string(kClientInstanceName) + ": " + ErrorText(mappingError));
        return Start::failed;
    }
    if (mappingError == ERROR_ALREADY_EXISTS) {
        log.Write("second copy exits: a client is already running");
        return Start::secondCopy;
    }
    if (!quit) {
        log.Write("cannot create the quit event: " + ErrorText(GetLastError()));
        return Start::failed;
    }
    return Start::go;
}

void WatchSignal(SignalWatch& signal, const ClientLog& log)
{
    std::string signalPath = std::string(kClientSettingsKey) + "\\" + kSignalSubKey;
    LONG status = RegCreateKeyExA(HKEY_CURRENT_USER, signalPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_NOTIFY | KEY_QUERY_VALUE, nullptr, signal.key.put(), nullptr);
    signal.watching = status == ERROR_SUCCESS && signal.Arm();
    if (!signal.watching) log.Write("cannot watch the load-request signal: " + ErrorText(status));
}

// Takes up what is there, then waits for the quit event, the directory or the signal, and again.
void ServeUntilStopped(const ClientSettings& settings, const ClientLog& log, HANDLE quit, HANDLE directoryChanged,
                       SignalWatch& signal)
{
    IntakeCount last = TakeUpSubmissions(settings, log);  // files left from before come first
    const bool watchingDirectory = directoryChanged != INVALID_HANDLE_VALUE;
    for (;;) {
        HANDLE waits[3];
        DWORD count = 0;
        waits[count++] = quit;
        if (watchingDirectory) waits[count++] = directoryChanged;
        if (signal.watching) waits[count++] = signal.changed.get();
        // A file another program still held is looked at again shortly; otherwise only events wake us.
        DWORD timeout = last.busy > 0 ? 250 : (watchingDirectory ? INFINITE : 2000);
        DWORD woke = WaitForMultipleObjects(count, waits, FALSE, timeout);
        if (woke == WAIT_OBJECT_0) return;
        if (woke == WAIT_FAILED) {
            log.Write("waiting failed: " + ErrorText(GetLastError()));
            return;
        }
        HANDLE which = woke == WAIT_TIMEOUT ? nullptr : waits[woke - WAIT_OBJECT_0];
        if (which && which == directoryChanged) FindNextChangeNotification(directoryChanged);
        if (which && which == signal.changed.get()) {
            signal.Arm();
            log.Write("load-request signal " + ReadSignalText());
        }
        last = TakeUpSubmissions(settings, log);
    }
}

}  // namespace

std::string QuitEventName() { return std::string("vxclient-quit-") + kClientInstanceName; }

int RunClient()
{
    ClientSettings settings;
    std::string problem;
    if (!ReadClientSettings(settings, problem)) {
        fprintf(stderr, "vxclient: %s\n", problem.c_str());
        return 1;
    }
    CreateFolderPath(settings.dataDir);
    ClientLog log(settings.dataDir + "\\client.log");

    OwnedHandle quit(CreateEventA(nullptr, TRUE, FALSE, QuitEventName().c_str()));
    // The plug-in knows the client runs by this mapping; it only ever opens it for reading.
    OwnedHandle mapping(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, kClientInstanceName));
    DWORD mappingError = GetLastError();
    Start start = TakeTheName(log, quit, mapping, mappingError);
    if (start != Start::go) return start == Start::secondCopy ? 0 : 1;
    if (!CreateFolderPath(settings.requestDir)) {
        log.Write("cannot create the request directory " + settings.requestDir);
        return 1;
    }
    log.Write("started, watching " + settings.requestDir);

    // A change notification is closed by FindCloseChangeNotification, not CloseHandle.
    OwnedChangeNotification directoryChanged(FindFirstChangeNotificationA(
        settings.requestDir.c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE));
    if (!directoryChanged)
        log.Write("cannot watch the request directory: " + ErrorText(GetLastError()) + "; relying on the signal");
    SignalWatch signal;
    WatchSignal(signal, log);

    ServeUntilStopped(settings, log, quit.get(), directoryChanged.get(), signal);
    log.Write("stopped");
    return 0;
}
