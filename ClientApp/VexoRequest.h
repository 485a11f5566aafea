// Delivery requests: the request-file parser, the field checks, the save and upload flows and
// the submission file. The flows return 1 when a submission file was written, 0 when the user
// cancelled or the flow stopped after its own message; malformed requests raise FormatException,
// file errors CFileException.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "clientlink/KeyValueMap.h"

// Source name that the request code's trace-log entries carry.
extern const char* const kVexoRequestSource;  // "ClientApp/VexoRequest"

// A request file's bytes, read when the browser handed the file over. The browser may delete its
// copy before the click (Gecko does, right after the stream ends), so the click parses these.
struct RequestFileBytes {
    const char* data;
    std::size_t size;
};

// A request file larger than kLargestRequestFile (ClientApp/RequestData.h), found before it is read.
struct RequestFileTooLarge {};
// Throws CFileException, or RequestFileTooLarge without reading the file.
void ReadTextFile(const std::string& path, std::string& text);
// The whole file, when it opens, is a regular file and holds at most kLargestRequestFile; false
// (and `bytes` empty) otherwise.
bool ReadRequestFileBytes(const std::string& path, std::string& bytes);
// File errors travel as CFileException by value, caught by reference (as FormatException).
// With `kept`, those bytes are parsed instead of reading the file; the reports still name `path`.
BOOL ParseVexoLoadRequestFile(const std::string& path, CKeyValueMap& request,
                              const RequestFileBytes* kept = nullptr);
BOOL IsValidName(const CKeyValueMap& request);
BOOL IsValidServerName(const CKeyValueMap& request);
BOOL IsValidType(const CKeyValueMap& request);

int SubmitSaveRequest(CKeyValueMap& settings, CKeyValueMap& request, HWND owner);
int SubmitSaveRequestFile(CKeyValueMap& settings, const char* fileName, HWND owner,
                          const RequestFileBytes* kept = nullptr);
std::string AskSavePath(CKeyValueMap& request, HWND owner);

int SubmitUploadRequest(CKeyValueMap& settings, CKeyValueMap& request, HWND owner);

// Nine lower-case hex digits of the time in milliseconds since 1970, modulo 2^32.
std::string MakeTimeName(const char* prefix);
std::string FormatTimeName(const char* prefix, std::uint32_t seconds, unsigned milliseconds);
// Throws CFileException when the request directory is empty or the
// file cannot be created, written, closed or given a free final name.
void WriteSubmissionFile(CKeyValueMap& settings, CKeyValueMap& request);

// The clock of the submission names: seconds since 1970 and the milliseconds within that second.
// Tests may replace it.
struct SubmissionTime {
    std::uint32_t seconds;
    unsigned milliseconds;
};
extern SubmissionTime (*submissionClock)();
SubmissionTime SubmissionClockNow();
// The write of the submission file's bytes (WriteFile); tests may make it fail.
extern BOOL(WINAPI* submissionWriteFile)(HANDLE file, LPCVOID bytes, DWORD size, LPDWORD written,
                                         LPOVERLAPPED overlapped);
