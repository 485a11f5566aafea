// The browser's side of NPAPI as this host offers it: the status line and the memory functions
// work; every other function answers as a browser that does not offer it.
#pragma once

#include <windows.h>

#include "plugin/npapi.h"

constexpr uint16_t kBrowserApiVersion = (0 << 8) | 11;

struct BrowserCallbacks {
    void (*status)(NPP instance, const char* text) = nullptr;
    HWND browserWindow = nullptr;  // answered for NPNVnetscapeWindow
};

void FillBrowserFunctions(NPNetscapeFuncs& table, const BrowserCallbacks& callbacks);

// NPN_MemFree, for blocks that the plug-in handed over to the browser (saved data).
void ReleasePluginBlock(void* pointer);

// Blocks that NPN_MemAlloc gave and NPN_MemFree has not taken back yet.
long PluginBlocksInUse();
