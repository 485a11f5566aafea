// vxclient: the least delivery client that the plug-in's contract needs, for the demo and the tests.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "common/ToolFiles.h"
#include "common/ToolNames.h"
#include "common/ToolText.h"
#include "vxclient/ClientRun.h"
#include "vxclient/ClientSettings.h"
#include "vxclient/RequestIntake.h"
#include "win/Owned.h"

namespace {

enum ExitCode { kSuccess = 0, kFailed = 1, kUsage = 2 };

const char kUsageText[] =
    "usage: vxclient                 run: take up submission files until stopped\n"
    "       vxclient --install [--request-dir DIR] [--delivery-dir DIR] [--data-dir DIR]\n"
    "                                write the settings key (the plug-in's setup program registers the plug-in)\n"
    "       vxclient --uninstall     remove the settings key\n"
    "       vxclient --stop          stop the running client and wait until it has gone\n"
    "       vxclient --status        exit 0 when a client is running, 1 when not\n";

bool IsRunning()
{
    return static_cast<bool>(OwnedHandle(OpenFileMappingA(FILE_MAP_READ, FALSE, kClientInstanceName)));
}

std::string OwnPath()
{
    char path[MAX_PATH * 2] = "";
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    return std::string(path, length);
}

std::string DefaultDataDir()
{
    char folder[MAX_PATH] = "";
    DWORD length = GetEnvironmentVariableA("LOCALAPPDATA", folder, sizeof folder);
    if (length == 0 || length >= sizeof folder) length = GetTempPathA(sizeof folder, folder);
    std::string base(folder, length);
    while (!base.empty() && base.back() == '\\') base.pop_back();
    return base + "\\Tolvane Delivery";
}

int Install(int argc, char** argv)
{
    ClientSettings settings;
    settings.dataDir = DefaultDataDir();
    for (int i = 2; i < argc; ++i) {
        std::string option = argv[i];
        if (i + 1 >= argc) {
            fprintf(stderr, "vxclient: %s needs a value\n", option.c_str());
            return kUsage;
        }
        std::string value = argv[++i];
        if (option == "--request-dir") settings.requestDir = FullPath(value);
        else if (option == "--delivery-dir") settings.deliveryDir = FullPath(value);
        else if (option == "--data-dir") settings.dataDir = FullPath(value);
        else {
            fprintf(stderr, "vxclient: unknown option %s\n%s", option.c_str(), kUsageText);
            return kUsage;
        }
    }
    if (settings.requestDir.empty()) settings.requestDir = settings.dataDir + "\\requests";
    if (settings.deliveryDir.empty()) settings.deliveryDir = settings.dataDir + "\\downloads";
    // Quoted, since the path may hold blanks: the plug-in uses the value as a whole command line.
    settings.applicationPath = "\"" + OwnPath() + "\"";
    for (const std::string* folder : {&settings.dataDir, &settings.requestDir, &settings.deliveryDir}) {
        if (!CreateFolderPath(*folder)) {
            fprintf(stderr, "vxclient: cannot create %s: %s\n", folder->c_str(), ErrorText(GetLastError()).c_str());
            return kFailed;
        }
    }
    std::string problem;
    if (!WriteClientSettings(settings, problem)) {
        fprintf(stderr, "vxclient: %s\n", problem.c_str());
        return kFailed;
    }
    printf("vxclient: installed: ApplicationPath=%s LoadRequestDir=%s LoadDeliveryDir=%s ClientDataDir=%s\n",
           settings.applicationPath.c_str(), settings.requestDir.c_str(), settings.deliveryDir.c_str(),
           settings.dataDir.c_str());
    return kSuccess;
}

int Uninstall()
{
    std::string problem;
    if (!DeleteClientSettings(problem)) {
        fprintf(stderr, "vxclient: %s\n", problem.c_str());
        return kFailed;
    }
    printf("vxclient: uninstalled\n");
    return kSuccess;
}

int Stop()
{
    if (!IsRunning()) {
        printf("vxclient: not running\n");
        return kSuccess;
    }
    OwnedHandle quit;
    // The client makes its quit event before its mapping; allow for one that is just starting.
    for (int attempt = 0; attempt < 100 && !quit; ++attempt) {
        quit.reset(OpenEventA(EVENT_MODIFY_STATE, FALSE, QuitEventName().c_str()));
        if (!quit) Sleep(50);
    }
    if (!quit) {
        fprintf(stderr, "vxclient: a client runs but cannot be asked to stop\n");
        return kFailed;
    }
    SetEvent(quit.get());
    quit.reset();
    for (int waited = 0; waited < 10000; waited += 50) {
        if (!IsRunning()) {
            printf("vxclient: stopped\n");
            return kSuccess;
        }
        Sleep(50);
    }
    fprintf(stderr, "vxclient: the client did not stop within 10 s\n");
    return kFailed;
}

}  // namespace

int main(int argc, char** argv)
{
    // Plain line feeds: the output is read by scripts as much as by people.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    std::string command = argc > 1 ? argv[1] : "";
    if (command.empty() || command == "--run") return RunClient();
    if (command == "--install") return Install(argc, argv);
    if (command == "--uninstall") return Uninstall();
    if (command == "--stop") return Stop();
    if (command == "--status") {
        bool running = IsRunning();
        printf("vxclient: %s\n", running ? "running" : "not running");
        return running ? kSuccess : kFailed;
    }
    if (command == "--help" || command == "-h") {
        fputs(kUsageText, stdout);
        return kSuccess;
    }
    fprintf(stderr, "vxclient: unknown command %s\n%s", command.c_str(), kUsageText);
    return kUsage;
}
