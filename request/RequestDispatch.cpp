#include "request/RequestDispatch.h"

#include "client/BrowserHandoff.h"
#include "client/ClientLaunch.h"
#include "client/KeyNames.h"
#include "client/LoadRequestSignal.h"
#include "client/SettingsStore.h"
#include "client/SitePolicyStore.h"
#include "diag/TraceEntries.h"
#include "diag/TraceLog.h"
#include "request/RequestWarning.h"
#include "request/RequestingSite.h"
#include "request/SaveFlow.h"
#include "request/SiteDecision.h"
#include "request/UploadFlow.h"
#include "win/SystemCalls.h"

namespace {

void ReportFailure(BrowserServices& browser, long line, const char* statusText)
{
    TraceLogFileWrite(kDispatchTraceSource, line, statusText);
    browser.ShowStatus(statusText);
    systemCalls.MessageBoxA(nullptr, "Tolvane save request failed", "Error", MB_OK);
}

// Printable ASCII without a blank: an address that reads as exactly what it is, with no room for a
// second address or a sentence of the page's inside it.
bool ReadsAsItIs(const std::string& text)
{
    for (char c : text)
        if (c <= ' ' || c > '~') return false;
    return true;
}

// No is the default: a key held down or pressed when the box appears opens nothing. Where every
// request is confirmed, the button may stand anywhere in the page, so the box also says who asks and
// the very address that Yes opens.
void OfferClientSoftware(const PageRequest& page, BrowserServices& browser, const RequestingSite& site)
{
    TraceLogFileWrite(kDispatchTraceSource, __LINE__, "The Tolvane client is not installed or configured properly ...");
    browser.ShowStatus("The Tolvane client is not installed or configured properly ...");
    std::string text =
        "The Tolvane client is not installed or configured properly \n Do You want to Get the Client Software ?";
    const char* pageUrl = page.downloadUrl ? page.downloadUrl->c_str() : nullptr;
    if (browser.ConfirmsEveryRequest() && pageUrl && !ReadsAsItIs(pageUrl)) pageUrl = nullptr;
    const std::string url = ChooseDownloadPage(pageUrl);
    if (browser.ConfirmsEveryRequest()) {
        text += "\n\n";
        if (site.Known()) text += "Asked by " + PhraseOf(site) + ".\n";
        text += "Yes opens " + url + " in a new tab.";
    }
    const int answer = systemCalls.MessageBoxA(nullptr, text.c_str(), "Configuration Error", MB_YESNO | MB_DEFBUTTON2);
    if (answer == IDYES) browser.OpenUrl(url);
    browser.ShowStatus("Document: Done");
}

// Control bytes and everything above ASCII as "?": the trace log is read as lines of text.
std::string Printable(const std::string& text)
{
    std::string printable = text.substr(0, 256);
    for (char& c : printable)
        if (c < ' ' || c > '~') c = '?';
    return printable;
}

RequestingSite SiteOf(const PageRequest& page)
{
    RequestingSite site = DescribeRequestingSite(page.origin, page.topOrigin);
    if (site.malformedOrigin) {
        const std::string text = "The browser named the page by no origin; its dialogs name no site: [" +
                                 Printable(page.origin) + "] in [" + Printable(page.topOrigin) + "]";
        TraceLogFileWrite(kDispatchTraceSource, __LINE__, text.c_str());
    }
    return site;
}

bool AnyPolicySet(const SitePolicy& policy)
{
    return policy.IsMalformed() || !policy.allowedSites.empty() || !policy.blockedSites.empty() ||
           !policy.allowFramedSites.empty();
}

// The administrator's site policy, read anew at each click so that a change applies to the next
// one. A refused click ends here, before the settings are loaded or the client started: nothing of
// the request runs, and the status line names the policy. Without any policy an allowed click
// leaves no trace entry, as before there was one.
bool SiteMayAsk(const PageRequest& page, BrowserServices& browser)
{
    const SitePolicy policy = ReadSitePolicy();
    const SiteDecision decision = DecideSite(policy, page.origin, page.topOrigin, page.crossSiteFrame);
    if (!decision.allowed || AnyPolicySet(policy))
        TraceLogFileWrite(kSitePolicyTraceSource, decision.allowed ? kSiteAllowedByPolicy : kSiteRefused,
                          decision.traceReason.c_str());
    if (!decision.allowed) browser.ShowStatus(decision.statusText.c_str());
    return decision.allowed;
}

void AddIfSet(CKeyValueMap& request, const char* key, const std::optional<std::string>& value)
{
    if (value) request[key] = *value;
}

CKeyValueMap RequestFromPage(const PageRequest& page)
{
    CKeyValueMap request;
    AddIfSet(request, kPackageNameKey, page.name);
    AddIfSet(request, kServerNameKey, page.serverName);
    request[kContentTypeKey] = page.contentType ? *page.contentType : kPlainType;
    AddIfSet(request, kServerPortKey, page.port);
    AddIfSet(request, kPackageSizeKey, page.size);
    if (page.isUpload) {
        AddIfSet(request, kLocalFileKey, page.file);
        AddIfSet(request, kRecipientsKey, page.recipients);
    }
    return request;
}

RequestOutcome RunFlow(const PageRequest& page, CKeyValueMap& settings, BrowserServices& browser, const RequestingSite& site)
{
    if (!page.unrepresentableAttribute.empty())
        RefuseUnshowableValue(page.isUpload && !page.hasSrc ? kUploadAttributesBad : kDownloadAttributesBad,
                              {page.unrepresentableAttribute, ShownValueFault::unconvertible}, site);
    const ClickDialogs dialogs(browser.OwnerWindow(), site, browser.ConfirmsEveryRequest());
    if (page.hasSrc) {
        const KeptRequestFile* kept = page.keptRequestFile ? &*page.keptRequestFile : nullptr;
        return SubmitSaveRequestFile(settings, page.requestFile ? page.requestFile->c_str() : nullptr, dialogs, kept);
    }
    CKeyValueMap request = RequestFromPage(page);
    if (page.isUpload) return SubmitUploadRequest(settings, request, dialogs);
    return SubmitSaveRequest(settings, request, dialogs);
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
        if (!SiteMayAsk(page, browser)) return RequestOutcome::failed;
        const RequestingSite site = SiteOf(page);
        // Anything but FormatException from the settings load (which CheckConfiguration answers
        // itself) is unexpected, out of memory: nothing has been submitted yet, so it is reported
        // like a failed request.
        if (!CheckConfiguration(settings, browser.ClientStart())) {
            OfferClientSoftware(page, browser, site);
            return RequestOutcome::failed;
        }
        const RequestOutcome outcome = RunFlow(page, settings, browser, site);
        if (outcome != RequestOutcome::submitted) {
            // A flow that stopped after its own box ends with the same status text as a cancel:
            // the box has told the user why.
            browser.ShowStatus("Tolvane Save request cancelled");
            return outcome;
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
