// The browser's start-up with the plug-in: LoadLibrary, NP_GetEntryPoints and NP_Initialize of the
// real DLL while the client runs, next to a floor made of loading an empty DLL built the same way
// and the Win32 calls that the start-up cannot avoid (the trace switch's key, DDE client
// initialisation, the button class look-up and the cursor file beside the DLL, the settings key read
// whole, the client's file mapping). A third DLL, empty but for the C++ runtime the plug-in links, shows how
// much of the load is that runtime's.
//
//   vxbench_init PLUGIN.dll EMPTY.dll RUNTIME.dll [runs]
#include <windows.h>
#include <ddeml.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "plugin/npapi.h"

namespace {

const char* const kProductKey = "Software\\TOLVANE\\Tolvane Delivery\\970128";
const char* const kDiagnosticsKey = "Software\\TOLVANE\\Tolvane Delivery\\Diagnostics";

HDDEDATA CALLBACK IgnoreDde(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) { return nullptr; }

// Microseconds spent in LoadLibrary alone by the last start, of the plug-in and of the floor.
double pluginLoadTime = 0, floorLoadTime = 0;

struct Loaded {
    HMODULE module = nullptr;
    DWORD ddeInstance = 0;
};

Loaded FloorStart(const char* emptyDll)
{
    Loaded loaded;
    const double start = NowMicroseconds();
    loaded.module = LoadLibraryA(emptyDll);
    floorLoadTime = NowMicroseconds() - start;
    if (!loaded.module) Fail("cannot load the empty DLL");
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kDiagnosticsKey, 0, KEY_READ, &key) == ERROR_SUCCESS) RegCloseKey(key);
    DdeInitializeA(&loaded.ddeInstance, IgnoreDde, APPCMD_CLIENTONLY, 0);
    WNDCLASSA buttonClass{};
    GetClassInfoA(nullptr, "BUTTON", &buttonClass);
    // The cursor file beside the DLL. Named without a folder, Wine would search for it: about a
    // millisecond that the job does not need.
    char path[MAX_PATH] = "";
    const DWORD length = GetModuleFileNameA(loaded.module, path, sizeof path);
    std::string cursorPath(path, length < sizeof path ? length : 0);
    cursorPath = cursorPath.substr(0, cursorPath.find_last_of('\\') + 1) + "cursor1.cur";
    HCURSOR cursor = LoadCursorFromFileA(cursorPath.c_str());
    if (cursor) DestroyCursor(cursor);

    if (RegOpenKeyExA(HKEY_CURRENT_USER, kProductKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        DWORD count = 0, longestName = 0, largestData = 0;
        RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longestName,
                         &largestData, nullptr, nullptr);
        std::vector<char> name(longestName + 2), data(largestData + 2);
        for (DWORD index = 0; index < count; ++index) {
            DWORD nameLength = longestName + 1, dataSize = largestData + 1, type = 0;
            RegEnumValueA(key, index, name.data(), &nameLength, nullptr, &type,
                          reinterpret_cast<BYTE*>(data.data()), &dataSize);
        }
        RegCloseKey(key);
    }
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, "970128");
    if (!mapping) Fail("floor: no client mapping");
    CloseHandle(mapping);
    return loaded;
}

void FloorStop(const Loaded& loaded)
{
    if (loaded.ddeInstance) DdeUninitialize(loaded.ddeInstance);
    FreeLibrary(loaded.module);
}

NPNetscapeFuncs browser{};

// GetProcAddress gives every export one type; this gives it back its own.
template <typename Function>
Function Export(HMODULE module, const char* name)
{
    FARPROC address = GetProcAddress(module, name);
    Function function;
    static_assert(sizeof function == sizeof address, "function pointers differ in size");
    std::memcpy(&function, &address, sizeof function);
    return function;
}

HMODULE PluginStart(const char* pluginDll)
{
    const double start = NowMicroseconds();
    HMODULE module = LoadLibraryA(pluginDll);
    pluginLoadTime = NowMicroseconds() - start;
    if (!module) Fail("cannot load the plug-in");
    auto getEntryPoints = Export<NP_GetEntryPointsFunc>(module, "NP_GetEntryPoints");
    auto initialize = Export<NP_InitializeFunc>(module, "NP_Initialize");
    if (!getEntryPoints || !initialize) Fail("the plug-in lacks its exports");
    static NPPluginFuncs plugin;
    plugin = NPPluginFuncs{};
    plugin.size = sizeof plugin;
    if (getEntryPoints(&plugin) != NPERR_NO_ERROR) Fail("NP_GetEntryPoints failed");
    if (initialize(&browser) != NPERR_NO_ERROR) Fail("NP_Initialize failed");
    return module;
}

void PluginStop(HMODULE module)
{
    auto shutdown = Export<NP_ShutdownFunc>(module, "NP_Shutdown");
    if (shutdown) shutdown();
    FreeLibrary(module);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: vxbench_init PLUGIN.dll EMPTY.dll RUNTIME.dll [runs]\n");
        return 2;
    }
    const char* pluginDll = argv[1];
    const char* emptyDll = argv[2];
    const char* runtimeDll = argv[3];
    const int runs = argc > 4 ? std::atoi(argv[4]) : 51;

    ScratchFolder requestDir("init");
    WriteUserKey(kProductKey, ClientSettings(requestDir.Path(), 20));
    HANDLE clientMapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 16, "970128");
    if (!clientMapping) Fail("cannot create the client mapping");
    browser.size = sizeof browser;
    browser.version = NP_VERSION_MINOR;

    // Warm-up: the files in the page cache, the system DLLs loaded, as in a browser that has started.
    for (int run = 0; run < 3; ++run) {
        PluginStop(PluginStart(pluginDll));
        FloorStop(FloorStart(emptyDll));
        FreeLibrary(LoadLibraryA(runtimeDll));
    }
    if (GetModuleHandleA(pluginDll)) Fail("the plug-in stays loaded after FreeLibrary");

    // Alternately, the floor first every other time, so that neither always follows the other.
    PairedTimes total, load, rest, runtimeLoad;
    for (int run = 0; run < runs; ++run) {
        double pluginTime = 0, floorTime = 0;
        auto timePlugin = [&] {
            const double start = NowMicroseconds();
            HMODULE module = PluginStart(pluginDll);
            pluginTime = NowMicroseconds() - start;
            PluginStop(module);
        };
        auto timeFloor = [&] {
            const double start = NowMicroseconds();
            Loaded loaded = FloorStart(emptyDll);
            floorTime = NowMicroseconds() - start;
            FloorStop(loaded);
        };
        if (run % 2) {
            timeFloor();
            timePlugin();
        } else {
            timePlugin();
            timeFloor();
        }
        total.Add(pluginTime, floorTime);
        load.Add(pluginLoadTime, floorLoadTime);
        rest.Add(pluginTime - pluginLoadTime, floorTime - floorLoadTime);

        const double start = NowMicroseconds();
        HMODULE runtime = LoadLibraryA(runtimeDll);
        runtimeLoad.Add(NowMicroseconds() - start, floorLoadTime);
        if (!runtime) Fail("cannot load the runtime DLL");
        FreeLibrary(runtime);
    }
    char label[96];
    std::snprintf(label, sizeof label, "start-up: LoadLibrary + NP_GetEntryPoints + NP_Initialize (%d runs)", runs);
    PrintRow(label, total, "us", "<=1.1");
    PrintRow("  step: LoadLibrary (floor: an empty DLL built alike)", load, "us", "-");
    PrintRow("  step: NP_GetEntryPoints + NP_Initialize", rest, "us", "-");
    PrintRow("  detail: LoadLibrary, empty DLL + the C++ runtime (floor: empty DLL)", runtimeLoad, "us", "-");

    CloseHandle(clientMapping);
    DeleteUserTree("Software\\TOLVANE");
    return 0;
}
