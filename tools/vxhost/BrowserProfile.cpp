#include "vxhost/BrowserProfile.h"

#include <stdexcept>

namespace {

bool IsObject(const PageElement& element) { return element.tag == "object"; }

bool Named(const std::vector<PluginArgument>& arguments, const std::string& name)
{
    for (const PluginArgument& argument : arguments)
        if (EqualsIgnoringCase(argument.name, name)) return true;
    return false;
}

std::string Trimmed(const std::string& text)
{
    const char* blanks = " \n\r\t\b";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// Netscape's order, which the other browsers started from: the attributes as written, "src" for an
// object's data, then "PARAM" and the <param> entries.
std::vector<PluginArgument> ClassicArguments(const PageElement& element, const std::string* src)
{
    std::vector<PluginArgument> arguments;
    for (const Attribute& attribute : element.attributes) arguments.push_back({attribute.first, attribute.second});
    if (!IsObject(element)) return arguments;
    if (src && !FindAttribute(element.attributes, "src")) arguments.push_back({"src", *src});
    if (element.params.empty()) return arguments;
    arguments.push_back({"PARAM", ""});
    for (const Attribute& param : element.params) arguments.push_back({param.first, param.second});
    return arguments;
}

// Gecko: dom/base/nsObjectLoadingContent.cpp, nsObjectLoadingContent::BuildParametersArray walks
// the element's attributes with GetAttrNameAt, and dom/base/nsAttrAndChildArray.cpp, AttrNameAt
// lists the mapped attributes (width, height) after all the others; "SRC" in capitals follows for
// an <object data=...> without src. nsNPAPIPluginInstance then adds "PARAM" with a null value and
// the <param> entries, trimmed as nsObjectLoadingContent::GetNestedParams does (the older
// nsPluginInstanceOwner::EnsureCachedAttrParamArrays builds the same list).
std::vector<PluginArgument> GeckoArguments(const PageElement& element, const std::string* src)
{
    std::vector<PluginArgument> arguments;
    std::vector<PluginArgument> mapped;
    for (const Attribute& attribute : element.attributes) {
        bool isMapped = EqualsIgnoringCase(attribute.first, "width") || EqualsIgnoringCase(attribute.first, "height");
        (isMapped ? mapped : arguments).push_back({attribute.first, attribute.second});
    }
    arguments.insert(arguments.end(), mapped.begin(), mapped.end());
    if (!IsObject(element)) return arguments;
    if (src && !src->empty() && !FindAttribute(element.attributes, "src")) arguments.push_back({"SRC", *src});
    if (element.params.empty()) return arguments;
    arguments.push_back({"PARAM", "", false});
    for (const Attribute& param : element.params) arguments.push_back({Trimmed(param.first), Trimmed(param.second)});
    return arguments;
}

// Chromium: Blink's HTMLObjectElement::parametersForPlugin takes the <param> entries first, then
// the attributes that no <param> already named, and its mapDataParamToSrc appends "src" with the
// data URL when nothing is called src. An <embed> passes its attributes as written
// (HTMLEmbedElement::parametersForPlugin).
std::vector<PluginArgument> ChromiumArguments(const PageElement& element, const std::string* src)
{
    std::vector<PluginArgument> arguments;
    if (!IsObject(element)) return ClassicArguments(element, src);
    for (const Attribute& param : element.params)
        if (!param.first.empty() && !Named(arguments, param.first)) arguments.push_back({param.first, param.second});
    const size_t paramCount = arguments.size();
    for (const Attribute& attribute : element.attributes) {
        bool namedByParam = false;
        for (size_t i = 0; i < paramCount; ++i) namedByParam |= EqualsIgnoringCase(arguments[i].name, attribute.first);
        if (!namedByParam) arguments.push_back({attribute.first, attribute.second});
    }
    if (src && !Named(arguments, "src")) arguments.push_back({"src", *src});
    return arguments;
}

BrowserProfile Gecko()
{
    BrowserProfile gecko;
    gecko.kind = BrowserKind::kGecko;
    gecko.name = "gecko";
    // layout/generic/nsPluginFrame.cpp: nsPluginFrame::CallSetWindow runs when the instance starts
    // and again from nsPluginFrame::FixupWindow / DidReflow on every reflow, with the same NPWindow.
    gecko.setWindowsBeforeStream = 2;
    gecko.setWindowOnReflow = true;
    // dom/plugins/ipc/BrowserStreamParent.cpp sends data in pieces of kSendDataChunk (0xffff) bytes;
    // dom/plugins/ipc/BrowserStreamChild.cpp, BrowserStreamChild::DeliverPendingData asks
    // NPP_WriteReady only whether to go on (0 suspends) and then writes all that is pending.
    gecko.writeBeyondReady = true;
    gecko.streamChunk = 0xFFFF;
    // The as-file copy lives in %TEMP%\plugtmp (nsPluginHost's kPluginTmpDirName) and is held by a
    // CachedFileHolder of the stream's nsPluginStreamListenerPeer; ~CachedFileHolder removes it
    // when the stream goes (dom/plugins/base/nsPluginStreamListenerPeer.cpp), right after
    // BrowserStreamChild::Deliver has called NPP_StreamAsFile and NPP_DestroyStream.
    gecko.copyLifetime = BrowserProfile::kCopyDeletedAfterStream;
    // dom/plugins/ipc/PluginModuleParent.cpp, PluginModuleParent::NPP_NewInternal: an NPP_New that
    // fails is followed by NPP_Destroy(instance, 0). Every teardown in the plug-in process passes a
    // null save slot too (dom/plugins/ipc/PluginModuleChild.h, PluginModuleChild::NPP_Destroy:
    // mFunctions.destroy(instance->GetNPP(), 0)), with no NPP_SetWindow of a null window before it.
    gecko.destroyAfterFailedNew = true;
    gecko.nullSaveSlot = true;
    // dom/plugins/base/nsPluginHost.cpp: kDefaultPluginUnloadingTimeout (30 s,
    // "dom.ipc.plugins.unloadTimeoutSecs") keeps an unused plug-in loaded, so a page that comes
    // back gets new instances from the same NP_Initialize.
    gecko.keepsLibraryLoaded = true;
    gecko.unloadDelayMs = 30000;
    // dom/plugins/base/nsNPAPIPlugin.cpp, _getvalue, NPNVdocumentOrigin: the origin of the element's
    // node principal (nsContentUtils::GetUTFOrigin, "null" for an address without a host) in memory
    // of ToNewCString, which the plug-in frees with NPN_MemFree.
    gecko.answersDocumentOrigin = true;
    return gecko;
}

BrowserProfile Chromium()
{
    BrowserProfile chromium;
    chromium.kind = BrowserKind::kChromium;
    chromium.name = "chromium";
    // content/child/npapi/webplugin_delegate_impl_win.cc, WebPluginDelegateImpl::WindowedSetWindow:
    // x = y = 0 and the clip rectangle in the plug-in window's terms, sent again by
    // WindowedUpdateGeometry whenever the page scrolls or the clip changes.
    chromium.windowAtOrigin = true;
    chromium.scrollsAfterShow = true;
    // content/browser/renderer_host/render_widget_host_view_win.cc, ReparentWindow: the plug-in's
    // window goes into a "WrapperNativeWindowClass" window between it and the page.
    chromium.wrapperWindow = true;
    // content/child/npapi/plugin_stream_win.cc, PluginStream::OpenTempFile: an "npstream" file from
    // GetTempFileNameA, closed (and later deleted by CleanupTempFile) only when the PluginStream
    // goes, which the PluginInstance keeps until after NPP_Destroy.
    chromium.copyLifetime = BrowserProfile::kCopyDeletedAfterDestroy;
    // WebPluginDelegateImpl::DestroyInstance: PluginInstance::CloseStreams (NPP_DestroyStream with
    // NPRES_USER_BREAK for every open stream), window_.window = NULL and NPP_SetWindow with the
    // other fields as they were, NPP_Destroy, then PlatformDestroyInstance and the window goes.
    chromium.nullWindowAtTeardown = true;
    chromium.windowGoesWithInstance = true;
    chromium.breakOpenStreamsAtTeardown = true;
    // content/child/npapi/plugin_host.cc, NPN_GetValue answers NPNVWindowNPObject (the frame's
    // window object, retained) but not NPNVdocumentOrigin: a plug-in reads window.location there.
    return chromium;
}

}  // namespace

BrowserProfile ParseBrowserProfile(const std::string& name)
{
    if (name == "classic") return BrowserProfile();
    if (name == "gecko") return Gecko();
    if (name == "chromium") return Chromium();
    throw std::invalid_argument("--browser is classic, gecko or chromium, not \"" + name + "\"");
}

std::vector<PluginArgument> PluginArguments(const BrowserProfile& profile, const PageElement& element,
                                            const std::string* src)
{
    switch (profile.kind) {
    case BrowserKind::kGecko: return GeckoArguments(element, src);
    case BrowserKind::kChromium: return ChromiumArguments(element, src);
    default: return ClassicArguments(element, src);
    }
}
