// The three exports: codes, the plug-in table as the browser gets it, and the built DLL itself: its
// exports, version resource and imports.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "plugin/ModuleState.h"
#include "plugin/PluginEntry.h"
#include "support/FakeBrowser.h"
#include "support/ScriptedPlatform.h"
#include "support/TestFiles.h"

namespace {

// A slot the plug-in left alone still holds the 0x5A bytes, as many as a pointer has.
void* const kUntouched = reinterpret_cast<void*>(static_cast<uintptr_t>(0x5A5A5A5A5A5A5A5AULL));

// A plug-in table as a browser hands it over: its own size, garbage everywhere else.
NPPluginFuncs BrowserPluginTable()
{
    NPPluginFuncs table;
    std::memset(&table, 0x5A, sizeof table);
    table.size = sizeof table;
    return table;
}

class EntryPoints : public ::testing::Test {
protected:
    void SetUp() override { DeleteProductRegistryTree(); }
    void TearDown() override
    {
        NP_Shutdown();
        moduleState.pluginFuncs = nullptr;
    }
    ScriptedPlatform platformCalls;
};

TEST_F(EntryPoints, GetEntryPointsWithoutTableAnswersInvalidFunctionTable)
{
    EXPECT_EQ(NPERR_INVALID_FUNCTABLE_ERROR, NP_GetEntryPoints(nullptr));
    EXPECT_EQ(nullptr, moduleState.pluginFuncs);
}

TEST_F(EntryPoints, GetEntryPointsFillsTheTableAndLeavesTheLaterSlots)
{
    NPPluginFuncs table = BrowserPluginTable();
    ASSERT_EQ(NPERR_NO_ERROR, NP_GetEntryPoints(&table));
    EXPECT_EQ(sizeof table, table.size);
    EXPECT_EQ(0x0009, table.version);
    EXPECT_EQ(&NPP_New, table.newp);
    EXPECT_EQ(&NPP_Destroy, table.destroy);
    EXPECT_EQ(&NPP_SetWindow, table.setwindow);
    EXPECT_EQ(&NPP_NewStream, table.newstream);
    EXPECT_EQ(&NPP_DestroyStream, table.destroystream);
    EXPECT_EQ(&NPP_StreamAsFile, table.asfile);
    EXPECT_EQ(&NPP_WriteReady, table.writeready);
    EXPECT_EQ(&NPP_Write, table.write);
    EXPECT_EQ(&NPP_Print, table.print);
    EXPECT_EQ(nullptr, table.event);
    EXPECT_EQ(kUntouched, reinterpret_cast<void*>(table.urlnotify));
    EXPECT_EQ(kUntouched, table.javaClass);
    EXPECT_EQ(kUntouched, reinterpret_cast<void*>(table.getvalue));
    EXPECT_EQ(kUntouched, reinterpret_cast<void*>(table.setvalue));
}

// A browser says how much table it has: one without room for the functions every browser calls is
// refused untouched, and the slots NP_Initialize completes are written only where they fit.
TEST_F(EntryPoints, TheTablesSizeBoundsWhatIsWritten)
{
    const uint16_t throughEvent = static_cast<uint16_t>(offsetof(NPPluginFuncs, urlnotify));
    for (uint16_t size : {uint16_t(0), uint16_t(4), static_cast<uint16_t>(throughEvent - 1)}) {
        SCOPED_TRACE(size);
        NPPluginFuncs table = BrowserPluginTable();
        table.size = size;
        EXPECT_EQ(NPERR_INVALID_FUNCTABLE_ERROR, NP_GetEntryPoints(&table));
        EXPECT_EQ(kUntouched, reinterpret_cast<void*>(table.newp));
        EXPECT_EQ(nullptr, moduleState.pluginFuncs);
    }

    NPPluginFuncs table = BrowserPluginTable();
    table.size = throughEvent;
    ASSERT_EQ(NPERR_NO_ERROR, NP_GetEntryPoints(&table));
    EXPECT_EQ(&NPP_Print, table.print);
    EXPECT_EQ(nullptr, table.event);
    FakeBrowser browser(0x0009);
    EXPECT_EQ(NPERR_NO_ERROR, NP_Initialize(&browser.funcs));
    EXPECT_EQ(kUntouched, reinterpret_cast<void*>(table.urlnotify));
    EXPECT_EQ(kUntouched, table.javaClass);
    EXPECT_EQ(NPERR_NO_ERROR, NP_Shutdown());
}

TEST_F(EntryPoints, InitializeWithoutTableAnswersInvalidFunctionTable)
{
    NPPluginFuncs table = BrowserPluginTable();
    NP_GetEntryPoints(&table);
    EXPECT_EQ(NPERR_INVALID_FUNCTABLE_ERROR, NP_Initialize(nullptr));
    EXPECT_EQ(nullptr, moduleState.browserFuncs);
    EXPECT_EQ(kUntouched, reinterpret_cast<void*>(table.urlnotify));
}

TEST_F(EntryPoints, InitializeCompletesThePluginTableFromMinorVersionNine)
{
    const struct {
        uint16_t version;
        bool completes;
    } cases[] = {{0x0008, false}, {0x0009, true}, {0x000B, true}, {0x0000, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "browser version 0x" << std::hex << c.version);
        NPPluginFuncs table = BrowserPluginTable();
        NP_GetEntryPoints(&table);
        FakeBrowser browser(c.version);
        EXPECT_EQ(NPERR_NO_ERROR, NP_Initialize(&browser.funcs));
        EXPECT_EQ(&browser.funcs, moduleState.browserFuncs);
        if (c.completes) {
            EXPECT_EQ(&NPP_URLNotify, table.urlnotify);
            EXPECT_EQ(nullptr, table.javaClass);
        } else {
            EXPECT_EQ(kUntouched, reinterpret_cast<void*>(table.urlnotify));
            EXPECT_EQ(kUntouched, table.javaClass);
        }
        EXPECT_EQ(NPERR_NO_ERROR, NP_Shutdown());
        EXPECT_EQ(nullptr, moduleState.browserFuncs);
    }
    // Nothing of the start-up talks to the user when the client is not installed.
    EXPECT_TRUE(platformCalls.messageBoxes.empty());
}

TEST_F(EntryPoints, InitializeRefusesAnotherMajorVersionButKeepsTheTable)
{
    for (uint16_t version : {0x0100, 0x0109, 0xFF00}) {
        SCOPED_TRACE(testing::Message() << "browser version 0x" << std::hex << version);
        NPPluginFuncs table = BrowserPluginTable();
        NP_GetEntryPoints(&table);
        FakeBrowser browser(version);
        EXPECT_EQ(NPERR_INCOMPATIBLE_VERSION_ERROR, NP_Initialize(&browser.funcs));
        EXPECT_EQ(&browser.funcs, moduleState.browserFuncs);
        EXPECT_EQ(kUntouched, reinterpret_cast<void*>(table.urlnotify));
        EXPECT_EQ(NPERR_NO_ERROR, NP_Shutdown());
        EXPECT_EQ(nullptr, moduleState.browserFuncs);
    }
}

TEST_F(EntryPoints, InitializeBeforeGetEntryPointsStillStarts)
{
    FakeBrowser browser(0x0009);
    EXPECT_EQ(NPERR_NO_ERROR, NP_Initialize(&browser.funcs));
    EXPECT_EQ(NPERR_NO_ERROR, NP_Shutdown());
}

// ---- The built DLL, loaded as a browser loads it ----

template <class Function>
Function Export(HMODULE module, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

class LoadedPlugin : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteProductRegistryTree();
        module.reset(LoadLibraryA(BuiltPluginPath().c_str()));
        ASSERT_TRUE(module) << BuiltPluginPath() << " error " << GetLastError();
        getEntryPoints = Export<NP_GetEntryPointsFunc>(module.get(), "NP_GetEntryPoints");
        initialize = Export<NP_InitializeFunc>(module.get(), "NP_Initialize");
        shutdown = Export<NP_ShutdownFunc>(module.get(), "NP_Shutdown");
    }
    void TearDown() override { module.reset(); }
    OwnedModule module;
    NP_GetEntryPointsFunc getEntryPoints = nullptr;
    NP_InitializeFunc initialize = nullptr;
    NP_ShutdownFunc shutdown = nullptr;
};

TEST_F(LoadedPlugin, ExportsTheThreeNamesUndecorated)
{
    EXPECT_NE(nullptr, getEntryPoints);
    EXPECT_NE(nullptr, initialize);
    EXPECT_NE(nullptr, shutdown);
    for (const char* decorated : {"NP_GetEntryPoints@4", "_NP_GetEntryPoints@4", "NP_Initialize@4",
                                  "NP_Shutdown@0", "NPP_New", "InstanceWindowProc"})
        EXPECT_EQ(nullptr, Export<void*>(module.get(), decorated)) << decorated;
}

TEST_F(LoadedPlugin, AnswersTheExportCodesThroughTheStdcallEntryPoints)
{
    ASSERT_TRUE(getEntryPoints && initialize && shutdown);
    EXPECT_EQ(NPERR_INVALID_FUNCTABLE_ERROR, getEntryPoints(nullptr));
    EXPECT_EQ(NPERR_INVALID_FUNCTABLE_ERROR, initialize(nullptr));

    NPPluginFuncs table = BrowserPluginTable();
    ASSERT_EQ(NPERR_NO_ERROR, getEntryPoints(&table));
    EXPECT_EQ(0x0009, table.version);
    EXPECT_EQ(nullptr, table.event);
    {
        FakeBrowser browser(0x0100);
        EXPECT_EQ(NPERR_INCOMPATIBLE_VERSION_ERROR, initialize(&browser.funcs));
        EXPECT_EQ(NPERR_NO_ERROR, shutdown());
    }
    FakeBrowser browser(0x000B);
    ASSERT_EQ(NPERR_NO_ERROR, initialize(&browser.funcs));
    EXPECT_NE(kUntouched, reinterpret_cast<void*>(table.urlnotify));
    EXPECT_EQ(nullptr, table.javaClass);

    // One instance through the table, as the browser would make it.
    NPP_t npp{};
    char name0[] = "Caption", value0[] = "Send it", name1[] = "upload", value1[] = "TRUE";
    char* names[] = {name0, name1};
    char* values[] = {value0, value1};
    char mime[] = "application/x-vnxclient";
    ASSERT_EQ(NPERR_NO_ERROR, table.newp(mime, &npp, NP_EMBED, 2, names, values, nullptr));
    ASSERT_NE(nullptr, npp.pdata);
    uint16_t streamType = 0;
    EXPECT_EQ(NPERR_NO_ERROR, table.newstream(&npp, mime, nullptr, 0, &streamType));
    EXPECT_EQ(NP_ASFILE, streamType);
    EXPECT_EQ(268435455, table.writeready(&npp, nullptr));
    EXPECT_EQ(NPERR_NO_ERROR, table.destroy(&npp, nullptr));
    EXPECT_EQ(nullptr, npp.pdata);
    EXPECT_EQ(1, browser.allocations);
    EXPECT_EQ(1, browser.releases);
    EXPECT_EQ(NPERR_NO_ERROR, shutdown());
}

// version.dll is not among the test's link libraries; a browser reads the resource this way too.
class VersionInfo {
public:
    explicit VersionInfo(const std::string& path)
    {
        library.reset(LoadLibraryA("version.dll"));
        if (!library) return;
        auto sizeOf = Export<DWORD(WINAPI*)(LPCSTR, LPDWORD)>(library.get(), "GetFileVersionInfoSizeA");
        auto read = Export<BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID)>(library.get(), "GetFileVersionInfoA");
        query = Export<BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT)>(library.get(), "VerQueryValueA");
        DWORD handle = 0;
        DWORD size = sizeOf(path.c_str(), &handle);
        block.resize(size);
        if (size == 0 || !read(path.c_str(), 0, size, &block[0])) block.clear();
    }
    bool loaded() const { return !block.empty(); }
    const void* value(const std::string& name, UINT* length) const
    {
        void* found = nullptr;
        *length = 0;
        if (!query(block.data(), name.c_str(), &found, length)) return nullptr;
        return found;
    }
    std::string text(const std::string& key) const
    {
        UINT length = 0;
        const void* found = value("\\StringFileInfo\\040904e4\\" + key, &length);
        return found ? std::string(static_cast<const char*>(found)) : "<absent>";
    }

private:
    OwnedModule library;
    BOOL(WINAPI* query)(LPCVOID, LPCSTR, LPVOID*, PUINT) = nullptr;
    std::string block;
};

TEST(BuiltPluginVersion, CarriesEveryEntryTheBrowserReads)
{
    VersionInfo info(BuiltPluginPath());
    ASSERT_TRUE(info.loaded()) << BuiltPluginPath();

    UINT length = 0;
    auto translation = static_cast<const WORD*>(info.value("\\VarFileInfo\\Translation", &length));
    ASSERT_NE(nullptr, translation);
    ASSERT_GE(length, 4u);
    EXPECT_EQ(0x0409, translation[0]);
    EXPECT_EQ(1252, translation[1]);

    const struct {
        const char* key;
        const char* value;
    } entries[] = {
        {"MIMEType", "application/x-vnxclient"},
        {"FileExtents", "vnxclient"},
        {"FileOpenName", "Vnxclient files (*.vnxclient)"},
        {"FileDescription", "Tolvane Delivery Files V1.1"},
        {"Comments", "Plug-In for Tolvane Delivery"},
        {"InternalName", "VexoPlug"},
        {"OriginalFilename", "npVxPlug.dll"},
        {"FileVersion", "1, 0, 0, 1"},
        {"ProductVersion", "1, 0, 0, 2"},
    };
    for (const auto& entry : entries) EXPECT_EQ(entry.value, info.text(entry.key)) << entry.key;

    std::string product = info.text("ProductName");
    const std::string words = "Tolvane Delivery Plug-In";
    EXPECT_EQ(0u, product.find("<a href=\"")) << product;
    ASSERT_GT(product.size(), words.size());
    EXPECT_EQ(words, product.substr(product.size() - words.size())) << product;
    EXPECT_NE(std::string::npos, product.find("</a>")) << product;

    auto fixed = static_cast<const VS_FIXEDFILEINFO*>(info.value("\\", &length));
    ASSERT_NE(nullptr, fixed);
    EXPECT_EQ(0xFEEF04BDu, fixed->dwSignature);
    EXPECT_EQ(0x00010000u, fixed->dwFileVersionMS);
    EXPECT_EQ(0x00000001u, fixed->dwFileVersionLS);
    EXPECT_EQ(0x00010000u, fixed->dwProductVersionMS);
    EXPECT_EQ(0x00000001u, fixed->dwProductVersionLS);
    EXPECT_EQ(static_cast<DWORD>(VFT_DLL), fixed->dwFileType);
}

// The names in the import directory of a loaded module, lower-cased.
std::vector<std::string> ImportedLibraries(HMODULE module)
{
    std::vector<std::string> names;
    const BYTE* base = reinterpret_cast<const BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0) return names;
    for (const auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         entry->Name != 0; ++entry) {
        std::string name = reinterpret_cast<const char*>(base + entry->Name);
        for (char& c : name) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        names.push_back(name);
    }
    return names;
}

// The common dialogs are loaded at their first use (win's SystemCallsTest), not with the DLL.
TEST(CommonDialogs, ThePluginDllDoesNotLoadThemWithItself)
{
    OwnedModule module(LoadLibraryA(BuiltPluginPath().c_str()));
    ASSERT_TRUE(module) << BuiltPluginPath();
    const std::vector<std::string> imports = ImportedLibraries(module.get());
    module.reset();
    EXPECT_NE(imports.end(), std::find(imports.begin(), imports.end(), "kernel32.dll"))
        << "the import directory was not read";
    EXPECT_EQ(imports.end(), std::find(imports.begin(), imports.end(), "comdlg32.dll"));
}

}  // namespace
