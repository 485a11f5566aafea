#include "vxhost/ProcessFigures.h"

#include <windows.h>

#include <psapi.h>

#include <string>
#include <vector>

namespace {

// The layout NtQuerySystemInformation gives for SystemHandleInformation.
struct SystemHandleEntry {
    ULONG ownerProcessId;
    BYTE objectType;
    BYTE flags;
    USHORT handleValue;
    PVOID object;
    ULONG grantedAccess;
};

constexpr ULONG kSystemHandleInformation = 16;
constexpr LONG kStatusInfoLengthMismatch = static_cast<LONG>(0xC0000004);

using QuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

constexpr ULONG kObjectNameInformation = 1;
constexpr ULONG kObjectTypeInformation = 2;

struct CountedString {
    USHORT length;  // bytes
    USHORT maximumLength;
    PWSTR buffer;
};

using QueryObject = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);

template <typename Function>
Function NtFunction(const char* name)
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    FARPROC address = ntdll ? GetProcAddress(ntdll, name) : nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(address));
}

// The type or name of an object, as NtQueryObject gives it (a counted string first in its buffer).
std::wstring ObjectText(QueryObject query, HANDLE handle, ULONG what)
{
    alignas(8) char buffer[2048];
    ULONG length = 0;
    if (query(handle, what, buffer, sizeof buffer, &length) != 0) return {};
    const CountedString* text = reinterpret_cast<const CountedString*>(buffer);
    if (!text->buffer) return {};
    return std::wstring(text->buffer, text->length / sizeof(wchar_t));
}

bool EndsWithNoCase(const std::wstring& text, const std::wstring& end)
{
    return text.size() >= end.size() && _wcsicmp(text.c_str() + text.size() - end.size(), end.c_str()) == 0;
}

// Wine answers GetProcessHandleCount with 0 (a stub), but lists every handle of the system; the
// entries of this process are its handles.
bool HandlesInSystemList(std::vector<HANDLE>& own)
{
    QuerySystemInformation query = NtFunction<QuerySystemInformation>("NtQuerySystemInformation");
    if (!query) return false;
    std::vector<char> buffer(1 << 16);
    LONG status;
    ULONG needed = 0;
    while ((status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed)) ==
           kStatusInfoLengthMismatch) {
        if (buffer.size() >= (64u << 20)) return false;
        buffer.resize(buffer.size() * 2);
    }
    if (status != 0) return false;
    ULONG count = *reinterpret_cast<const ULONG*>(buffer.data());
    size_t available = (buffer.size() - sizeof(ULONG_PTR)) / sizeof(SystemHandleEntry);
    if (count > available) count = static_cast<ULONG>(available);
    const SystemHandleEntry* entries = reinterpret_cast<const SystemHandleEntry*>(buffer.data() + sizeof(ULONG_PTR));
    DWORD self = GetCurrentProcessId();
    for (ULONG i = 0; i < count; ++i)
        if (entries[i].ownerProcessId == self)
            own.push_back(reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(entries[i].handleValue)));
    return true;
}

long DialogMruKeys(const std::vector<HANDLE>& handles)
{
    QueryObject query = NtFunction<QueryObject>("NtQueryObject");
    if (!query) return -1;
    long keys = 0;
    // Only keys are asked for their names: asking a pipe's can block on Windows.
    for (HANDLE handle : handles)
        if (ObjectText(query, handle, kObjectTypeInformation) == L"Key" &&
            EndsWithNoCase(ObjectText(query, handle, kObjectNameInformation), L"\\ComDlg32\\LastVisitedMRU"))
            ++keys;
    return keys;
}

unsigned long long HeapBytesInUse()
{
    std::vector<HANDLE> heaps(16);
    DWORD count;
    while ((count = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data())) > heaps.size())
        heaps.resize(count);
    unsigned long long total = 0;
    for (DWORD i = 0; i < count; ++i) {
        if (!HeapLock(heaps[i])) continue;
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) total += entry.cbData;
        HeapUnlock(heaps[i]);
    }
    return total;
}

}  // namespace

ProcessFigures ReadProcessFigures()
{
    ProcessFigures figures;
    HANDLE self = GetCurrentProcess();
    DWORD handles = 0;
    std::vector<HANDLE> listed;
    bool haveList = HandlesInSystemList(listed);
    if (GetProcessHandleCount(self, &handles) && handles > 0) {
        figures.handles = static_cast<long>(handles);
        figures.handleSource = "GetProcessHandleCount";
    } else if (haveList) {
        figures.handles = static_cast<long>(listed.size());
        figures.handleSource = "the system handle list";
    }
    if (haveList) figures.dialogMruKeys = DialogMruKeys(listed);
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(self, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) {
        // Windows gives the commit charge in both; Wine only in PagefileUsage.
        figures.privateBytes = memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage;
        figures.workingSet = memory.WorkingSetSize;
    }
    figures.heapInUse = HeapBytesInUse();
    figures.gdiObjects = GetGuiResources(self, GR_GDIOBJECTS);
    figures.userObjects = GetGuiResources(self, GR_USEROBJECTS);
    return figures;
}

std::string DescribeFigures(const ProcessFigures& figures)
{
    std::string text = "handles " + std::to_string(figures.handles) + ", dialog MRU keys " +
                       std::to_string(figures.dialogMruKeys) + ", private bytes " +
                       std::to_string(figures.privateBytes) + ", working set " + std::to_string(figures.workingSet) +
                       ", heap in use " + std::to_string(figures.heapInUse);
    // A process with windows has user objects; none means they are not counted (Wine).
    if (figures.userObjects > 0)
        text += ", gdi objects " + std::to_string(figures.gdiObjects) + ", user objects " +
                std::to_string(figures.userObjects);
    return text;
}

// Wide enough for what Wine's allocator and the dialogs move by themselves, narrow enough that a
// handle, a record or a buffer lost per click shows well before the thousandth.
const FlatnessCheck::Tolerance FlatnessCheck::kTolerances[5] = {
    {"handles", 5},
    {"private bytes", 256 * 1024},
    {"working set", 512 * 1024},
    {"heap in use", 16 * 1024},
    {"plug-in blocks", 0},
};

void FlatnessCheck::Note(unsigned click, const ProcessFigures& figures, long pluginBlocks)
{
    if (click < from_) return;
    const long long values[5] = {figures.handles, static_cast<long long>(figures.privateBytes),
                                 static_cast<long long>(figures.workingSet),
                                 static_cast<long long>(figures.heapInUse), pluginBlocks};
    for (int i = 0; i < 5; ++i) {
        Range& range = ranges_[i];
        if (!started_) range = {values[i], values[i], values[i], values[i]};
        range.latest = values[i];
        if (values[i] < range.low) range.low = values[i];
        if (values[i] > range.high) range.high = values[i];
    }
    started_ = true;
    last_ = click;
}

std::vector<std::string> FlatnessCheck::Problems() const
{
    if (!started_)
        return {"--flat " + std::to_string(from_) + ": the run made fewer clicks, nothing to compare"};
    std::vector<std::string> problems;
    for (int i = 0; i < 5; ++i) {
        const Range& range = ranges_[i];
        const long long allowed = kTolerances[i].allowed;
        if (range.high - range.first <= allowed && range.first - range.low <= allowed) continue;
        problems.push_back(std::string(kTolerances[i].name) + " not flat from click " + std::to_string(from_) +
                           " to " + std::to_string(last_) + ": " + std::to_string(range.first) + " at " +
                           std::to_string(from_) + ", " + std::to_string(range.latest) + " at " +
                           std::to_string(last_) + ", " + std::to_string(range.low) + " to " +
                           std::to_string(range.high) + " between (tolerance " + std::to_string(allowed) + ")");
    }
    return problems;
}
