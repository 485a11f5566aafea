// The settings store on the real registry (the product key is removed before and after each case):
// the load and its refusals, and the save.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "client/SettingsStore.h"
#include "support/TestFiles.h"
#include "win/Owned.h"
#include "win/SystemCalls.h"

namespace {

class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override { DeleteProductRegistryTree(); }
    void TearDown() override { DeleteProductRegistryTree(); }

    static void CreateProductKey()
    {
        ASSERT_EQ(ERROR_SUCCESS, TestRegistry::CreateKey(HKEY_CURRENT_USER, kTestProductKey));
    }

    // Any value type and data, written as given (a null name is the default value).
    static void WriteRawValue(const char* name, DWORD type, const void* data, DWORD size)
    {
        EXPECT_EQ(ERROR_SUCCESS,
                  TestRegistry::Write(HKEY_CURRENT_USER, kTestProductKey, name, type, data, size));
    }

    static void DeleteProductValue(const char* name)
    {
        EXPECT_EQ(ERROR_SUCCESS, TestRegistry::DeleteValue(HKEY_CURRENT_USER, kTestProductKey, name));
    }

    static CKeyValueMap::Entries Load(CKeyValueMap& map)
    {
        LoadFromRegistry(map, kTestProductKey, HKEY_CURRENT_USER);
        return CKeyValueMap::Entries(map.begin(), map.end());
    }

    // The load's outcome. (The last-error code set before a throw does not survive the catch:
    // the C++ runtime's thread-local look-up resets it, so it is not compared here.)
    static std::string LoadOutcome(CKeyValueMap& map)
    {
        try {
            LoadFromRegistry(map, kTestProductKey, HKEY_CURRENT_USER);
            return "ok";
        } catch (const FormatException&) {
            return "FormatException";
        }
    }
};

TEST_F(SettingsStore, LoadOfAKeyWithoutValuesKeepsTheMapAsItWas)
{
    CreateProductKey();
    CKeyValueMap map;
    map.SetAt("Earlier", "kept");
    EXPECT_EQ("ok", LoadOutcome(map));
    EXPECT_EQ((CKeyValueMap::Entries{{"Earlier", "kept"}}),
              CKeyValueMap::Entries(map.begin(), map.end()));
}

TEST_F(SettingsStore, LoadOfAMissingKeyFails)
{
    CKeyValueMap map;
    EXPECT_EQ("FormatException", LoadOutcome(map));
    EXPECT_TRUE(map.IsEmpty());
}

TEST_F(SettingsStore, LoadTakesEveryStringValueWithItsExactTextOverEarlierEntries)
{
    std::string everyByte;
    for (int c = 1; c < 128; ++c) everyByte += static_cast<char>(c);
    everyByte += "\xE9\xFC";  // bytes of the ANSI code page that survive the registry's Unicode form
    const CKeyValueMap::Entries stored = {
        {"ApplicationPath", "C:\\Program Files\\Tolvane\\client.exe -quiet"},
        {"LoadRequestDir", "C:\\requests"},
        {"Quoted", "say \"hi\" = \"x\""},
        {"Q", "\"\"\""},
        {"Lines", "one\r\ntwo\nthree  "},
        {"Tabs", "one\r\ntwo\n\tthree "},
        {"a.b_c9", "x"},
        {"Empty", ""},
        {"Blank", " "},
        {"Long", std::string(70000, 'x')},
        {"Bytes", everyByte},
    };
    for (const auto& value : stored) WriteProductValue(value.first, value.second);
    WriteRawValue(nullptr, REG_SZ, "default", 8);  // the default value is no setting

    // Names of the key form are taken as they are; an entry of the map from before stays unless a
    // value of the key replaces it.
    CKeyValueMap map;
    map["Long"] = "earlier";
    map["Kept"] = "from before";
    CKeyValueMap::Entries expected = stored;
    expected["Kept"] = "from before";
    EXPECT_EQ(expected, Load(map));
}

TEST_F(SettingsStore, LoadReadsAValueOnlyUpToItsFirstNul)
{
    WriteRawValue("Cut", REG_SZ, "ab\0cd", 6);
    WriteRawValue("Unterminated", REG_SZ, "xyz", 3);
    WriteRawValue("Longest", REG_SZ, std::string(300, 'L').c_str(), 301);
    CKeyValueMap map;
    EXPECT_EQ((CKeyValueMap::Entries{
                  {"Cut", "ab"}, {"Longest", std::string(300, 'L')}, {"Unterminated", "xyz"}}),
              Load(map));
}

TEST_F(SettingsStore, LoadDropsBlanksAroundAName)
{
    WriteProductValue("LoadRequestDir ", "C:\\requests");
    WriteProductValue("\tApplicationPath", "client.exe");
    WriteProductValue(" Padded\t", "v");
    CKeyValueMap map;
    EXPECT_EQ((CKeyValueMap::Entries{{"ApplicationPath", "client.exe"},
                                     {"LoadRequestDir", "C:\\requests"},
                                     {"Padded", "v"}}),
              Load(map));
}

TEST_F(SettingsStore, LoadRejectsANameThatIsNoKeyOfTheTextForm)
{
    for (const char* name : {"Load Request", "Load-Request", "Load\\Request", "Tolvane=x", "\"q\"", "caf\xE9"}) {
        SCOPED_TRACE(name);
        DeleteProductRegistryTree();
        WriteProductValue(name, "value");
        CKeyValueMap map;
        EXPECT_THROW(LoadFromRegistry(map, kTestProductKey, HKEY_CURRENT_USER), FormatException);
        EXPECT_TRUE(map.IsEmpty());
    }
}

TEST_F(SettingsStore, LoadRejectsAValueOfAnotherTypeEvenTheDefaultValue)
{
    const DWORD number = 7;
    struct Case {
        const char* name;
        DWORD type;
    };
    for (Case c : {Case{"Counter", REG_DWORD}, Case{nullptr, REG_DWORD}, Case{"Path", REG_EXPAND_SZ},
                   Case{"Blob", REG_BINARY}}) {
        SCOPED_TRACE(c.name ? c.name : "(default)");
        DeleteProductRegistryTree();
        WriteRawValue(c.name, c.type, &number, sizeof(number));
        CKeyValueMap map;
        EXPECT_THROW(LoadFromRegistry(map, kTestProductKey, HKEY_CURRENT_USER), FormatException);
        EXPECT_TRUE(map.IsEmpty());
    }
}

TEST_F(SettingsStore, LoadKeepsEntriesWhoseValueWasDeletedAndTheNextSaveRestoresThem)
{
    WriteProductValue("ApplicationPath", "client.exe");
    WriteProductValue("LoadRequestDir", "C:\\requests");
    CKeyValueMap map;
    Load(map);
    DeleteProductValue("LoadRequestDir");
    WriteProductValue("ApplicationPath", "other.exe");

    EXPECT_EQ((CKeyValueMap::Entries{{"ApplicationPath", "other.exe"},
                                     {"LoadRequestDir", "C:\\requests"}}),
              Load(map));
    SaveToRegistry(map, kTestProductKey, HKEY_CURRENT_USER);
    EXPECT_EQ("C:\\requests", ReadUserRegistryText(kTestProductKey, "LoadRequestDir"));
}

TEST_F(SettingsStore, SaveCreatesAMissingKeyAndWritesEveryNonEmptyValueWithItsNul)
{
    CKeyValueMap map;
    map.SetAt("LoadDeliveryDir", "C:\\downloads");
    map.SetAt("Quoted", "a \"b\"\nc");
    map.SetAt("Blank", "");
    SaveToRegistry(map, kTestProductKey, HKEY_CURRENT_USER);

    const RegistryValue stored = TestRegistry::Read(HKEY_CURRENT_USER, kTestProductKey, "LoadDeliveryDir");
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), stored.type);
    EXPECT_EQ(std::string("C:\\downloads", 13), stored.data);
    OwnedKey key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, kTestProductKey, 0, KEY_READ, key.put()));
    EXPECT_EQ(static_cast<LONG>(ERROR_FILE_NOT_FOUND),
              RegQueryValueExA(key.get(), "Blank", nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ("a \"b\"\nc", ReadUserRegistryText(kTestProductKey, "Quoted"));
}

TEST_F(SettingsStore, SaveLeavesTheStoredDataOfAnEmptyEntryAndValuesItDoesNotKnow)
{
    WriteProductValue("LoadDeliveryDir", "C:\\old");
    WriteProductValue("ClientOwn", "client data");
    CKeyValueMap map;
    map.SetAt("LoadDeliveryDir", "");
    map.SetAt("LoadRequestDir", "C:\\requests");
    SaveToRegistry(map, kTestProductKey, HKEY_CURRENT_USER);
    EXPECT_EQ("C:\\old", ReadUserRegistryText(kTestProductKey, "LoadDeliveryDir"));
    EXPECT_EQ("client data", ReadUserRegistryText(kTestProductKey, "ClientOwn"));
    EXPECT_EQ("C:\\requests", ReadUserRegistryText(kTestProductKey, "LoadRequestDir"));
}

TEST_F(SettingsStore, SaveThatCannotCreateOrWriteFails)
{
    CKeyValueMap map;
    map.SetAt("A", "1");
    // A root that is no key.
    EXPECT_THROW(SaveToRegistry(map, "Software\\TOLVANE\\x", reinterpret_cast<HKEY>(0x12345678)),
                 FormatException);
    // A value name longer than the registry allows.
    map.SetAt(std::string(20000, 'n'), "x");
    EXPECT_THROW(SaveToRegistry(map, kTestProductKey, HKEY_CURRENT_USER), FormatException);
}

}  // namespace

namespace {

// The client changes the key between the load's sizing of its buffers and its reading of the
// values: the load starts over once, and fails when the key changes again.
int keyChanges = 0;
void (*changeKey)(HKEY) = nullptr;

void ChangeKeyWhileLoading(HKEY)
{
    if (keyChanges <= 0) return;
    --keyChanges;
    changeKey(nullptr);
}

// Each time four times as long: past what the last sizing allowed, whatever unit the registry
// counts in.
void GrowAValue(HKEY)
{
    static std::size_t length = 100;
    length *= 4;
    WriteProductValue("LoadRequestDir", "C:\\" + std::string(length, 'g'));
}

void DeleteTheValues(HKEY)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kTestProductKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key, "LoadRequestDir");
    RegDeleteValueA(key, "ApplicationPath");
    RegCloseKey(key);
}

}  // namespace

TEST_F(SettingsStore, LoadStartsOverOnceWhenTheKeyChangesUnderIt)
{
    const struct {
        const char* what;
        void (*change)(HKEY);
        int changes;
        const char* outcome;
    } cases[] = {
        {"a value grows (ERROR_MORE_DATA)", GrowAValue, 1, "ok"},
        {"values are deleted (ERROR_NO_MORE_ITEMS)", DeleteTheValues, 1, "ok"},
        {"a value grows at every reading", GrowAValue, 2, "FormatException"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteProductRegistryTree();
        WriteProductValue("ApplicationPath", "client.exe");
        WriteProductValue("LoadRequestDir", "C:\\r");
        changeKey = c.change;
        keyChanges = c.changes;
        systemCalls.SettingsEnumerationStarts = ChangeKeyWhileLoading;
        CKeyValueMap map;
        EXPECT_EQ(c.outcome, LoadOutcome(map));
        systemCalls.SettingsEnumerationStarts = nullptr;
        EXPECT_EQ(0, keyChanges) << "every change was made";
        if (std::string(c.outcome) == "ok") {
            std::string stored = ReadUserRegistryText(kTestProductKey, "LoadRequestDir");
            std::string loaded = "<absent>";
            map.Lookup("LoadRequestDir", loaded);
            EXPECT_EQ(stored, loaded) << "the second reading sees the key as it is now";
        }
    }
}

TEST_F(SettingsStore, LoadRejectsANameThatParsesAsMoreThanOneEntry)
{
    for (const char* name : {"A=1 B", "A=\"1\" B", "LoadRequestDir=x LoadDeliveryDir", "A B=1"}) {
        SCOPED_TRACE(name);
        DeleteProductRegistryTree();
        WriteProductValue(name, "value");
        CKeyValueMap map;
        EXPECT_EQ("FormatException", LoadOutcome(map));
        EXPECT_TRUE(map.IsEmpty()) << "nothing of the name is taken";
    }
}
