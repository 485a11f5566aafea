#include "vxhost/PluginModule.h"

#include <cstdio>
#include <memory>
#include <stdexcept>

#include "common/ToolNames.h"
#include "common/ToolText.h"
#include "vxhost/HtmlPage.h"
#include "win/Owned.h"

namespace {

const WORD kOwnMachine = sizeof(void*) == 8 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386;

std::vector<std::string> Split(const std::string& text, const char* separators)
{
    std::vector<std::string> pieces;
    std::string piece;
    auto flush = [&] {
        size_t b = piece.find_first_not_of(" \t");
        size_t e = piece.find_last_not_of(" \t");
        if (b != std::string::npos) pieces.push_back(piece.substr(b, e - b + 1));
        piece.clear();
    };
    for (char c : text) {
        if (strchr(separators, c)) flush();
        else piece += c;
    }
    flush();
    return pieces;
}

std::string QueryString(const std::vector<char>& block, const std::string& subBlock)
{
    void* value = nullptr;
    UINT length = 0;
    std::vector<char> copy(block);  // VerQueryValueA may write into the block it is given
    if (!VerQueryValueA(copy.data(), subBlock.c_str(), &value, &length) || !value || length == 0) return {};
    const char* text = static_cast<const char*>(value);
    size_t size = 0;
    while (size < length && text[size]) ++size;
    return std::string(text, size);
}

// The key under root, or none when it cannot be opened for reading.
OwnedKey OpenKeyForReading(HKEY root, const std::string& path)
{
    OwnedKey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) key.release();
    return key;
}

bool ReadStringValue(HKEY key, const char* name, std::string& text)
{
    char buffer[1024];
    DWORD type = 0, size = sizeof buffer - 1;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
        return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    buffer[size] = 0;
    text = buffer;
    return true;
}

// The machine a DLL is built for, from its PE file header; 0 when the file is no PE image.
WORD MachineOf(const std::string& path)
{
    OwnedFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 0;
    auto readAt = [&](LONG offset, void* into, DWORD size) {
        DWORD read = 0;
        return SetFilePointer(file.get(), offset, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
               ReadFile(file.get(), into, size, &read, nullptr) && read == size;
    };
    IMAGE_DOS_HEADER dos{};
    if (!readAt(0, &dos, sizeof dos) || dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew <= 0) return 0;
    DWORD signature = 0;
    IMAGE_FILE_HEADER header{};
    if (!readAt(dos.e_lfanew, &signature, sizeof signature) || signature != IMAGE_NT_SIGNATURE ||
        !readAt(dos.e_lfanew + static_cast<LONG>(sizeof signature), &header, sizeof header))
        return 0;
    return header.Machine;
}

std::string MachineName(WORD machine)
{
    switch (machine) {
    case IMAGE_FILE_MACHINE_I386: return "32-bit (x86)";
    case IMAGE_FILE_MACHINE_AMD64: return "64-bit (x64)";
    default: return "machine type " + std::to_string(machine);
    }
}

template <typename Function>
Function Export(HMODULE module, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

bool PluginInfo::HandlesType(const std::string& type) const
{
    for (const std::string& mime : mimeTypes)
        if (EqualsIgnoringCase(mime, type)) return true;
    return false;
}

bool PluginInfo::HandlesFileName(const std::string& name) const
{
    std::string path = name.substr(0, name.find_first_of("?#"));
    for (const std::string& extension : extensions)
        if (EndsWithIgnoringCase(path, "." + extension)) return true;
    return false;
}

PluginInfo ReadPluginInfo(const std::string& dllPath)
{
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(dllPath.c_str(), &ignored);
    if (size == 0) {
        DWORD error = GetLastError();
        if (GetFileAttributesA(dllPath.c_str()) == INVALID_FILE_ATTRIBUTES)
            throw std::runtime_error("plug-in file not found: " + dllPath);
        throw std::runtime_error("no version resource in " + dllPath + ": " + ErrorText(error));
    }
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(dllPath.c_str(), 0, size, block.data()))
        throw std::runtime_error("cannot read the version resource of " + dllPath + ": " +
                                 ErrorText(GetLastError()));

    // The translation table names the string tables present; browsers fell back to US English, 1252.
    std::vector<std::string> tables;
    void* value = nullptr;
    UINT length = 0;
    std::vector<char> copy(block);
    if (VerQueryValueA(copy.data(), "\\VarFileInfo\\Translation", &value, &length) && value) {
        const WORD* pairs = static_cast<const WORD*>(value);
        for (UINT i = 0; i + 1 < length / sizeof(WORD); i += 2) {
            char name[16];
            snprintf(name, sizeof name, "%04x%04x", pairs[i], pairs[i + 1]);
            tables.push_back(name);
        }
    }
    tables.push_back("040904e4");
    tables.push_back("040904b0");

    PluginInfo info;
    info.path = dllPath;
    for (const std::string& table : tables) {
        std::string mime = QueryString(block, "\\StringFileInfo\\" + table + "\\MIMEType");
        if (mime.empty()) continue;
        info.mimeTypes = Split(mime, "|");
        info.extensions = Split(QueryString(block, "\\StringFileInfo\\" + table + "\\FileExtents"), "|,");
        break;
    }
    if (info.mimeTypes.empty()) throw std::runtime_error("no MIMEType in the version resource of " + dllPath);
    return info;
}

std::vector<PluginInfo> FindRegisteredPlugins(std::vector<std::string>& skipped)
{
    std::vector<PluginInfo> found;
    const struct {
        HKEY root;
        const char* name;
    } roots[] = {{HKEY_CURRENT_USER, "HKCU"}, {HKEY_LOCAL_MACHINE, "HKLM"}};
    for (const auto& root : roots) {
        OwnedKey plugins = OpenKeyForReading(root.root, kMozillaPluginsKey);
        if (!plugins) continue;
        for (DWORD index = 0;; ++index) {
            char id[256];
            DWORD idLength = sizeof id;
            LONG status = RegEnumKeyExA(plugins.get(), index, id, &idLength, nullptr, nullptr, nullptr, nullptr);
            if (status != ERROR_SUCCESS) break;
            std::string where = std::string(root.name) + "\\" + kMozillaPluginsKey + "\\" + id;
            OwnedKey entry = OpenKeyForReading(plugins.get(), id);
            std::string path;
            if (!entry || !ReadStringValue(entry.get(), "Path", path)) {
                skipped.push_back(where + ": no \"Path\" value");
                continue;
            }
            // A browser loads only libraries of its own architecture; trying another would only fail
            // in LoadLibrary, so it is passed over here, as browsers do. (A missing or unreadable file
            // is reported below, by the version resource's reading.)
            WORD machine = MachineOf(path);
            if (machine != 0 && machine != kOwnMachine) {
                skipped.push_back(where + ": " + path + " is " + MachineName(machine) + ", not for this " +
                                  MachineName(kOwnMachine) + " host");
                continue;
            }
            try {
                PluginInfo info = ReadPluginInfo(path);
                info.registryKey = where;
                found.push_back(info);
            } catch (const std::exception& e) {
                skipped.push_back(where + ": " + e.what());
            }
        }
    }
    return found;
}

PluginModule::~PluginModule() { Unload(); }

void PluginModule::Load(const std::string& path)
{
    this->path = path;
    module.reset(LoadLibraryA(path.c_str()));
    if (!module) throw std::runtime_error("cannot load " + path + ": " + ErrorText(GetLastError()));
    getEntryPoints = Export<NP_GetEntryPointsFunc>(module.get(), "NP_GetEntryPoints");
    initialize = Export<NP_InitializeFunc>(module.get(), "NP_Initialize");
    shutdown = Export<NP_ShutdownFunc>(module.get(), "NP_Shutdown");
    if (!getEntryPoints || !initialize || !shutdown) {
        std::string missing = !getEntryPoints ? "NP_GetEntryPoints" : !initialize ? "NP_Initialize" : "NP_Shutdown";
        Unload();
        throw std::runtime_error(path + " is not an NPAPI plug-in: it does not export " + missing);
    }
}

void PluginModule::Initialize(NPNetscapeFuncs* browserFuncs)
{
    funcs = NPPluginFuncs{};
    funcs.size = sizeof(NPPluginFuncs);
    NPError error = getEntryPoints(&funcs);
    if (error != NPERR_NO_ERROR) throw std::runtime_error("NP_GetEntryPoints failed with error " + std::to_string(error));
    if (!funcs.newp || !funcs.destroy || !funcs.setwindow)
        throw std::runtime_error("NP_GetEntryPoints left NPP_New, NPP_Destroy or NPP_SetWindow empty");
    error = initialize(browserFuncs);
    if (error != NPERR_NO_ERROR) throw std::runtime_error("NP_Initialize failed with error " + std::to_string(error));
}

NPError PluginModule::Shutdown() { return shutdown ? shutdown() : NPERR_NO_ERROR; }

void PluginModule::Unload()
{
    module.reset();
    getEntryPoints = nullptr;
    initialize = nullptr;
    shutdown = nullptr;
}
