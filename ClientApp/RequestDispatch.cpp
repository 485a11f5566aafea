#include "ClientApp/RequestDispatch.h"

#include "ClientApp/VexoRequest.h"
#include "clientlink/BrowserHandoff.h"
#include "clientlink/ClientSignal.h"
#include "clientlink/PlatformCalls.h"
#include "clientlink/SettingsStore.h"
#include "diag/TraceLog.h"
#include "plugin/InstanceData.h"
#include "plugin/PluginEntry.h"

namespace {

const char* const kDispatchSource = "ClientApp/RequestDispatch";

// The browser may have destroyed the instance while a dialog of this click was open; its NPP is
// gone then, so the click ends without status texts.
void ShowStatus(const InstanceData* record, const char* text)
{
    if (!record->destroyed) NPN_Status(record->instance, text);
}

HWND OwnerWindow(const InstanceData* record)
{
    return record->window ? static_cast<HWND>(record->window->window) : nullptr;
}

void ReportFailure(const InstanceData* record, long line, const char* statusText)
{
    TraceLogFileWrite(kDispatchSource, line, statusText);
    ShowStatus(record, statusText);
    platform.MessageBoxA(nullptr, "Tolvane save request failed", "Error", MB_OK);
}

void OfferClientSoftware(const InstanceData* record)
{
    TraceLogFileWrite(kDispatchSource, __LINE__, "The Tolvane client is not installed or configured properly ...");
    ShowStatus(record, "The Tolvane client is not installed or configured properly ...");
    int answer = platform.MessageBoxA(
        nullptr,
        "The Tolvane client is not installed or configured properly \n Do You want to Get the Client Software ?",
        "Configuration Error", MB_YESNO);
    if (answer == IDYES) OpenUrlInBrowser(record, browserDdeName);
    ShowStatus(record, "Document: Done");
}

void AddIfSet(CKeyValueMap& request, const char* key, const char* value)
{
    if (value) request[key] = value;
}

CKeyValueMap RequestFromAttributes(const InstanceData* record)
{
    CKeyValueMap request;
    AddIfSet(request, "NAME", record->name);
    AddIfSet(request, "SERVERNAME", record->serverName);
    request["TYPE"] = record->contentType ? record->contentType : "PLAIN";
    AddIfSet(request, "SERVERPORT", record->port);
    AddIfSet(request, "SIZE", record->size);
    if (record->isUpload) {
        AddIfSet(request, "FILE", record->file);
        AddIfSet(request, "RECIPIENTS", record->recipients);
    }
    return request;
}

int RunFlow(const InstanceData* record, const char* fileName, int hasSrc)
{
    HWND owner = OwnerWindow(record);
    if (hasSrc) {
        // The bytes kept at the stream belong to the record's own file name.
        RequestFileBytes kept{record->fileBytes, record->fileSize};
        bool useKept = record->fileBytes && fileName == record->file;
        return SubmitSaveRequestFile(settingsMap, fileName, owner, useKept ? &kept : nullptr);
    }
    CKeyValueMap request = RequestFromAttributes(record);
    if (record->isUpload) return SubmitUploadRequest(settingsMap, request, owner);
    return SubmitSaveRequest(settingsMap, request, owner);
}

}  // namespace

int CheckConfiguration()
{
    productKeyPath = kProductKeyPath;
    clientInstanceName = kClientInstanceName;
    try {
        settingsMap.LoadFromRegistry(productKeyPath, HKEY_CURRENT_USER);
    } catch (const FormatException&) {
        return 0;
    }
    StartClientIfNeeded(settingsMap);
    return 1;
}

// What reaches the user of an exception is decided here, once: the flows throw, the dispatch
// words it. Anything thrown by a status text or a box themselves goes on to the window
// procedure's guard.
int DispatchRequest(InstanceData* record, const char* fileName, int hasSrc)
{
    if (!record) return 0;
    try {
        // Anything but FormatException from the settings load (which CheckConfiguration answers
        // itself) is unexpected, out of memory: nothing has been submitted yet, so it is reported
        // like a failed request.
        if (!CheckConfiguration()) {
            OfferClientSoftware(record);
            return 0;
        }
        if (!RunFlow(record, fileName, hasSrc)) {
            ShowStatus(record, "Tolvane Save request cancelled");
            return 0;
        }
        BumpLoadRequestSignal();
    } catch (const FormatException&) {
        ReportFailure(record, __LINE__, "Tolvane save request failed : Format Exception");
        return 0;
    } catch (const CException&) {
        ReportFailure(record, __LINE__, "Tolvane save request failed : File Exception");
        return 0;
    } catch (...) {
        ReportFailure(record, __LINE__, "Tolvane save request failed : Unknown Exception");
        return 0;
    }

    // The request is in the client's hands by now; a settings store that fails only loses the
    // remembered directory, so the click still ends as submitted, and the failure is told.
    try {
        settingsMap.SaveToRegistry(productKeyPath, HKEY_CURRENT_USER);
    } catch (...) {
        TraceLogFileWrite(kDispatchSource, __LINE__, "The Tolvane settings could not be saved.");
        platform.MessageBoxA(nullptr,
                             "The request was submitted, but the Tolvane settings could not be saved.",
                             "Error", MB_OK);
    }
    ShowStatus(record, "Document : Done");
    return 1;
}
