// The save flow: a download request completed with the user and handed to the client.
#include "request/SaveFlow.h"

#include <cstring>

#include "client/KeyNames.h"
#include "diag/TraceEntries.h"
#include "request/Confirmation.h"
#include "request/FileDialogs.h"
#include "request/PagePaths.h"
#include "request/RequestFile.h"
#include "request/RequestText.h"
#include "request/RequestWarning.h"
#include "request/ShownText.h"
#include "request/SubmissionFile.h"
#include "win/AsciiText.h"
#include "win/SystemCalls.h"

namespace {

// The part of NAME after its last ":", "\" or "/" (characters, not bytes).
std::string ProposedFileName(const std::string& name)
{
    const std::size_t cut = FindLastSeparator(name, ":\\/");
    return cut == std::string::npos ? name : name.substr(cut + 1);
}

// honourDebugApproval: whether DEBUG_APPROVED "YES" may skip the Save-As dialog. A request file
// comes from a web page, and its TargetPath would let any page write a download to any path of
// the user's without asking; only requests that the plug-in built itself may skip the dialog.
// confirmPackage: the request goes on, to the Save-As dialog or to the client, only after the
// confirmation of its package.
RequestOutcome SubmitCommonSteps(CKeyValueMap& settings, CKeyValueMap& request, const ClickDialogs& dialogs,
                                 bool honourDebugApproval, bool confirmPackage)
{
    request[kDestinationFileKey] = ProposedFileName(MapValue(request, kPackageNameKey));
    request[kDestinationFolderKey] = MapValue(settings, kDeliveryFolderSetting) + "\\";

    const bool asksWhereToSave = MapValue(request, kContentTypeKey) == kPlainType &&
                                 !(honourDebugApproval && MapValue(request, kDebugApprovalKey) == kDebugApproved);
    if (confirmPackage) {
        const RequestedPackage package{
            MapValue(request, kPackageNameKey), MapValue(request, kServerNameKey), MapValue(request, kServerPortKey),
            MapValue(request, kHttpServerPortKey),
            asksWhereToSave ? std::optional<std::string>(MapValue(request, kDestinationFileKey)) : std::nullopt};
        if (!ConfirmRequestedPackage(package, dialogs)) return RequestOutcome::cancelled;
    }

    if (MapValue(request, kContentTypeKey) == kPlainType) {
        std::string target = asksWhereToSave ? AskSavePath(request, dialogs) : MapValue(request, kTargetPathKey);
        if (asksWhereToSave && target.empty()) return RequestOutcome::cancelled;
        request[kTargetPathKey] = target;
    }

    WriteSubmissionFile(settings, request);

    // Only a directory the user chose is remembered. Without a dialog the proposed directory is
    // the old one plus a backslash, and storing it would add a backslash per request.
    if (asksWhereToSave) settings[kDeliveryFolderSetting] = MapValue(request, kDestinationFolderKey);
    return RequestOutcome::submitted;
}

}  // namespace

std::string AskSavePath(CKeyValueMap& request, const ClickDialogs& dialogs)
{
    char fileName[512] = {};
    // A proposal that does not fit is left out rather than cut: a cut name could pass for a
    // different file. The user then types the name.
    const std::string proposed = MapValue(request, kDestinationFileKey);
    if (proposed.size() < sizeof fileName) std::memcpy(fileName, proposed.data(), proposed.size());
    const std::string initialDirectory = MapValue(request, kDestinationFolderKey);

    const std::string title = TitleAskedBy("Tolvane : deliver package to ...", dialogs.site);
    OPENFILENAMEA dialog = FileDialogRequest(
        dialogs.owner, fileName, sizeof fileName, title.c_str(),
        OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_EXPLORER |
            OFN_LONGNAMES);
    // No directory of MAX_PATH or more can be opened, and Wine's dialog overruns its stack on one
    // of about a thousand characters: the dialog then starts where it would without one.
    dialog.lpstrInitialDir = initialDirectory.size() < MAX_PATH ? initialDirectory.c_str() : nullptr;

    if (!systemCalls.GetSaveFileNameA(&dialog)) {
        systemCalls.CommDlgExtendedError();
        return std::string();
    }
    fileName[sizeof fileName - 1] = '\0';
    const std::string chosen = fileName;
    const std::size_t lastBackslash = FindLastSeparator(chosen, "\\");
    request[kDestinationFileKey] = chosen;
    request[kDestinationFolderKey] =
        lastBackslash == std::string::npos ? std::string() : chosen.substr(0, lastBackslash);
    return chosen;
}

RequestOutcome SubmitSaveRequest(CKeyValueMap& settings, CKeyValueMap& request, const ClickDialogs& dialogs)
{
    if (!IsValidName(request) || !IsValidType(request) || !IsValidServerName(request))
        RefuseBadRequest(kDownloadAttributesBad, dialogs.site);
    if (const std::optional<UnshowableValue> refused = FindValueNotShown(request))
        RefuseUnshowableValue(kDownloadAttributesBad, *refused, dialogs.site);
    return SubmitCommonSteps(settings, request, dialogs, true, dialogs.confirmsEveryRequest);
}

RequestOutcome SubmitSaveRequestFile(CKeyValueMap& settings, const char* fileName, const ClickDialogs& dialogs,
                                     const KeptRequestFile* kept)
{
    const std::string path = ascii::Trim(fileName ? fileName : "");
    if (path.size() < 2) throw FormatException();

    CKeyValueMap request;
    if (!ParseVexoLoadRequestFile(path, request, kept, dialogs.site)) throw FormatException();
    // The target of a download is the user's choice, never the page's.
    request.RemoveKey(kTargetPathKey);
    // A request file may ask the client to upload a local file; the page never names one that the
    // user has not seen.
    // The parser has checked that FILE is an absolute local path: it is shown as it is submitted.
    const std::string file = MapValue(request, kLocalFileKey);
    if (!file.empty() &&
        !ConfirmPageNamedFile({file, MapValue(request, kRecipientsKey), MapValue(request, kServerNameKey),
                               MapValue(request, kServerPortKey), MapValue(request, kHttpServerPortKey)},
                              dialogs))
        return RequestOutcome::cancelled;
    // A file the page named has been confirmed already: one question is enough.
    return SubmitCommonSteps(settings, request, dialogs, false, dialogs.confirmsEveryRequest && file.empty());
}
