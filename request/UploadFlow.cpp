// The upload flow: a local file to send to recipients, handed to the client.
#include "request/UploadFlow.h"

#include <vector>

#include "client/KeyNames.h"
#include "diag/TraceEntries.h"
#include "diag/TraceLog.h"
#include "request/Confirmation.h"
#include "request/FileDialogs.h"
#include "request/PagePaths.h"
#include "request/RequestText.h"
#include "request/RequestWarning.h"
#include "request/ShownText.h"
#include "request/SubmissionFile.h"
#include "win/Owned.h"
#include "win/SystemCalls.h"

namespace {

// The absolute path of path (resolved against the current directory) and its last component.
void ResolveFullPath(const std::string& path, std::string& fullPath, std::string& name)
{
    fullPath = path;
    DWORD needed = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
    if (needed != 0) {
        std::vector<char> buffer(needed + 1);
        DWORD length =
            GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        if (length != 0 && length < buffer.size()) fullPath.assign(buffer.data(), length);
    }
    const std::size_t cut = FindLastSeparator(fullPath, "\\/");
    name = cut == std::string::npos ? fullPath : fullPath.substr(cut + 1);
}

RequestOutcome RefuseEmptyRecipientList()
{
    TraceLogFileWrite(kRequestTraceSource, __LINE__, "Bad recipient list. Please re-enter.");
    systemCalls.MessageBoxA(nullptr, "Bad recipient list. Please re-enter.", "Error", MB_OK);
    return RequestOutcome::failed;
}

}  // namespace

RequestOutcome SubmitUploadRequest(CKeyValueMap& settings, CKeyValueMap& request, const ClickDialogs& dialogs)
{
    if (!IsValidType(request) || !IsValidServerName(request)) RefuseBadRequest(kUploadAttributesBad, dialogs.site);
    if (const std::optional<UnshowableValue> refused = FindValueNotShown(request))
        RefuseUnshowableValue(kUploadAttributesBad, *refused, dialogs.site);

    const std::string recipients = MapValue(request, kRecipientsKey);
    CStringArray recipientList;
    SplitText(recipients, recipientList, ':');
    std::string serverPort = MapValue(request, kServerPortKey);
    if (serverPort.empty()) serverPort = LongToText(609);
    std::string httpServerPort = MapValue(request, kHttpServerPortKey);
    if (httpServerPort.empty()) httpServerPort = LongToText(8009);

    std::string file = MapValue(request, kLocalFileKey);
    const bool namedByPage = !file.empty();
    if (!namedByPage && dialogs.confirmsEveryRequest) {
        // Nobody is asked about a request that fails anyway, and the user's file is not yet known.
        if (recipientList.empty()) return RefuseEmptyRecipientList();
        if (!ConfirmChoosingFileToSend({recipients, MapValue(request, kServerNameKey), serverPort, httpServerPort},
                                       dialogs))
            return RequestOutcome::cancelled;
    }
    if (!namedByPage) {
        file = AskFileToSend(dialogs);
        if (file.empty()) return RequestOutcome::cancelled;
        request[kLocalFileKey] = file;
    }

    std::string name = MapValue(request, kPackageNameKey);

    std::string fullPath;
    {
        // A path the page chose is opened only when it is a plain file on a local drive: opening a
        // UNC path hands the user's network credentials to its host, and a pipe or device may block
        // the browser's thread.
        std::string localPath;
        const bool openable = !namedByPage || IsLocalRegularFile(file, localPath);
        // Opened only to prove that the client will be able to read it; nothing is read here.
        OwnedFile opened(openable ? CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                                  : INVALID_HANDLE_VALUE);
        if (!opened || (namedByPage && GetFileType(opened.get()) != FILE_TYPE_DISK)) {
            const std::string text = "The file '" + file + "' could not be opened.";
            TraceLogFileWrite(kRequestTraceSource, __LINE__, text.c_str());
            systemCalls.MessageBoxA(nullptr, text.c_str(), "Error!", MB_OK);
            return RequestOutcome::failed;
        }
        std::string fileName;
        ResolveFullPath(file, fullPath, fileName);
        if (name.empty()) name = fileName;
    }

    if (recipientList.empty()) return RefuseEmptyRecipientList();

    // Asked last, so that the user is not asked about a request that fails anyway.
    if (namedByPage &&
        !ConfirmPageNamedFile({fullPath, recipients, MapValue(request, kServerNameKey), serverPort, httpServerPort},
                              dialogs))
        return RequestOutcome::cancelled;

    CKeyValueMap upload;
    upload[kPackageNameKey] = name;
    upload[kChecksumKey] = LongToText(0);
    upload[kRecipientsKey] = recipients;
    upload[kServerNameKey] = MapValue(request, kServerNameKey);
    upload[kServerPortKey] = serverPort;
    upload[kHttpServerPortKey] = httpServerPort;
    upload[kContentTypeKey] = MapValue(request, kContentTypeKey);
    upload[kUploadFlagKey] = BoolToText(1);
    upload[kLocalFileKey] = fullPath;
    WriteSubmissionFile(settings, upload);
    return RequestOutcome::submitted;
}
