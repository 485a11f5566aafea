// Finding and loading the plug-in library the way browsers of the NPAPI era did: the registry's
// MozillaPlugins keys name the library, its version resource says which MIME types it handles.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "plugin/npapi.h"
#include "win/Owned.h"

struct PluginInfo {
    std::string path;
    std::vector<std::string> mimeTypes;   // from "MIMEType", split at "|"
    std::vector<std::string> extensions;  // from "FileExtents", split at "|" and ","
    std::string registryKey;              // where it was found; empty when given on the command line

    bool HandlesType(const std::string& type) const;
    bool HandlesFileName(const std::string& name) const;
};

// Throws std::runtime_error when the file has no version resource or no MIMEType in it.
PluginInfo ReadPluginInfo(const std::string& dllPath);

// Every library named by a "Path" under HKCU, then HKLM, Software\MozillaPlugins\<id> whose version
// resource could be read, in registry order. HKLM is read in the process's own registry view, so a
// 32-bit host on 64-bit Windows reads the 32-bit view (WOW6432Node) as 32-bit browsers did; HKCU is
// one key for both, and a library built for the other architecture is left out there, as browsers
// do. Entries left out or unreadable are reported in `skipped`.
std::vector<PluginInfo> FindRegisteredPlugins(std::vector<std::string>& skipped);

class PluginModule {
public:
    PluginModule() = default;
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;
    ~PluginModule();

    // LoadLibraryA and the three exports; throws std::runtime_error with the reason.
    void Load(const std::string& path);
    // NP_GetEntryPoints, then NP_Initialize with the browser's table; throws on an error code.
    void Initialize(NPNetscapeFuncs* browserFuncs);
    NPError Shutdown();
    void Unload();
    const std::string& Path() const { return path; }

    NPPluginFuncs funcs{};

private:
    std::string path;
    OwnedModule module;
    NP_GetEntryPointsFunc getEntryPoints = nullptr;
    NP_InitializeFunc initialize = nullptr;
    NP_ShutdownFunc shutdown = nullptr;
};

