// The request-file parser and the field checks.
#include "ClientApp/VexoRequest.h"

#include <cstddef>
#include <cstring>

#include "ClientApp/RequestData.h"
#include "ClientApp/VexoRequestInternal.h"
#include "clientlink/PlatformCalls.h"
#include "diag/TraceLog.h"

const char* const kVexoRequestSource = "ClientApp/VexoRequest";

const char* const kBadRequestText =
    "The request appears to have bad request information. \n"
    "Missing NAME or SERVERNAME or has bad CONTENTTYPE information";

std::string MapValue(const CKeyValueMap& map, const std::string& key)
{
    std::string value;
    if (!map.Lookup(key, value)) value.clear();
    return value;
}

// The layout without the later extension fields (pvReserved, dwReserved, FlagsEx), which every
// version of the dialogs accepts: 76 bytes in a 32-bit process, 136 in a 64-bit one.
// (OPENFILENAME_SIZE_VERSION_400A is this sum, written in a form that is no constant expression.)
static_assert(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR) == (sizeof(void*) == 8 ? 136 : 76),
              "OPENFILENAMEA up to lpTemplateName");

OPENFILENAMEA FileDialogRequest(HWND owner, char* fileName, DWORD fileNameSize, const char* title,
                                DWORD flags)
{
    static const char filter[] = "All Files \0 *.*\0";  // the literal adds the closing NUL
    OPENFILENAMEA dialog;
    std::memset(&dialog, 0, sizeof dialog);
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = fileName;
    dialog.nMaxFile = fileNameSize;
    dialog.lpstrTitle = title;
    dialog.Flags = flags;
    return dialog;
}

void ShowRequestWarning(long line, const std::string& text)
{
    TraceLogFileWrite(kVexoRequestSource, line, text.c_str());
    platform.MessageBoxA(nullptr, text.c_str(), "Tolvane Message ",
                         MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND | MB_TOPMOST);
}

void ThrowFileError(DWORD osError, const std::string& path)
{
    throw CFileException(CFileException::OsErrorToCause(osError), osError, path);
}

namespace {

// Reads to the end, or until more than `limit` bytes are in.
void ReadOpenFile(HANDLE file, const std::string& path, std::string& bytes, std::size_t limit)
{
    char chunk[4096];
    while (bytes.size() <= limit) {
        DWORD got = 0;
        if (!ReadFile(file, chunk, sizeof chunk, &got, nullptr)) ThrowFileError(GetLastError(), path);
        if (got == 0) break;
        bytes.append(chunk, got);
    }
}

HANDLE OpenForReading(const std::string& path)
{
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

namespace {

// The whole open file, judged on its size before anything is read: a page cannot make the
// browser's thread read and hold a file of any size. Throws CFileException or RequestFileTooLarge.
void ReadBoundedFile(HANDLE file, const std::string& path, std::string& bytes)
{
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) ThrowFileError(GetLastError(), path);
    if (static_cast<unsigned long long>(size.QuadPart) > kLargestRequestFile) throw RequestFileTooLarge();
    ReadOpenFile(file, path, bytes, kLargestRequestFile);
    if (bytes.size() > kLargestRequestFile) throw RequestFileTooLarge();  // it grew meanwhile
}

}  // namespace

void ReadTextFile(const std::string& path, std::string& text)
{
    text.clear();
    OwnedFile file(OpenForReading(path));
    if (!file) ThrowFileError(GetLastError(), path);
    // Read as bytes: the line joining below treats LF and CR LF alike and keeps a lone CR,
    // which the C runtime's text mode would not (it also stops at a Ctrl-Z).
    std::string bytes;
    ReadBoundedFile(file.get(), path, bytes);
    text = JoinRequestFileLines(bytes);
}

bool ReadRequestFileBytes(const std::string& path, std::string& bytes)
{
    bytes.clear();
    OwnedFile file(OpenForReading(path));
    if (!file || GetFileType(file.get()) != FILE_TYPE_DISK) return false;
    try {
        ReadBoundedFile(file.get(), path, bytes);
        return true;
    } catch (const CFileException&) {
    } catch (const RequestFileTooLarge&) {
    }
    bytes.clear();
    return false;
}

namespace {

BOOL ReportMissingFile(const std::string& path)
{
    ShowRequestWarning(109,
                       "Internal processing message: \n"
                       "The request file appears not to exist: \n"
                       "\t\tSorry! \n"
                       "File submitted: " + path);
    return FALSE;
}

BOOL ReportNoRequestInformation(const std::string& path, const std::string& fileText)
{
    ShowRequestWarning(130,
                       "Request file has no request information. \n"
                       "\t\tSorry! \n"
                       "File submitted: " + path + " \n"
                       "Request data: *-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*- \n" +
                           fileText);
    return FALSE;
}

BOOL ReportBadRequestInformation(const std::string& path, const std::string& requestData)
{
    ShowRequestWarning(182,
                       "The request file appears to have bad request information. \n"
                       "\t\tSorry! \n"
                       "File submitted: " + path + " \n"
                       "Request data: " + requestData);
    return FALSE;
}

bool IsAbsoluteLocalPathOrEmpty(const std::string& file)
{
    if (file.empty()) return true;
    std::string fullPath;
    return IsLocalPath(file, fullPath) && fullPath == file;
}

}  // namespace

BOOL ParseVexoLoadRequestFile(const std::string& path, CKeyValueMap& request,
                              const RequestFileBytes* kept)
{
    request["NAME"] = "";
    request["SERVERNAME"] = "";
    request["TYPE"] = "PLAIN";

    std::string fileText;
    if (kept) {
        fileText = JoinRequestFileLines(std::string(kept->data, kept->size));
    } else {
        try {
            ReadTextFile(path, fileText);
        } catch (const CFileException&) {
            return ReportMissingFile(path);
        } catch (const RequestFileTooLarge&) {
            return ReportNoRequestInformation(
                path, "(larger than " + std::to_string(kLargestRequestFile) + " bytes: not read)");
        }
    }

    std::string requestData;
    if (!ExtractRequestData(fileText, requestData)) return ReportNoRequestInformation(path, fileText);

    bool good = true;
    try {
        request.ParseText(requestData);
    } catch (const FormatException&) {
        good = false;
    }
    if (good) good = IsValidName(request) && IsValidType(request) && IsValidServerName(request);
    // What the user is shown must be what is sent, and a FILE is named as it is submitted: an
    // absolute path on a local drive.
    if (good) good = IsShowableRequest(request) && IsAbsoluteLocalPathOrEmpty(MapValue(request, "FILE"));
    if (!good) return ReportBadRequestInformation(path, requestData);
    return TRUE;
}

BOOL IsValidName(const CKeyValueMap& request) { return MapValue(request, "NAME").size() >= 2; }

BOOL IsValidServerName(const CKeyValueMap& request)
{
    return MapValue(request, "SERVERNAME").size() >= 2;
}

BOOL IsValidType(const CKeyValueMap& request)
{
    const std::string type = MapValue(request, "TYPE");
    return type == "PLAIN" || type == "RICH";
}
