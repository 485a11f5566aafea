#include "request/RequestDispatch.h"

#include "client/BrowserHandoff.h"
#include "client/ClientLaunch.h"
#include "client/LoadRequestSignal.h"
#include "client/SettingsStore.h"
#include "diag/TraceEntries.h"
#include "diag/TraceLog.h"
#include "request/RequestWarning.h"
#include "request/SaveFlow.h"
#include "request/UploadFlow.h"
#include "win/SystemCalls.h"

namespace {

void ReportFailure(BrowserServices& browser, long line, const char* statusText)
{
    TraceLogFileWrite(kDispatchTraceSource, line, statusText);
    browser.ShowStatus(statusText);
    systemCalls.MessageBoxA(nullptr, "Tolvane save request failed", "Error", MB_OK);
}

void OfferClientSoftware(const PageRequest& page, BrowserServices& browser)
{
    TraceLogFileWrite(kDispatchTraceSource, __LINE__, "The Tolvane client is not installed or configured properly ...");
    browser.ShowStatus("The Tolvane client is not installed or configured properly ...");
    int answer = systemCalls.MessageBoxA(
        nullptr,
        "The Tolvane client is not installed or configured properly \n Do You want to Get the Client Software ?",
        "Configuration Error", MB_YESNO);
    if (answer == IDYES) browser.OpenUrl(ChooseDownloadPage(page.downloadUrl ? page.downloadUrl->c_str() : nullptr));
    browser.ShowStatus("Document: Done");
}

void AddIfSet(CKeyValueMap& request, const char* key, const std::optional<std::string>& value)
{
    if (value) request[key] = *value;
}

CKeyValueMap RequestFromPage(const PageRequest& page)
{
    CKeyValueMap request;
    AddIfSet(request, "NAME", page.name);
    AddIfSet(request, "SERVERNAME", page.serverName);
    request["TYPE"] = page.contentType ? *page.contentType : "PLAIN";
    AddIfSet(request, "SERVERPORT", page.port);
    AddIfSet(request, "SIZE", page.size);
    if (page.isUpload) {
        AddIfSet(request, "FILE", page.file);
        AddIfSet(request, "RECIPIENTS", page.recipients);
    }
    return request;
}

int RunFlow(const PageRequest& page, CKeyValueMap& settings, BrowserServices& browser)
{
    if (!page.unrepresentableAttribute.empty())
        RefuseBadRequest(page.isUpload && !page.hasSrc ? kUploadAttributesBad : kDownloadAttributesBad);
    HWND owner = browser.OwnerWindow();
    const bool confirmsEveryRequest = browser.ConfirmsEveryRequest();
    if (page.hasSrc) {
        const KeptRequestFile* kept = page.keptRequestFile ? &*page.keptRequestFile : nullptr;
        return SubmitSaveRequestFile(settings, page.requestFile ? page.requestFile->c_str() : nullptr, owner, kept,
                                     confirmsEveryRequest);
    }
    CKeyValueMap request = RequestFromPage(page);
    // An upload always shows a dialog: the Open dialog, or the confirmation of the page's file.
    if (page.isUpload) return SubmitUploadRequest(settings, request, owner);
    return SubmitSaveRequest(settings, request, owner, confirmsEveryRequest);
}

}  // namespace

bool CheckConfiguration(CKeyValueMap& settings, ClientStartStyle clientStart)
{
    try {
        LoadFromRegistry(settings, kProductKeyPath, HKEY_CURRENT_USER);
    } catch (const FormatException&) {
        return false;
    }
    StartClientIfNeeded(settings, clientStart);
    return true;
}

// What reaches the user of an exception is decided here, once: the flows throw, the dispatch
// words it. Anything thrown by a status text or a box themselves goes on to the window
// procedure's guard.
RequestOutcome DispatchRequest(const PageRequest& page, CKeyValueMap& settings, BrowserServices& browser)
{
    try {
        // Anything but FormatException from the settings load (which CheckConfiguration answers
        // itself) is unexpected, out of memory: nothing has been submitted yet, so it is reported
        // like a failed request.
        if (!CheckConfiguration(settings, browser.ClientStart())) {
            OfferClientSoftware(page, browser);
            return RequestOutcome::failed;
        }
        if (!RunFlow(page, settings, browser)) {
            browser.ShowStatus("Tolvane Save request cancelled");
            return RequestOutcome::cancelled;
        }
        BumpLoadRequestSignal();
    } catch (const FormatException&) {
        ReportFailure(browser, __LINE__, "Tolvane save request failed : Format Exception");
        return RequestOutcome::failed;
    } catch (const CFileException&) {
        ReportFailure(browser, __LINE__, "Tolvane save request failed : File Exception");
        return RequestOutcome::failed;
    } catch (...) {
        ReportFailure(browser, __LINE__, "Tolvane save request failed : Unknown Exception");
        return RequestOutcome::failed;
    }

    // The request is in the client's hands by now; a settings store that fails only loses the
    // remembered directory, so the click still ends as submitted, and the failure is told.
    try {
        SaveToRegistry(settings, kProductKeyPath, HKEY_CURRENT_USER);
    } catch (...) {
        TraceLogFileWrite(kDispatchTraceSource, __LINE__, "The Tolvane settings could not be saved.");
        systemCalls.MessageBoxA(nullptr,
                             "The request was submitted, but the Tolvane settings could not be saved.",
                             "Error", MB_OK);
    }
    browser.ShowStatus("Document : Done");
    return RequestOutcome::submitted;
}
