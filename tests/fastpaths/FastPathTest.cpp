// The faster paths of the click and the start-up behave exactly as the slower ones did: settings
// names of key form are stored without the text-form round trip, the submission clock reads UTC
// without _ftime, and the common dialogs are loaded at their first use instead of with the DLL.
#include <gtest/gtest.h>

#include <windows.h>
#include <cderr.h>
#include <commdlg.h>
#include <sys/timeb.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "request/RequestFile.h"
#include "request/RequestText.h"
#include "request/SaveFlow.h"
#include "request/SubmissionFile.h"
#include "request/UploadFlow.h"
#include "win/SystemCalls.h"
#include "client/SettingsStore.h"
#include "support/TestFiles.h"

namespace {

class SettingsLoad : public ::testing::Test {
protected:
    void SetUp() override { DeleteProductRegistryTree(); }
    void TearDown() override { DeleteProductRegistryTree(); }
};

TEST_F(SettingsLoad, KeyFormNamesGetTheirTextByteForByteAndReplaceEarlierEntries)
{
    const std::string longText(70000, 'x');
    std::string everyByte;
    for (int c = 1; c < 128; ++c) everyByte += static_cast<char>(c);
    everyByte += "\xE9\xFC";  // bytes of the ANSI code page that survive the registry's Unicode form
    const std::vector<std::pair<std::string, std::string>> stored = {
        {"a.b_C9", "\"quoted\" = x"},  {"Lines", "one\r\ntwo\n\tthree "}, {"Blank", " "},
        {"Long", longText},            {"Bytes", everyByte},          {"Q", "\"\"\""},
    };
    for (const auto& value : stored) WriteProductValue(value.first, value.second);

    CKeyValueMap map;
    map["Long"] = "earlier";
    map["Kept"] = "from before";
    LoadFromRegistry(map, kTestProductKey, HKEY_CURRENT_USER);

    CKeyValueMap::Entries expected(stored.begin(), stored.end());
    expected["Kept"] = "from before";
    EXPECT_EQ(expected, CKeyValueMap::Entries(map.begin(), map.end()));
}

TEST_F(SettingsLoad, NamesOfOtherFormsStillGoThroughTheTextForm)
{
    WriteProductValue(" Padded\t", "v");
    CKeyValueMap map;
    LoadFromRegistry(map, kTestProductKey, HKEY_CURRENT_USER);
    EXPECT_EQ((CKeyValueMap::Entries{{"Padded", "v"}}), CKeyValueMap::Entries(map.begin(), map.end()));

    for (const char* refused : {"two words", "a-b", "back\\slash", "caf\xE9"}) {
        DeleteProductRegistryTree();
        WriteProductValue(refused, "v");
        CKeyValueMap other;
        EXPECT_THROW(LoadFromRegistry(other, kTestProductKey, HKEY_CURRENT_USER), FormatException) << refused;
    }
}

std::uint64_t Milliseconds(const struct _timeb& time)
{
    return static_cast<std::uint64_t>(time.time) * 1000u + time.millitm;
}

TEST(SubmissionClock, ReadsTheSameUtcMillisecondsAsFtime)
{
    for (int attempt = 0; attempt < 20; ++attempt) {
        struct _timeb before, after;
        _ftime(&before);
        const UtcTime now = realSystemCalls.UtcNow();
        _ftime(&after);
        const std::uint64_t read = static_cast<std::uint64_t>(now.seconds) * 1000u + now.milliseconds;
        EXPECT_LT(now.milliseconds, 1000u);
        // _ftime counts in whole milliseconds of the same clock, so the reading lies between the two.
        EXPECT_LE(Milliseconds(before), read);
        EXPECT_LE(read, Milliseconds(after));
    }
}

// A structure of a size the dialogs refuse: the real function answers without showing anything.
OPENFILENAMEA RefusedRequest()
{
    OPENFILENAMEA request;
    std::memset(&request, 0, sizeof request);
    request.lStructSize = 1;
    return request;
}

TEST(CommonDialogs, TheRealCallsReachComdlg32AtTheirFirstUseAndAgainAfterARelease)
{
    for (int round = 0; round < 2; ++round) {
        OPENFILENAMEA save = RefusedRequest();
        EXPECT_FALSE(realSystemCalls.GetSaveFileNameA(&save)) << "round " << round;
        EXPECT_EQ(static_cast<DWORD>(CDERR_STRUCTSIZE), realSystemCalls.CommDlgExtendedError());
        OPENFILENAMEA open = RefusedRequest();
        EXPECT_FALSE(realSystemCalls.GetOpenFileNameA(&open));
        EXPECT_EQ(static_cast<DWORD>(CDERR_STRUCTSIZE), realSystemCalls.CommDlgExtendedError());
        ReleaseCommonDialogs();
    }
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
