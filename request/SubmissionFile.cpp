#include "request/SubmissionFile.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "client/KeyNames.h"
#include "win/Owned.h"
#include "win/SystemCalls.h"

namespace {

// A name already taken in the request directory moves on to the next millisecond's name;
// a second's worth of names is plenty for one browser.
const std::uint32_t kFinalNameAttempts = 1000;
// Temporary names already taken (left by a browser that stopped while writing) are passed over.
const unsigned kTemporaryNameAttempts = 100;

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

// The temporary name: the time's name, this process and a try number. Browsers of two processes
// clicking in the same millisecond never pick the same, and the file is created new, so it never
// takes over a file that is there: the one of another writer, which its rename would then carry off.
OwnedFile CreateTemporaryFile(const std::string& directory, std::uint32_t value, std::string& temporaryPath)
{
    DWORD error = ERROR_FILE_EXISTS;
    for (unsigned attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        char suffix[48];
        std::snprintf(suffix, sizeof suffix, "-%08lx-%u.tmp", static_cast<unsigned long>(GetCurrentProcessId()), attempt);
        temporaryPath = directory + "\\" + TimeValueText(value) + suffix;
        OwnedFile file(CreateFileA(temporaryPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) return file;
        error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
    }
    throw CFileException(error, temporaryPath);
}

// Writes all of text. A disk file takes a whole write or fails; one that takes less is full.
void WriteAll(HANDLE file, const std::string& path, const std::string& text)
{
    const std::size_t kPiece = 1u << 20;
    for (std::size_t offset = 0; offset < text.size(); offset += kPiece) {
        const DWORD piece = static_cast<DWORD>(std::min(text.size() - offset, kPiece));
        DWORD written = 0;
        if (!systemCalls.WriteFile(file, text.data() + offset, piece, &written, nullptr))
            throw CFileException(GetLastError(), path);
        if (written != piece) throw CFileException(ERROR_DISK_FULL, path);
    }
}

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
    throw CFileException(error, firstFinalPath);
}

}  // namespace

std::string FormatTimeName(const char* prefix, std::uint32_t seconds, unsigned milliseconds)
{
    return std::string(prefix ? prefix : "") + TimeValueText(TimeValue(seconds, milliseconds));
}

std::string MakeTimeName(const char* prefix)
{
    const UtcTime now = systemCalls.UtcNow();
    return FormatTimeName(prefix, now.seconds, now.milliseconds);
}

void WriteSubmissionFile(const CKeyValueMap& settings, const CKeyValueMap& request)
{
    const std::string directory = MapValue(settings, kRequestFolderSetting);
    const UtcTime now = systemCalls.UtcNow();
    const std::uint32_t value = TimeValue(now.seconds, now.milliseconds);

    // Without a request directory the file would land in the root of the current drive, where
    // no client looks.
    if (directory.empty()) throw CFileException(ERROR_PATH_NOT_FOUND, "\\" + TimeValueText(value) + ".vnxsubmit");

    std::string temporaryPath;
    {
        OwnedFile file = CreateTemporaryFile(directory, value, temporaryPath);
        // A half-written request helps no one: the client never reads a ".tmp" file.
        auto halfWritten = OnScopeExit([&] {
            file.reset();
            DeleteFileA(temporaryPath.c_str());
        });
        WriteAll(file.get(), temporaryPath, request.FormatText("\n"));
        // On the disk before it gets its final name: a request reported as done survives a
        // power cut, and the client never takes up a name whose content was still in a cache.
        if (!FlushFileBuffers(file.get())) throw CFileException(GetLastError(), temporaryPath);
        if (!CloseHandle(file.release())) throw CFileException(GetLastError(), temporaryPath);
        halfWritten.dismiss();
    }
    MoveToFinalName(directory, value, temporaryPath);
}
