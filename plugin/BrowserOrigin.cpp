// Asking the browser who the page is. Two ways, as browsers offered them: Gecko answers
// NPNVdocumentOrigin with the element's document's origin (dom/plugins/base/nsNPAPIPlugin.cpp,
// _getvalue: the node principal's origin, "null" for a page without a host such as a file: page);
// Chromium and older browsers only give the window object (content/child/npapi/plugin_host.cc,
// NPN_GetValue: NPNVWindowNPObject, retained), whose location names the page.
#include <cstddef>

#include "plugin/PageOrigin.h"
#include "plugin/PluginEntry.h"
#include "win/Owned.h"

namespace {

// Read of the browser's text before it is taken for junk: an origin fits many times over.
constexpr std::size_t kLongestOriginAnswer = 1024;

struct BrowserObjectTraits {
    using Handle = NPObject*;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle object) { NPN_ReleaseObject(object); }
};
using OwnedBrowserObject = Owned<BrowserObjectTraits>;

// A variant the browser fills, given back to it however the reading ends. Void until filled, so
// that giving back an unfilled one is harmless.
struct BrowserVariant {
    NPVariant value{};
    BrowserVariant() = default;
    BrowserVariant(const BrowserVariant&) = delete;
    BrowserVariant& operator=(const BrowserVariant&) = delete;
    ~BrowserVariant() { NPN_ReleaseVariantValue(&value); }
};

std::string FromDocumentOriginValue(NPP instance)
{
    char* answer = nullptr;
    if (NPN_GetValue(instance, NPNVdocumentOrigin, &answer) != NPERR_NO_ERROR || !answer) return {};
    auto release = OnScopeExit([&] { NPN_MemFree(answer); });
    std::size_t length = 0;
    while (length <= kLongestOriginAnswer && answer[length] != 0) ++length;
    return length > kLongestOriginAnswer ? std::string() : OriginOfAddress({answer, length});
}

std::string FromWindowLocation(NPP instance)
{
    // Without every function the reading takes, what the browser hands over could not be given back.
    if (!BrowserOffersPropertyReads()) return {};
    NPIdentifier location = NPN_GetStringIdentifier("location");
    NPIdentifier href = NPN_GetStringIdentifier("href");
    if (!location || !href) return {};

    // Only an object the browser answered with is ours to release.
    NPObject* windowObject = nullptr;
    if (NPN_GetValue(instance, NPNVWindowNPObject, &windowObject) != NPERR_NO_ERROR || !windowObject) return {};
    OwnedBrowserObject window(windowObject);
    BrowserVariant locationValue;
    if (!NPN_GetProperty(instance, window.get(), location, &locationValue.value) ||
        locationValue.value.type != NPVariantType_Object || !locationValue.value.value.objectValue)
        return {};
    BrowserVariant hrefValue;
    if (!NPN_GetProperty(instance, locationValue.value.value.objectValue, href, &hrefValue.value) ||
        hrefValue.value.type != NPVariantType_String)
        return {};
    const NPString& text = hrefValue.value.value.stringValue;
    if (!text.UTF8Characters) return {};
    return OriginOfAddress({text.UTF8Characters, text.UTF8Length});
}

}  // namespace

std::string AskDocumentOrigin(NPP instance) noexcept
{
    try {
        std::string origin = FromDocumentOriginValue(instance);
        return origin.empty() ? FromWindowLocation(instance) : origin;
    } catch (...) {
        return {};
    }
}
