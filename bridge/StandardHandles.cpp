#include "bridge/StandardHandles.h"

#include <algorithm>

namespace {

// ReadFile and WriteFile count in DWORDs.
constexpr std::size_t kLargestCall = 1 << 30;

}  // namespace

MessageReader ReaderOf(HANDLE handle)
{
    return [handle](void* buffer, std::size_t size) -> std::size_t {
        DWORD read = 0;
        // A broken pipe (the browser closed the port) is the end of the input like any failure.
        if (!ReadFile(handle, buffer, static_cast<DWORD>(std::min(size, kLargestCall)), &read, nullptr)) return 0;
        return read;
    };
}

MessageWriter WriterOf(HANDLE handle)
{
    return [handle](const void* data, std::size_t size) -> std::size_t {
        DWORD written = 0;
        if (!WriteFile(handle, data, static_cast<DWORD>(std::min(size, kLargestCall)), &written, nullptr)) return 0;
        return written;
    };
}

bool IsCharacterDevice(HANDLE handle)
{
    return GetFileType(handle) == FILE_TYPE_CHAR;
}
