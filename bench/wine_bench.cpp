// The plug-in's own work around a click, and the settings store's scaling, each next to a floor: the
// same Win32 calls made directly, in the same process, interleaved with the plug-in's runs so that
// both see the same wineserver and the same disk.
//
//   vxbench_wine click [clicks]    one click of a "RICH" request from a streamed request file
//   vxbench_wine scale             settings load and save with 10 to 10,000 values
#include <windows.h>
#include <commdlg.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "client/ClientLaunch.h"
#include "client/LoadRequestSignal.h"
#include "client/SettingsStore.h"
#include "plugin/InstanceBrowser.h"
#include "plugin/InstanceData.h"
#include "plugin/ModuleState.h"
#include "plugin/PluginEntry.h"
#include "request/RequestDispatch.h"
#include "request/RequestFile.h"
#include "request/RequestText.h"
#include "request/SaveFlow.h"
#include "request/SubmissionFile.h"
#include "request/UploadFlow.h"
#include "win/SystemCalls.h"

namespace {

using Values = std::vector<std::pair<std::string, std::string>>;

const char* const kClientMappingName = "970128";
const std::string kSignalKey = std::string(kProductKeyPath) + "\\LoadRequestSignal";

// ---- The browser and the user, as far as a click that needs no dialog sees them ----

std::string lastStatus;
int unexpectedCalls = 0;

void RecordStatus(NPP, const char* message) { lastStatus = message ? message : ""; }

int WINAPI UnexpectedBox(HWND, LPCSTR text, LPCSTR, UINT)
{
    std::fprintf(stderr, "unexpected message box: %s\n", text ? text : "");
    ++unexpectedCalls;
    return IDOK;
}
BOOL WINAPI UnexpectedDialog(LPOPENFILENAMEA)
{
    ++unexpectedCalls;
    return FALSE;
}
DWORD WINAPI NoExtendedError() { return 0; }
BOOL WINAPI UnexpectedProcess(LPCSTR, LPSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD,
                              LPVOID, LPCSTR, LPSTARTUPINFOA, LPPROCESS_INFORMATION)
{
    ++unexpectedCalls;
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
}

// ---- The floor: what the click does, as plain Win32 calls ----

struct Floor {
    std::string requestDir;
    std::string body;    // the submission file's bytes, as the plug-in wrote them
    Values settings;     // what the settings save writes
    std::vector<char> name = std::vector<char>(256);
    std::vector<char> data = std::vector<char>(4096);
};

void FloorLoad(Floor& floor, const char* keyPath)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) Fail("floor open");
    DWORD count = 0, longestName = 0, largestData = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longestName,
                     &largestData, nullptr, nullptr);
    if (floor.name.size() < longestName + 2) floor.name.resize(longestName + 2);
    if (floor.data.size() < largestData + 2) floor.data.resize(largestData + 2);
    for (DWORD index = 0; index < count; ++index) {
        DWORD nameLength = longestName + 1, dataSize = largestData + 1, type = 0;
        if (RegEnumValueA(key, index, floor.name.data(), &nameLength, nullptr, &type,
                          reinterpret_cast<BYTE*>(floor.data.data()), &dataSize) != ERROR_SUCCESS)
            Fail("floor enumerate");
    }
    RegCloseKey(key);
}

void FloorSave(const Values& values, const char* keyPath)
{
    HKEY key;
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &key, &disposition) != ERROR_SUCCESS)
        Fail("floor create");
    for (const auto& value : values)
        RegSetValueExA(key, value.first.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.second.c_str()),
                       static_cast<DWORD>(value.second.size() + 1));
    RegCloseKey(key);
}

void FloorClientCheck()
{
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, kClientMappingName);
    if (!mapping) Fail("floor: no client mapping");
    CloseHandle(mapping);
}

// The submission's durable steps as the plug-in takes them: a temporary file created new, written,
// flushed to the disk and closed, then renamed to its final name. The request's bytes were read when
// the browser streamed the file, before the click, on both sides.
void FloorSubmit(Floor& floor)
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    char stem[64];
    std::snprintf(stem, sizeof stem, "%09lx", static_cast<unsigned long>(now.dwLowDateTime / 10000));
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "-%08lx-0.tmp", static_cast<unsigned long>(GetCurrentProcessId()));
    const std::string temporary = floor.requestDir + "\\" + stem + suffix;
    const std::string final = floor.requestDir + "\\" + stem + ".vnxsubmit";
    HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) Fail("floor: create");
    DWORD written = 0;
    if (!WriteFile(file, floor.body.data(), static_cast<DWORD>(floor.body.size()), &written, nullptr) ||
        written != floor.body.size())
        Fail("floor: write");
    if (!FlushFileBuffers(file)) Fail("floor: flush");
    if (!CloseHandle(file)) Fail("floor: close");
    if (!MoveFileA(temporary.c_str(), final.c_str())) Fail("floor: rename");
}

void FloorSignal()
{
    HKEY key;
    char text[4096];
    DWORD size = sizeof text - 1, type = 0;
    long value = 0;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSignalKey.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        if (RegQueryValueExA(key, "Value", nullptr, &type, reinterpret_cast<BYTE*>(text), &size) ==
            ERROR_SUCCESS) {
            text[size] = '\0';
            value = std::strtol(text, nullptr, 10);
        }
        RegCloseKey(key);
    }
    std::snprintf(text, sizeof text, "%ld", value + 1);
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSignalKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, &disposition) != ERROR_SUCCESS)
        Fail("floor: signal key");
    RegSetValueExA(key, "Value", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>(std::strlen(text) + 1));
    RegCloseKey(key);
}

void FloorClick(Floor& floor)
{
    FloorLoad(floor, kProductKeyPath);
    FloorClientCheck();
    FloorSubmit(floor);
    FloorSignal();
    FloorSave(floor.settings, kProductKeyPath);
}

// ---- Timing ----

// Runs a and b alternately, each followed by its untimed tidy-up, b first every other time so that
// neither always follows the other's tidy-up.
template <typename A, typename B, typename Tidy>
PairedTimes Interleaved(int runs, A a, B b, Tidy tidy)
{
    auto timed = [&](auto& step) {
        const double start = NowMicroseconds();
        step();
        const double time = NowMicroseconds() - start;
        tidy();
        return time;
    };
    PairedTimes times;
    for (int run = 0; run < runs; ++run) {
        if (run % 2) {
            const double floorTime = timed(b);
            times.Add(timed(a), floorTime);
        } else {
            const double figureTime = timed(a);
            times.Add(figureTime, timed(b));
        }
    }
    return times;
}

int RunClick(int clicks)
{
    ScratchFolder requestDir("requests");
    ScratchFolder cache("cache");
    const Values settings = ClientSettings(requestDir.Path(), 20);
    WriteUserKey(kProductKeyPath, settings);
    DeleteUserTree(kSignalKey);

    // The client runs: its mapping is there, so the click starts nothing.
    HANDLE clientMapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 16,
                                              kClientMappingName);
    if (!clientMapping) Fail("cannot create the client mapping");

    const std::string requestFile = cache.Path() + "\\request.vnxclient";
    if (!WriteWholeFile(requestFile,
                        "<html><body>Tolvane request</body></html>\r\n"
                        "vnxclient: NAME=\"Quarterly report 2024.pdf\" SERVERNAME=files.example.net "
                        "TYPE=RICH SERVERPORT=8443 SIZE=1048576\r\n"))
        Fail("cannot write the request file");

    NPNetscapeFuncs browser{};
    browser.size = sizeof browser;
    browser.version = NP_VERSION_MINOR;
    browser.status = RecordStatus;
    moduleState.browserFuncs = &browser;
    systemCalls.MessageBoxA = UnexpectedBox;
    systemCalls.GetSaveFileNameA = UnexpectedDialog;
    systemCalls.GetOpenFileNameA = UnexpectedDialog;
    systemCalls.CommDlgExtendedError = NoExtendedError;
    systemCalls.CreateProcessA = UnexpectedProcess;

    NPP_t npp{};
    InstanceData record;
    record.instance = &npp;
    record.page.hasSrc = true;
    // As NPP_StreamAsFile leaves the page: the file's name and its bytes, read when the page loaded.
    record.page.requestFile = requestFile;
    KeptRequestFile kept;
    if (!ReadRequestFileBytes(requestFile, kept.bytes)) Fail("cannot keep the request file");
    record.page.keptRequestFile = kept;
    InstanceBrowser services(record);

    auto pluginClick = [&] {
        lastStatus.clear();
        if (DispatchRequest(record.page, moduleState.settings, services) != RequestOutcome::submitted)
            Fail("the click did not submit");
    };
    auto check = [&] {
        if (lastStatus != "Document : Done") Fail("the click ended with \"" + lastStatus + "\"");
    };

    // Warm-up, and the submission's bytes for the floor to write.
    pluginClick();
    check();
    Floor floor;
    floor.requestDir = requestDir.Path();
    floor.settings = settings;
    floor.body = ReadWholeFile(requestDir.Path() + "\\" + FirstFileIn(requestDir.Path(), "*.vnxsubmit"));
    if (floor.body.empty()) Fail("no submission file after the first click");
    PrintNote("click submission: " + std::to_string(floor.body.size()) + " bytes; settings: " +
              std::to_string(settings.size()) + " values");
    DeleteFilesIn(requestDir.Path(), "*");
    for (int run = 0; run < 20; ++run) {
        pluginClick();
        FloorClick(floor);
        DeleteFilesIn(requestDir.Path(), "*");
    }

    auto tidy = [&] { DeleteFilesIn(requestDir.Path(), "*"); };
    const auto click = Interleaved(clicks, [&] { pluginClick(); check(); }, [&] { FloorClick(floor); }, tidy);

    // Where the time goes: each step of the click next to its own floor.
    const int steps = clicks;
    const auto load = Interleaved(steps, [] { LoadFromRegistry(moduleState.settings, kProductKeyPath, HKEY_CURRENT_USER); },
                                  [&] { FloorLoad(floor, kProductKeyPath); }, [] {});
    const auto clientCheck = Interleaved(steps, [] { StartClientIfNeeded(moduleState.settings); }, FloorClientCheck, [] {});
    const auto submit = Interleaved(
        steps,
        [&] {
            if (SubmitSaveRequestFile(moduleState.settings, requestFile.c_str(), nullptr, &kept) !=
                RequestOutcome::submitted)
                Fail("flow did not submit");
        },
        [&] { FloorSubmit(floor); }, tidy);
    const auto signal = Interleaved(steps, BumpLoadRequestSignal, FloorSignal, [] {});
    const auto save = Interleaved(steps, [] { SaveToRegistry(moduleState.settings, kProductKeyPath, HKEY_CURRENT_USER); },
                                  [&] { FloorSave(floor.settings, kProductKeyPath); }, [] {});

    if (unexpectedCalls) Fail("the click showed a dialog or started a process");
    char label[96];
    std::snprintf(label, sizeof label, "click, RICH request file (%d clicks)", clicks);
    PrintRow(label, click, "us", "<=1.1");
    PrintRow("  step: settings load (20 values)", load, "us", "-");
    PrintRow("  step: client check (mapping present)", clientCheck, "us", "-");
    PrintRow("  step: submission (floor: create new, write, flush, close, rename)", submit, "us", "-");
    PrintRow("  step: load-request signal (read, then REG_SZ written)", signal, "us", "-");
    PrintRow("  step: settings save (20 values)", save, "us", "-");

    moduleState.browserFuncs = nullptr;
    systemCalls = realSystemCalls;
    CloseHandle(clientMapping);
    DeleteUserTree("Software\\TOLVANE");
    return 0;
}

// ---- Scaling of the settings store ----

int RunScale()
{
    const char* const keyPath = "Software\\TOLVANE\\Bench\\Scale";
    const int counts[] = {10, 100, 1000, 10000};
    PairedTimes loads[4], saves[4];
    for (int which = 0; which < 4; ++which) {
        const int count = counts[which];
        Values values;
        values.reserve(count);
        for (int index = 0; index < count; ++index) {
            char name[32], text[96];
            std::snprintf(name, sizeof name, "Setting%05d", index);
            std::snprintf(text, sizeof text, "C:\\users\\Public\\Tolvane\\Data\\item%05d.dat", index);
            values.emplace_back(name, text);
        }
        WriteUserKey(keyPath, values);

        CKeyValueMap map;  // kept from load to load, as the settings map is
        LoadFromRegistry(map, keyPath, HKEY_CURRENT_USER);
        if (static_cast<int>(map.GetCount()) != count) Fail("scale: load missed values");
        Floor floor;
        const int runs = count <= 10 ? 101 : count <= 100 ? 51 : count <= 1000 ? 15 : 11;
        loads[which] = Interleaved(runs, [&] { LoadFromRegistry(map, keyPath, HKEY_CURRENT_USER); },
                                   [&] { FloorLoad(floor, keyPath); }, [] {});
        saves[which] = Interleaved(runs, [&] { SaveToRegistry(map, keyPath, HKEY_CURRENT_USER); },
                                   [&] { FloorSave(values, keyPath); }, [] {});
        char label[96];
        std::snprintf(label, sizeof label, "settings load, %d values, per value", count);
        PrintRow(label, Median(loads[which].figure) / count, Median(loads[which].floor) / count, "us", "<=1.1",
                 loads[which].Ratio());
        std::snprintf(label, sizeof label, "settings save, %d values, per value", count);
        PrintRow(label, Median(saves[which].figure) / count, Median(saves[which].floor) / count, "us", "<=1.1",
                 saves[which].Ratio());
    }
    DeleteUserTree("Software\\TOLVANE");
    // Flat: the growth of the time per value from 100 to 10,000 values (10 are dominated by the key's
    // open and close), next to the registry's own growth; their ratio is that of the two counts' ratios,
    // which a machine busier at one count than at the other leaves alone.
    auto growth = [&](const PairedTimes& few, const PairedTimes& many, const char* label) {
        const double scale = 100.0 / 10000.0;
        PrintRow(label, Median(many.figure) / Median(few.figure) * scale, Median(many.floor) / Median(few.floor) * scale,
                 "x", "<=1.1", many.Ratio() / few.Ratio());
    };
    growth(loads[1], loads[3], "load per value, growth from 100 to 10,000 values");
    growth(saves[1], saves[3], "save per value, growth from 100 to 10,000 values");
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "click") return RunClick(argc > 2 ? std::atoi(argv[2]) : 200);
    if (mode == "scale") return RunScale();
    std::fprintf(stderr, "usage: vxbench_wine click [clicks] | scale\n");
    return 2;
}
