// The browsers this host can play. Each browser that loaded NPAPI plug-ins on Windows called them in
// its own order; a plug-in that works in one may fail in another, so the host reproduces each.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "vxhost/HtmlPage.h"

enum class BrowserKind { kClassic, kGecko, kChromium };

// One name/value pair of NPP_New's argn/argv; a value may be null (Gecko's "PARAM" separator).
struct PluginArgument {
    std::string name;
    std::string value;
    bool hasValue = true;
};

struct BrowserProfile {
    BrowserKind kind = BrowserKind::kClassic;
    const char* name = "classic";
    int setWindowsBeforeStream = 1;    // identical NPP_SetWindow calls before the stream
    bool setWindowOnReflow = false;     // another NPP_SetWindow once the page is laid out
    bool windowAtOrigin = false;        // NPWindow x = y = 0, the clip rectangle in the plug-in's own terms
    bool wrapperWindow = false;         // the plug-in's window is re-parented into a wrapper of ours
    bool scrollsAfterShow = false;      // the page scrolls once and back: NPP_SetWindow per clip change
    bool writeBeyondReady = false;      // NPP_Write gets the whole waiting chunk, whatever NPP_WriteReady said
    int32_t streamChunk = 4096;         // the most bytes of one delivery
    enum CopyLifetime { kCopyKept, kCopyDeletedAfterStream, kCopyDeletedAfterDestroy } copyLifetime = kCopyKept;
    bool destroyAfterFailedNew = false; // NPP_Destroy also for an instance whose NPP_New failed
    bool nullSaveSlot = false;          // NPP_Destroy gets no slot for saved data
    bool windowGoesWithInstance = false; // each instance's window goes right after its NPP_Destroy
    bool nullWindowAtTeardown = false;  // NPP_SetWindow with a null window (other fields stale) before NPP_Destroy
    bool breakOpenStreamsAtTeardown = false;  // NPP_DestroyStream(NPRES_USER_BREAK) for streams still open
    bool keepsLibraryLoaded = false;    // a reloaded page gets new instances without a new NP_Initialize
    DWORD unloadDelayMs = 0;            // how long the library stays loaded after the last instance
    // Every profile gives the page's window object (NPNVWindowNPObject) and its location.href.
    bool answersDocumentOrigin = false; // NPNVdocumentOrigin: the document's origin as a string
};

// "classic", "gecko" or "chromium"; throws std::invalid_argument for anything else.
BrowserProfile ParseBrowserProfile(const std::string& name);

// The argn/argv of NPP_New for an element, in the order and form this browser builds them. `src`
// is the element's src (embed) or data (object), empty when none.
std::vector<PluginArgument> PluginArguments(const BrowserProfile& profile, const PageElement& element,
                                            const std::string* src);
