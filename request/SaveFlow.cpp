// The save flow: a download request completed with the user and handed to the client.
#include "request/SaveFlow.h"

#include <cstring>

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
// confirmUnasked: a request for which no Save-As is shown goes only after the confirmation.
int SubmitCommonSteps(CKeyValueMap& settings, CKeyValueMap& request, HWND owner,
                      bool honourDebugApproval, bool confirmUnasked)
{
    request["DestBaseName"] = ProposedFileName(MapValue(request, "NAME"));
    request["DestInitialDir"] = MapValue(settings, "LoadDeliveryDir") + "\\";

    bool directoryChosen = false;
    if (MapValue(request, "TYPE") == "PLAIN") {
        std::string target;
        if (honourDebugApproval && MapValue(request, "DEBUG_APPROVED") == "YES") {
            target = MapValue(request, "TargetPath");
        } else {
            target = AskSavePath(request, owner);
            if (target.empty()) return 0;
            directoryChosen = true;
        }
        request["TargetPath"] = target;
    }
    if (confirmUnasked && !directoryChosen &&
        !ConfirmRequestedPackage({MapValue(request, "NAME"), MapValue(request, "SERVERNAME"),
                                  MapValue(request, "SERVERPORT"), MapValue(request, "HTTPSERVERPORT")},
                                 owner))
        return 0;

    WriteSubmissionFile(settings, request);

    // Only a directory the user chose is remembered. Without a dialog the proposed directory is
    // the old one plus a backslash, and storing it would add a backslash per request.
    if (directoryChosen) settings["LoadDeliveryDir"] = MapValue(request, "DestInitialDir");
    return 1;
}

}  // namespace

std::string AskSavePath(CKeyValueMap& request, HWND owner)
{
    char fileName[512] = {};
    // A proposal that does not fit is left out rather than cut: a cut name could pass for a
    // different file. The user then types the name.
    const std::string proposed = MapValue(request, "DestBaseName");
    if (proposed.size() < sizeof fileName) std::memcpy(fileName, proposed.data(), proposed.size());
    const std::string initialDirectory = MapValue(request, "DestInitialDir");

    OPENFILENAMEA dialog = FileDialogRequest(
        owner, fileName, sizeof fileName, "Tolvane : deliver package to ...",
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
    request["DestBaseName"] = chosen;
    request["DestInitialDir"] =
        lastBackslash == std::string::npos ? std::string() : chosen.substr(0, lastBackslash);
    return chosen;
}

int SubmitSaveRequest(CKeyValueMap& settings, CKeyValueMap& request, HWND owner, bool confirmsEveryRequest)
{
    if (!IsValidName(request) || !IsValidType(request) || !IsValidServerName(request) ||
        !ShowsWhatItSends(request))
        RefuseBadRequest(kDownloadAttributesBad);
    return SubmitCommonSteps(settings, request, owner, true, confirmsEveryRequest);
}

int SubmitSaveRequestFile(CKeyValueMap& settings, const char* fileName, HWND owner, const KeptRequestFile* kept,
                          bool confirmsEveryRequest)
{
    const std::string path = ascii::Trim(fileName ? fileName : "");
    if (path.size() < 2) throw FormatException();

    CKeyValueMap request;
    if (!ParseVexoLoadRequestFile(path, request, kept)) throw FormatException();
    // The target of a download is the user's choice, never the page's.
    request.RemoveKey("TargetPath");
    // A request file may ask the client to upload a local file; the page never names one that the
    // user has not seen.
    // The parser has checked that FILE is an absolute local path: it is shown as it is submitted.
    const std::string file = MapValue(request, "FILE");
    if (!file.empty() &&
        !ConfirmPageNamedFile({file, MapValue(request, "RECIPIENTS"), MapValue(request, "SERVERNAME"),
                               MapValue(request, "SERVERPORT"), MapValue(request, "HTTPSERVERPORT")},
                              owner))
        return 0;
    // A file the page named has been confirmed already: one question is enough.
    return SubmitCommonSteps(settings, request, owner, false, confirmsEveryRequest && file.empty());
}
