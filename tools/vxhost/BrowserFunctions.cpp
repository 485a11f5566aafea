#include "vxhost/BrowserFunctions.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "vxhost/HostOutput.h"
#include "vxhost/PageScripting.h"
#include "vxhost/PageSources.h"

namespace {

BrowserCallbacks host;

void NotOffered(const char* name) { PrintLine("vxhost", std::string("the plug-in called ") + name + ", which this browser does not offer"); }

NPError GetURL(NPP, const char*, const char*) { NotOffered("NPN_GetURL"); return NPERR_GENERIC_ERROR; }
NPError PostURL(NPP, const char*, const char*, uint32_t, const char*, NPBool) { NotOffered("NPN_PostURL"); return NPERR_GENERIC_ERROR; }
NPError RequestRead(NPStream*, NPByteRange*) { NotOffered("NPN_RequestRead"); return NPERR_STREAM_NOT_SEEKABLE; }
NPError NewStream(NPP, NPMIMEType, const char*, NPStream**) { NotOffered("NPN_NewStream"); return NPERR_GENERIC_ERROR; }
int32_t Write(NPP, NPStream*, int32_t, void*) { NotOffered("NPN_Write"); return -1; }
NPError DestroyStream(NPP, NPStream*, NPReason) { NotOffered("NPN_DestroyStream"); return NPERR_GENERIC_ERROR; }

void Status(NPP instance, const char* message)
{
    if (host.status) host.status(instance, message ? message : "");
}

const char* UserAgent(NPP) { return "Mozilla/4.0 (compatible; vxhost)"; }

// A header in front of each block, so that NPN_MemFree of a pointer that never came from
// NPN_MemAlloc is noticed instead of corrupting the heap.
struct BlockHeader {
    uint32_t magic;
    uint32_t size;
};
constexpr uint32_t kLiveBlock = 0x4E504D41;  // "NPMA"
long liveBlocks = 0;

void* MemAlloc(uint32_t size)
{
    if (size > 0x7FFFFFF0u - sizeof(BlockHeader)) return nullptr;
    BlockHeader* block = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + size));
    if (!block) return nullptr;
    block->magic = kLiveBlock;
    block->size = size;
    ++liveBlocks;
    return block + 1;
}

void MemFree(void* pointer)
{
    if (!pointer) return;
    BlockHeader* block = static_cast<BlockHeader*>(pointer) - 1;
    if (block->magic != kLiveBlock) {
        PrintLine("vxhost", "the plug-in passed NPN_MemFree a block that NPN_MemAlloc did not give (ignored)");
        return;
    }
    block->magic = 0;
    --liveBlocks;
    std::free(block);
}

uint32_t MemFlush(uint32_t) { return 0; }
void ReloadPlugins(NPBool) { NotOffered("NPN_ReloadPlugins"); }
void* GetJavaEnv() { return nullptr; }
void* GetJavaPeer(NPP) { return nullptr; }
NPError GetURLNotify(NPP, const char*, const char*, void*) { NotOffered("NPN_GetURLNotify"); return NPERR_GENERIC_ERROR; }
NPError PostURLNotify(NPP, const char*, const char*, uint32_t, const char*, NPBool, void*)
{
    NotOffered("NPN_PostURLNotify");
    return NPERR_GENERIC_ERROR;
}

// Gecko's answer: the origin in memory of NPN_MemAlloc that the plug-in frees, "null" for a page
// without a host, a file: page among them.
NPError AnswerDocumentOrigin(NPP instance, char** value)
{
    if (!host.answersDocumentOrigin) {
        PrintAboutInstance(instance, "NPNVdocumentOrigin asked, which this browser does not answer");
        return NPERR_GENERIC_ERROR;
    }
    const std::string origin = SerializedOrigin(host.pageAddress);
    *value = static_cast<char*>(MemAlloc(static_cast<uint32_t>(origin.size() + 1)));
    if (!*value) return NPERR_OUT_OF_MEMORY_ERROR;
    std::memcpy(*value, origin.c_str(), origin.size() + 1);
    PrintAboutInstance(instance, "NPNVdocumentOrigin answered \"" + origin + "\"");
    return NPERR_NO_ERROR;
}

NPError GetValue(NPP instance, NPNVariable variable, void* value)
{
    if (variable == NPNVdocumentOrigin && value) return AnswerDocumentOrigin(instance, static_cast<char**>(value));
    if (variable == NPNVWindowNPObject && value) {
        *static_cast<NPObject**>(value) = RetainedWindowObject();
        return NPERR_NO_ERROR;
    }
    if (variable == NPNVnetscapeWindow && value) {
        *static_cast<HWND*>(value) = host.browserWindow;
        return NPERR_NO_ERROR;
    }
    if ((variable == NPNVjavascriptEnabledBool || variable == NPNVasdEnabledBool || variable == NPNVisOfflineBool) && value) {
        *static_cast<NPBool*>(value) = 0;
        return NPERR_NO_ERROR;
    }
    return NPERR_GENERIC_ERROR;
}

NPError SetValue(NPP, NPPVariable, void*) { return NPERR_GENERIC_ERROR; }
void InvalidateRect(NPP, NPRect*) {}
void InvalidateRegion(NPP, NPRegion) {}
void ForceRedraw(NPP) {}

}  // namespace

void FillBrowserFunctions(NPNetscapeFuncs& table, const BrowserCallbacks& callbacks)
{
    host = callbacks;
    SetPageAddress(callbacks.pageAddress);
    table = NPNetscapeFuncs{};
    table.size = sizeof(NPNetscapeFuncs);
    table.version = kBrowserApiVersion;
    table.geturl = GetURL;
    table.posturl = PostURL;
    table.requestread = RequestRead;
    table.newstream = NewStream;
    table.write = Write;
    table.destroystream = DestroyStream;
    table.status = Status;
    table.uagent = UserAgent;
    table.memalloc = MemAlloc;
    table.memfree = MemFree;
    table.memflush = MemFlush;
    table.reloadplugins = ReloadPlugins;
    table.getJavaEnv = GetJavaEnv;
    table.getJavaPeer = GetJavaPeer;
    table.geturlnotify = GetURLNotify;
    table.posturlnotify = PostURLNotify;
    table.getvalue = GetValue;
    table.setvalue = SetValue;
    table.invalidaterect = InvalidateRect;
    table.invalidateregion = InvalidateRegion;
    table.forceredraw = ForceRedraw;
    FillScriptingFunctions(table);
}

void* AllocatePluginBlock(uint32_t size) { return MemAlloc(size); }

void ReleasePluginBlock(void* pointer) { MemFree(pointer); }

void PrintAboutInstance(NPP instance, const std::string& text)
{
    PrintLine("vxhost", (host.instanceName ? host.instanceName(instance) : std::string("an instance")) + ": " + text);
}

long PluginBlocksInUse() { return liveBlocks; }
