// The submission file: the one way a request reaches the delivery client.
#include "ClientApp/VexoRequest.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "ClientApp/VexoRequestInternal.h"

SubmissionTime SubmissionClockNow()
{
    // The system time in UTC, as _ftime gives it, without the time-zone look-up _ftime makes on
    // every call.
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const std::uint64_t hundredNanoseconds =
        (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    const std::uint64_t kMillisecondsFrom1601To1970 = 11644473600000ull;
    const std::uint64_t milliseconds = hundredNanoseconds / 10000 - kMillisecondsFrom1601To1970;
    return {static_cast<std::uint32_t>(milliseconds / 1000), static_cast<unsigned>(milliseconds % 1000)};
}

SubmissionTime (*submissionClock)() = SubmissionClockNow;
BOOL(WINAPI* submissionWriteFile)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED) = ::WriteFile;

namespace {

// A name already taken in the request directory moves on to the next millisecond's name;
// a second's worth of names is plenty for one browser.
const std::uint32_t kFinalNameAttempts = 1000;

// Seconds times 1000 plus milliseconds, wrapping modulo 2^32.
std::uint32_t TimeValue(std::uint32_t seconds, unsigned milliseconds)
{
    return seconds * 1000u + milliseconds;
}

std::string TimeValueText(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%09lx", static_cast<unsigned long>(value));
    return text;
}

// Stores what WriteTo hands it into the open file through a 4096-byte buffer.
class FileArchive : public CArchive {
public:
    FileArchive(HANDLE file, const std::string& path) : file(file), path(path) {}

    void WriteString(const std::string& text) override
    {
        std::size_t offset = 0;
        while (offset < text.size()) {
            std::size_t piece = std::min(sizeof buffer - used, text.size() - offset);
            std::memcpy(buffer + used, text.data() + offset, piece);
            used += piece;
            offset += piece;
            if (used == sizeof buffer) Flush();
        }
    }

    void Close() { Flush(); }

private:
    void Flush()
    {
        if (used == 0) return;
        DWORD written = 0;
        if (!submissionWriteFile(file, buffer, static_cast<DWORD>(used), &written, nullptr))
            ThrowFileError(GetLastError(), path);
        if (written != used) ThrowFileError(ERROR_DISK_FULL, path);
        used = 0;
    }

    HANDLE file;
    const std::string& path;
    char buffer[4096];
    std::size_t used = 0;
};

// Gives the complete temporary file its final name. Never replaces a submission that is still
// waiting in the directory: the next free name is taken instead, so the client sees every request.
void MoveToFinalName(const std::string& directory, std::uint32_t value,
                     const std::string& temporaryPath)
{
    const std::string firstFinalPath = directory + "\\" + TimeValueText(value) + ".vnxsubmit";
    DWORD error = ERROR_ALREADY_EXISTS;
    for (std::uint32_t step = 0; step < kFinalNameAttempts; ++step) {
        const std::string finalPath = directory + "\\" + TimeValueText(value + step) + ".vnxsubmit";
        if (MoveFileA(temporaryPath.c_str(), finalPath.c_str())) return;
        error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) break;
    }
    // The client never reads a ".tmp" file: a request left there would be lost without a word.
    DeleteFileA(temporaryPath.c_str());
    ThrowFileError(error, firstFinalPath);
}

}  // namespace

std::string FormatTimeName(const char* prefix, std::uint32_t seconds, unsigned milliseconds)
{
    return std::string(prefix ? prefix : "") + TimeValueText(TimeValue(seconds, milliseconds));
}

std::string MakeTimeName(const char* prefix)
{
    const SubmissionTime now = submissionClock();
    return FormatTimeName(prefix, now.seconds, now.milliseconds);
}

void WriteSubmissionFile(CKeyValueMap& settings, CKeyValueMap& request)
{
    const std::string directory = MapValue(settings, "LoadRequestDir");
    const SubmissionTime now = submissionClock();
    const std::uint32_t value = TimeValue(now.seconds, now.milliseconds);
    const std::string temporaryPath = directory + "\\" + TimeValueText(value) + ".tmp";

    // Without a request directory the file would land in the root of the current drive, where
    // no client looks.
    if (directory.empty()) ThrowFileError(ERROR_PATH_NOT_FOUND, temporaryPath);

    {
        OwnedFile file(CreateFileA(temporaryPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) ThrowFileError(GetLastError(), temporaryPath);
        // A half-written request helps no one: the client never reads a ".tmp" file.
        auto halfWritten = OnScopeExit([&] {
            file.reset();
            DeleteFileA(temporaryPath.c_str());
        });
        FileArchive archive(file.get(), temporaryPath);
        request.WriteTo(archive);
        archive.Close();
        // On the disk before it gets its final name: a request reported as done survives a
        // power cut, and the client never takes up a name whose content was still in a cache.
        if (!FlushFileBuffers(file.get())) ThrowFileError(GetLastError(), temporaryPath);
        if (!CloseHandle(file.release())) ThrowFileError(GetLastError(), temporaryPath);
        halfWritten.dismiss();
    }
    MoveToFinalName(directory, value, temporaryPath);
}
