#include "support/TestRegistry.h"

#include <stdexcept>

#include "win/Owned.h"

const char* const kTestProductKey = "Software\\TOLVANE\\Tolvane Delivery\\970128";
const std::string kSignalKey = std::string(kTestProductKey) + "\\LoadRequestSignal";

namespace {

const char* const kDdeexecKey = "http\\shell\\open\\ddeexec";

LONG CreateOrOpen(HKEY root, const std::string& keyPath, OwnedKey& key)
{
    return RegCreateKeyExA(root, keyPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                           nullptr);
}

}  // namespace

namespace TestRegistry {

LONG CreateKey(HKEY root, const std::string& keyPath)
{
    OwnedKey key;
    return CreateOrOpen(root, keyPath, key);
}

LONG Write(HKEY root, const std::string& keyPath, const char* name, DWORD type, const void* data,
           DWORD size)
{
    OwnedKey key;
    LONG status = CreateOrOpen(root, keyPath, key);
    if (status != ERROR_SUCCESS) return status;
    return RegSetValueExA(key.get(), name, 0, type, static_cast<const BYTE*>(data), size);
}

LONG WriteText(HKEY root, const std::string& keyPath, const char* name, const std::string& text)
{
    return Write(root, keyPath, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

LONG WriteDword(HKEY root, const std::string& keyPath, const char* name, DWORD number)
{
    return Write(root, keyPath, name, REG_DWORD, &number, sizeof number);
}

LONG DeleteValue(HKEY root, const std::string& keyPath, const char* name)
{
    OwnedKey key;
    LONG status = RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_ALL_ACCESS, key.put());
    if (status != ERROR_SUCCESS) return status;
    return RegDeleteValueA(key.get(), name);
}

RegistryValue Read(HKEY root, const std::string& keyPath, const char* name)
{
    RegistryValue value;
    OwnedKey key;
    if (RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return value;
    DWORD size = 0;
    if (RegQueryValueExA(key.get(), name, nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS)
        return value;
    value.present = true;
    value.data.resize(size);
    if (size)
        RegQueryValueExA(key.get(), name, nullptr, &value.type,
                         reinterpret_cast<BYTE*>(&value.data[0]), &size);
    value.data.resize(size);
    return value;
}

bool KeyExists(HKEY root, const std::string& keyPath)
{
    OwnedKey key;
    return RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

}  // namespace TestRegistry

const std::string kSitePolicyKey = "Software\\Policies\\Tolvane\\Delivery";

void DeleteSitePolicyKeys()
{
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        RegDeleteTreeA(root, "Software\\Policies\\Tolvane");
        RegDeleteKeyA(root, "Software\\Policies\\Tolvane");
    }
}

LONG WriteSitePolicyList(HKEY root, const char* name, const std::vector<std::string>& entries)
{
    std::string data;
    for (const std::string& entry : entries) data += entry + '\0';
    data += '\0';
    return TestRegistry::Write(root, kSitePolicyKey, name, REG_MULTI_SZ, data.data(), static_cast<DWORD>(data.size()));
}

void DeleteProductRegistryTree()
{
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\TOLVANE");
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\TOLVANE");
}

void WriteProductValue(const std::string& name, const std::string& text)
{
    if (TestRegistry::WriteText(HKEY_CURRENT_USER, kTestProductKey, name.c_str(), text) != ERROR_SUCCESS)
        throw std::runtime_error("cannot write the product key's " + name);
}

std::string ReadUserRegistryText(const std::string& keyPath, const std::string& name)
{
    RegistryValue value = TestRegistry::Read(HKEY_CURRENT_USER, keyPath, name.c_str());
    if (!value.present || value.type != REG_SZ) return "<absent>";
    return value.data.substr(0, value.data.find('\0'));
}

const char* const SavedHttpDdeName::kKeyPath = "http\\shell\\open\\ddeexec\\Application";

SavedHttpDdeName::SavedHttpDdeName()
    : ddeexecExisted(TestRegistry::KeyExists(HKEY_CLASSES_ROOT, kDdeexecKey)),
      saved(TestRegistry::Read(HKEY_CLASSES_ROOT, kKeyPath, nullptr))
{
}

SavedHttpDdeName::~SavedHttpDdeName()
{
    if (!ddeexecExisted) {
        Remove();
        return;
    }
    if (saved.present)
        Set(saved.type, saved.data.data(), static_cast<DWORD>(saved.data.size()));
    else
        TestRegistry::DeleteValue(HKEY_CLASSES_ROOT, kKeyPath, nullptr);
}

LONG SavedHttpDdeName::Set(DWORD type, const void* data, DWORD size)
{
    return TestRegistry::Write(HKEY_CLASSES_ROOT, kKeyPath, nullptr, type, data, size);
}

LONG SavedHttpDdeName::SetName(const std::string& name)
{
    return TestRegistry::WriteText(HKEY_CLASSES_ROOT, kKeyPath, nullptr, name);
}

void SavedHttpDdeName::Remove()
{
    RegDeleteTreeA(HKEY_CLASSES_ROOT, kDdeexecKey);
    RegDeleteKeyA(HKEY_CLASSES_ROOT, kDdeexecKey);
}

void ProductKeyTest::SetUp()
{
    DeleteProductRegistryTree();
}

void ProductKeyTest::TearDown() { DeleteProductRegistryTree(); }

std::vector<TypedValue> ValuesOfOtherTypes()
{
    const DWORD number = 41;
    return {{"REG_DWORD", REG_DWORD, std::string(reinterpret_cast<const char*>(&number), sizeof number)},
            {"REG_BINARY", REG_BINARY, std::string("41")},
            {"REG_EXPAND_SZ", REG_EXPAND_SZ, std::string("41", 3)},
            {"REG_MULTI_SZ", REG_MULTI_SZ, std::string("41\0\0", 4)}};
}
