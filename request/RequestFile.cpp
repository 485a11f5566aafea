// The request-file reader and parser.
#include "request/RequestFile.h"

#include <windows.h>

#include "client/KeyNames.h"
#include "diag/TraceEntries.h"
#include "request/PagePaths.h"
#include "request/RequestText.h"
#include "request/RequestWarning.h"
#include "request/ShownText.h"
#include "win/Owned.h"

namespace {

HANDLE OpenForReading(const std::string& path)
{
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The whole open file, judged on its size before anything is read: a page cannot make the
// browser's thread read and hold a file of any size. Throws CFileException or RequestFileTooLarge.
void ReadBoundedFile(HANDLE file, const std::string& path, std::string& bytes)
{
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) throw CFileException(GetLastError(), path);
    if (static_cast<unsigned long long>(size.QuadPart) > kLargestRequestFile) throw RequestFileTooLarge();
    char chunk[4096];
    while (bytes.size() <= kLargestRequestFile) {
        DWORD got = 0;
        if (!ReadFile(file, chunk, sizeof chunk, &got, nullptr)) throw CFileException(GetLastError(), path);
        if (got == 0) break;
        bytes.append(chunk, got);
    }
    if (bytes.size() > kLargestRequestFile) throw RequestFileTooLarge();  // it grew meanwhile
}

bool ReportMissingFile(const std::string& path, const RequestingSite& site)
{
    ShowRequestWarning(kRequestFileUnreadable,
                       "Internal processing message: \n"
                       "The request file appears not to exist: \n"
                       "\t\tSorry! \n"
                       "File submitted: " + path,
                       site);
    return false;
}

bool ReportNoRequestInformation(const std::string& path, const std::string& fileText, const RequestingSite& site)
{
    ShowRequestWarning(kRequestFileWithoutRequest,
                       "Request file has no request information. \n"
                       "\t\tSorry! \n"
                       "File submitted: " + path + " \n"
                       "Request data: *-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*- \n" +
                           fileText,
                       site);
    return false;
}

bool ReportTooLarge(const std::string& path, const RequestingSite& site)
{
    return ReportNoRequestInformation(
        path, "(larger than " + std::to_string(kLargestRequestFile) + " bytes: not read)", site);
}

bool ReportBadRequestInformation(const std::string& path, const std::string& requestData, const RequestingSite& site)
{
    ShowRequestWarning(kRequestFileBadRequest,
                       "The request file appears to have bad request information. \n"
                       "\t\tSorry! \n"
                       "File submitted: " + path + " \n"
                       "Request data: " + requestData,
                       site);
    return false;
}

// The request data is left out: it holds the very value that could not be shown.
bool ReportUnshowableValue(const std::string& path, const UnshowableValue& refused, const RequestingSite& site)
{
    ShowRequestWarning(kRequestFileBadRequest, UnshowableValueText(refused) + " \nFile submitted: " + path, site);
    return false;
}

bool IsAbsoluteLocalPathOrEmpty(const std::string& file)
{
    if (file.empty()) return true;
    std::string fullPath;
    return IsLocalPath(file, fullPath) && fullPath == file;
}

}  // namespace

void ReadTextFile(const std::string& path, std::string& text)
{
    text.clear();
    OwnedFile file(OpenForReading(path));
    if (!file) throw CFileException(GetLastError(), path);
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

bool ParseVexoLoadRequestFile(const std::string& path, CKeyValueMap& request, const KeptRequestFile* kept,
                              const RequestingSite& site)
{
    request[kPackageNameKey] = "";
    request[kServerNameKey] = "";
    request[kContentTypeKey] = kPlainType;

    std::string fileText;
    if (kept && kept->tooLarge) return ReportTooLarge(path, site);
    if (kept) {
        fileText = JoinRequestFileLines(kept->bytes);
    } else {
        try {
            ReadTextFile(path, fileText);
        } catch (const CFileException&) {
            return ReportMissingFile(path, site);
        } catch (const RequestFileTooLarge&) {
            return ReportTooLarge(path, site);
        }
    }

    std::string requestData;
    if (!ExtractRequestData(fileText, requestData)) return ReportNoRequestInformation(path, fileText, site);

    bool good = true;
    try {
        request.ParseText(requestData);
    } catch (const FormatException&) {
        good = false;
    }
    if (good) good = IsValidName(request) && IsValidType(request) && IsValidServerName(request);
    if (!good) return ReportBadRequestInformation(path, requestData, site);
    // What the user is shown must be what is sent, and a FILE is named as it is submitted: an
    // absolute path on a local drive.
    if (const std::optional<UnshowableValue> refused = FindValueNotShown(request))
        return ReportUnshowableValue(path, *refused, site);
    if (HasSpecialKeyInAnotherCase(request) || !IsAbsoluteLocalPathOrEmpty(MapValue(request, kLocalFileKey)))
        return ReportBadRequestInformation(path, requestData, site);
    return true;
}
