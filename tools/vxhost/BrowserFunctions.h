// The browser's side of NPAPI as this host offers it: the status line, the memory functions, the
// page's window and, where the profile's browser had it, the document's origin work; every other
// function answers as a browser that does not offer it.
#pragma once

#include <windows.h>

#include <string>

#include "plugin/npapi.h"

// 0.14: the first with the scripting functions.
constexpr uint16_t kBrowserApiVersion = (0 << 8) | 14;

struct BrowserCallbacks {
    void (*status)(NPP instance, const char* text) = nullptr;
    HWND browserWindow = nullptr;  // answered for NPNVnetscapeWindow
    std::string pageAddress;       // location.href
    bool answersDocumentOrigin = false;  // NPNVdocumentOrigin, as Gecko did
    std::string (*instanceName)(NPP instance) = nullptr;  // for the lines about an instance
};

void FillBrowserFunctions(NPNetscapeFuncs& table, const BrowserCallbacks& callbacks);

// NPN_MemAlloc and NPN_MemFree, for blocks handed over between the browser and the plug-in (saved
// data, strings of the page).
void* AllocatePluginBlock(uint32_t size);
void ReleasePluginBlock(void* pointer);

// "vxhost: instance N: text", for what the browser answered an instance.
void PrintAboutInstance(NPP instance, const std::string& text);

// Blocks that NPN_MemAlloc gave and NPN_MemFree has not taken back yet.
long PluginBlocksInUse();
