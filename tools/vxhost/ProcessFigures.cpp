#include "vxhost/ProcessFigures.h"

#include <windows.h>

#include <psapi.h>

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

// Wine answers GetProcessHandleCount with 0 (a stub), but lists every handle of the system; the
// entries of this process are its handles.
long HandlesInSystemList()
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    FARPROC address = ntdll ? GetProcAddress(ntdll, "NtQuerySystemInformation") : nullptr;
    if (!address) return -1;
    QuerySystemInformation query = reinterpret_cast<QuerySystemInformation>(reinterpret_cast<void*>(address));
    std::vector<char> buffer(1 << 16);
    LONG status;
    ULONG needed = 0;
    while ((status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed)) ==
           kStatusInfoLengthMismatch) {
        if (buffer.size() >= (64u << 20)) return -1;
        buffer.resize(buffer.size() * 2);
    }
    if (status != 0) return -1;
    ULONG count = *reinterpret_cast<const ULONG*>(buffer.data());
    size_t available = (buffer.size() - sizeof(ULONG_PTR)) / sizeof(SystemHandleEntry);
    if (count > available) count = static_cast<ULONG>(available);
    const SystemHandleEntry* entries = reinterpret_cast<const SystemHandleEntry*>(buffer.data() + sizeof(ULONG_PTR));
    DWORD self = GetCurrentProcessId();
    long own = 0;
    for (ULONG i = 0; i < count; ++i)
        if (entries[i].ownerProcessId == self) ++own;
    return own;
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
    if (GetProcessHandleCount(self, &handles) && handles > 0) {
        figures.handles = static_cast<long>(handles);
        figures.handleSource = "GetProcessHandleCount";
    } else {
        figures.handles = HandlesInSystemList();
        figures.handleSource = "system handle list";
    }
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
    std::string text = "handles " + std::to_string(figures.handles) + ", private bytes " +
                       std::to_string(figures.privateBytes) + ", working set " + std::to_string(figures.workingSet) +
                       ", heap in use " + std::to_string(figures.heapInUse);
    // A process with windows has user objects; none means they are not counted (Wine).
    if (figures.userObjects > 0)
        text += ", gdi objects " + std::to_string(figures.gdiObjects) + ", user objects " +
                std::to_string(figures.userObjects);
    return text;
}
