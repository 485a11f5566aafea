// Asking the browser, by DDE, to open a page (the client's download page).
//
// Errors: nothing here throws or tells the user. A failure leaves the hand-off unavailable
// (IsAvailable false, BrowserDdeName empty) or drops the one request: the hand-off is a courtesy
// after the user's Yes, and the click ends the same way without it. ReadBrowserDdeName returns the
// registry's status for callers that want to know why the name is empty.
#pragma once

#include <windows.h>
#include <ddeml.h>

#include <cstddef>
#include <string>

// "http://www.tolvane.example/download.html", which the extension links when the bridge is missing
// (shared/bridge-constants.json).
extern const char* const clientDownloadPage;

// The longest URL handed over: the item "URL",,0,4 must fit a DDE string of 255 characters.
constexpr std::size_t kLongestBrowserUrl = 248;
// An http:// or https:// URL (scheme in any letter case) of at most kLongestBrowserUrl bytes with
// no double quote and no control byte: the browser receives exactly "URL",,0,4 for it.
bool IsSafeBrowserUrl(const char* url);
// The page's download address when it is safe, else the client download page: the user's Yes was
// for getting the client, so anything else gets the client's own page.
std::string ChooseDownloadPage(const char* pageDownloadUrl);

// The plug-in's DDE client instance and the browser's DDE service name.
class DdeHandoff {
public:
    void Initialize();
    void Uninitialize();
    bool IsAvailable() const { return initResult == DMLERR_NO_ERROR; }
    UINT InitResult() const { return initResult; }
    DWORD Instance() const { return instance; }

    // The service name under HKEY_CLASSES_ROOT "http\shell\open\ddeexec\Application"; empty when
    // the registry names none or one that does not fit.
    LONG ReadBrowserDdeName();
    const char* BrowserDdeName() const { return browserDdeName; }

    // WWW_OpenURL with the item "URL",,0,4 to serviceName, without waiting for an answer.
    void OpenUrl(const char* serviceName, const std::string& url) const;

private:
    DWORD instance = 0;
    UINT initResult = DMLERR_NOTPROCESSED;
    char browserDdeName[511] = "";  // always NUL-terminated
};

HDDEDATA CALLBACK DdeNullCallback(UINT type, UINT format, HCONV conversation, HSZ string1, HSZ string2,
                                  HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2);
