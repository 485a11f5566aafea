// Stands in for a running delivery client: holds the file mapping "970128" as the client does,
// with its own process id in it so that a test can kill it, and ends by itself after a minute.
#include <windows.h>

#include "win/Owned.h"

int main()
{
    OwnedHandle mapping(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 16, "970128"));
    if (!mapping) return 1;
    if (void* view = MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, sizeof(DWORD))) {
        *static_cast<volatile DWORD*>(view) = GetCurrentProcessId();
        UnmapViewOfFile(view);
    }
    Sleep(60000);
    return 0;
}
