// The plug-in's process-wide state, in one object: what lives from the library's load to its
// unload. Everything runs on the browser's user-interface thread.
#pragma once

#include "client/BrowserHandoff.h"
#include "client/KeyValueMap.h"
#include "plugin/npapi.h"

struct ModuleState {
    NPNetscapeFuncs* browserFuncs = nullptr;  // remembered by NP_Initialize; null before and after
    NPPluginFuncs* pluginFuncs = nullptr;     // the table the browser passed to NP_GetEntryPoints
    CKeyValueMap settings;                    // the client's settings; never emptied
    DdeHandoff dde;
    // Calls of ours now inside a modal loop (a box or dialog). While any runs, NP_Shutdown keeps the
    // library from being unloaded under it.
    int modalLoopsRunning = 0;
    // "PluginButton" when that class was registered with the cursor file, else the system "BUTTON",
    // and the module its windows are created with.
    const char* buttonClassName = "BUTTON";
    HINSTANCE buttonClassModule = nullptr;
};

extern ModuleState moduleState;

// Counts a modal loop of ours for as long as it lives.
class ModalLoop {
public:
    ModalLoop() { ++moduleState.modalLoopsRunning; }
    ~ModalLoop() { --moduleState.modalLoopsRunning; }
    ModalLoop(const ModalLoop&) = delete;
    ModalLoop& operator=(const ModalLoop&) = delete;
};
