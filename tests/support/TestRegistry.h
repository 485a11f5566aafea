// The registry as tests write and read it: raw values of any type, the product's key reset per
// test, and the http handler's DDE name in HKEY_CLASSES_ROOT saved and put back.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

extern const char* const kTestProductKey;  // "Software\TOLVANE\Tolvane Delivery\970128"
extern const std::string kSignalKey;       // the product key's "LoadRequestSignal"

// A value as the registry holds it, whatever its type.
struct RegistryValue {
    bool present = false;
    DWORD type = REG_NONE;
    std::string data;
    bool operator==(const RegistryValue& other) const
    {
        return present == other.present && type == other.type && data == other.data;
    }
};

// Raw writes and reads; each creates or opens its key and closes it again. A null name is the
// key's default value. Writes return the registry's status.
namespace TestRegistry {
LONG CreateKey(HKEY root, const std::string& keyPath);
LONG Write(HKEY root, const std::string& keyPath, const char* name, DWORD type, const void* data,
           DWORD size);
// REG_SZ with its NUL.
LONG WriteText(HKEY root, const std::string& keyPath, const char* name, const std::string& text);
LONG WriteDword(HKEY root, const std::string& keyPath, const char* name, DWORD number);
LONG DeleteValue(HKEY root, const std::string& keyPath, const char* name);
RegistryValue Read(HKEY root, const std::string& keyPath, const char* name);
bool KeyExists(HKEY root, const std::string& keyPath);
}  // namespace TestRegistry

// A value of each type other than REG_SZ, every one holding "41" in its own way.
struct TypedValue {
    const char* label;
    DWORD type;
    std::string data;
};
std::vector<TypedValue> ValuesOfOtherTypes();

// Deletes HKCU\Software\TOLVANE with everything below it.
void DeleteProductRegistryTree();
// A REG_SZ value of the product key, created when missing; throws when the key cannot be made.
void WriteProductValue(const std::string& name, const std::string& text);
// REG_SZ text of a value under HKCU\<keyPath>, up to its first NUL; "<absent>" when it cannot be
// read as REG_SZ.
std::string ReadUserRegistryText(const std::string& keyPath, const std::string& name);

// HKEY_CLASSES_ROOT "http\shell\open\ddeexec\Application", as the machine had it before, put
// back when the object goes (the ddeexec key is removed again when it did not exist).
class SavedHttpDdeName {
public:
    SavedHttpDdeName();
    ~SavedHttpDdeName();
    SavedHttpDdeName(const SavedHttpDdeName&) = delete;
    SavedHttpDdeName& operator=(const SavedHttpDdeName&) = delete;

    static const char* const kKeyPath;
    static LONG Set(DWORD type, const void* data, DWORD size);
    static LONG SetName(const std::string& name);
    // No DDE name at all: the ddeexec key goes.
    static void Remove();

private:
    bool ddeexecExisted = false;
    RegistryValue saved;
};

// The administrator's site policy key (Software\Policies\Tolvane\Delivery).
extern const std::string kSitePolicyKey;
// Removes the site policy under HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER, with everything below it.
void DeleteSitePolicyKeys();
// A list of the site policy as a REG_MULTI_SZ value, each entry with its NUL and one more at the end.
LONG WriteSitePolicyList(HKEY root, const char* name, const std::vector<std::string>& entries);

// No site policy while it lives, none after it.
class NoSitePolicy {
public:
    NoSitePolicy() { DeleteSitePolicyKeys(); }
    ~NoSitePolicy() { DeleteSitePolicyKeys(); }
    NoSitePolicy(const NoSitePolicy&) = delete;
    NoSitePolicy& operator=(const NoSitePolicy&) = delete;
};

// A test that starts and ends without the product key.
class ProductKeyTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};
