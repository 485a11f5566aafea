#include "vxclient/RequestIntake.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "common/ToolFiles.h"
#include "common/ToolText.h"
#include "vxclient/SubmissionReader.h"
#include "win/AsciiText.h"
#include "win/Owned.h"

namespace {

constexpr char kSubmissionSuffix[] = ".vnxsubmit";

bool EndsWithSubmissionSuffix(const std::string& name)
{
    const size_t length = sizeof kSubmissionSuffix - 1;
    return name.size() > length && ascii::EndsWithIgnoringCase(name, kSubmissionSuffix);
}

void AppendLine(const std::string& path, const std::string& line)
{
    OwnedFile file(CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

enum class ReadResult { ok, busy, failed };

// Opened without sharing: a file that another program still holds is left for the next look.
ReadResult ReadExclusively(const std::string& path, std::string& bytes, DWORD& error)
{
    OwnedFile file(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        error = GetLastError();
        return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ? ReadResult::busy : ReadResult::failed;
    }
    bytes.clear();
    bool ok = ReadToEnd(file.get(), bytes);
    error = ok ? 0 : GetLastError();
    return ok ? ReadResult::ok : ReadResult::failed;
}

bool MoveInto(const std::string& source, const std::string& folder, const std::string& name, std::string& problem)
{
    if (!CreateFolderPath(folder)) {
        problem = "cannot create " + folder;
        return false;
    }
    // The plug-in may reuse a name once the earlier file has left the request directory: a file
    // taken up before is never overwritten, the later one gets a numbered name beside it.
    std::string target = folder + "\\" + name;
    for (int copy = 1; !MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_COPY_ALLOWED); ++copy) {
        DWORD error = GetLastError();
        if ((error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) || copy > 1000) {
            problem = "cannot move it to " + target + ": " + ErrorText(error);
            return false;
        }
        target = folder + "\\" + name + "." + std::to_string(copy);
    }
    return true;
}

}  // namespace

void ClientLog::Write(const std::string& text) const
{
    char pid[32];
    snprintf(pid, sizeof pid, " [%lu] ", GetCurrentProcessId());
    AppendLine(path, TimeStamp() + pid + text);
}

std::string TimeStamp()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[32];
    snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
             now.wMinute, now.wSecond);
    return text;
}

IntakeCount TakeUpSubmissions(const ClientSettings& settings, const ClientLog& log)
{
    IntakeCount count;
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    OwnedFindHandle search(FindFirstFileA((settings.requestDir + "\\*").c_str(), &found));
    if (search) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && EndsWithSubmissionSuffix(found.cFileName))
                names.push_back(found.cFileName);
        } while (FindNextFileA(search.get(), &found));
    }
    // The names are times: in name order is in the order the plug-in wrote them.
    std::sort(names.begin(), names.end());
    const std::string journal = settings.dataDir + "\\journal.txt";
    for (const std::string& name : names) {
        std::string path = settings.requestDir + "\\" + name;
        std::string bytes;
        DWORD error = 0;
        ReadResult read = ReadExclusively(path, bytes, error);
        if (read == ReadResult::busy) {
            ++count.busy;
            continue;
        }
        if (read == ReadResult::failed) {
            if (error != ERROR_FILE_NOT_FOUND) log.Write("cannot read " + name + ": " + ErrorText(error));
            continue;
        }
        CKeyValueMap request;
        std::string reason;
        std::string problem;
        if (!ReadSubmission(bytes, request, reason)) {
            if (!MoveInto(path, settings.dataDir + "\\rejected", name, problem)) {
                log.Write("cannot reject " + name + ": " + problem);
                continue;
            }
            AppendLine(settings.dataDir + "\\rejected\\" + name + ".reason.txt", reason);
            log.Write("rejected " + name + ": " + reason);
            ++count.rejected;
            continue;
        }
        // Moved before it is recorded, so that a file is never recorded twice.
        if (!MoveInto(path, settings.dataDir + "\\done", name, problem)) {
            log.Write("cannot take up " + name + ": " + problem);
            continue;
        }
        AppendLine(journal, TimeStamp() + "\t" + JournalEntry(name, request));
        log.Write("took up " + name);
        ++count.accepted;
    }
    return count;
}
