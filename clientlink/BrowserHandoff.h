// Asking the browser, by DDE, to open the client download page.
//
// Errors: nothing here throws or tells the user. A failure leaves the hand-off unavailable
// (ddeInitResult not 0, browserDdeName empty) or drops the one request: the hand-off is a courtesy
// after the user's Yes, and the click ends the same way without it. ReadBrowserDdeName also
// returns the registry's status for callers that want to know why the name is empty.
#pragma once

#include <windows.h>
#include <ddeml.h>

#include <cstddef>

struct InstanceData;

extern DWORD ddeInstance;
extern UINT ddeInitResult;         // DDE is usable only when this is 0 (DMLERR_NO_ERROR)
extern char browserDdeName[511];   // always NUL-terminated; empty when the registry names none
extern const char* const clientDownloadPage;

// The longest URL handed over: the item "URL",,0,4 must fit a DDE string of 255 characters.
constexpr std::size_t kLongestBrowserUrl = 248;
// An http:// or https:// URL (scheme in any letter case) of at most kLongestBrowserUrl bytes with
// no double quote and no control byte: the browser receives exactly "URL",,0,4 for it.
bool IsSafeBrowserUrl(const char* url);

void InitializeDde();
void UninitializeDde();
LONG ReadBrowserDdeName();
void OpenUrlInBrowser(const InstanceData* record, const char* serviceName);
HDDEDATA CALLBACK DdeNullCallback(UINT type, UINT format, HCONV conversation, HSZ string1,
                                  HSZ string2, HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2);
