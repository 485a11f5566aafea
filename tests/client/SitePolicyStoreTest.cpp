// The site policy read from the real registry: the policy key under HKEY_LOCAL_MACHINE and
// HKEY_CURRENT_USER is made by each case and removed before and after it.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "client/SitePolicyStore.h"
#include "support/TestRegistry.h"
#include "win/Owned.h"

namespace {

const std::string& kKey = kSitePolicyKey;

void WriteList(HKEY root, const char* name, const std::vector<std::string>& entries)
{
    ASSERT_EQ(ERROR_SUCCESS, WriteSitePolicyList(root, name, entries));
}

// The subkey form: REG_SZ values named as given.
void WriteNumbered(HKEY root, const char* list, const std::vector<std::pair<const char*, std::string>>& values)
{
    ASSERT_EQ(ERROR_SUCCESS, TestRegistry::CreateKey(root, kKey + "\\" + list));
    for (const auto& value : values)
        ASSERT_EQ(ERROR_SUCCESS, TestRegistry::WriteText(root, kKey + "\\" + list, value.first, value.second));
}

std::string Texts(const std::vector<OriginPattern>& patterns)
{
    std::string texts;
    for (const OriginPattern& pattern : patterns) texts += (texts.empty() ? "" : " ") + pattern.text;
    return texts;
}

class SitePolicyStore : public ::testing::Test {
protected:
    NoSitePolicy noPolicy;
};

}  // namespace

TEST_F(SitePolicyStore, NoKeyIsNoPolicyTheMachineWinsValueByValueAndEachReadSeesTheRegistryAsItIsNow)
{
    SitePolicy policy = ReadSitePolicy();
    EXPECT_EQ("", policy.malformedValue + Texts(policy.allowedSites) + Texts(policy.blockedSites) +
                      Texts(policy.allowFramedSites));

    WriteList(HKEY_LOCAL_MACHINE, "AllowedSites", {"https://*.intranet.example", "file://"});
    WriteList(HKEY_CURRENT_USER, "AllowedSites", {"https://user.example"});
    WriteNumbered(HKEY_CURRENT_USER, "BlockedSites",
                  {{"10", "https://ten.intranet.example"}, {"2", "https://two.intranet.example"}});
    WriteList(HKEY_LOCAL_MACHINE, "AllowFramedSites", {});  // empty: as if unset
    WriteList(HKEY_CURRENT_USER, "AllowFramedSites", {"https://widget.example"});
    ASSERT_EQ(ERROR_SUCCESS, TestRegistry::WriteText(HKEY_LOCAL_MACHINE, kKey, "SomethingElse", "not ours"));

    policy = ReadSitePolicy();
    EXPECT_EQ("", policy.malformedReason);
    EXPECT_EQ("https://*.intranet.example file://", Texts(policy.allowedSites));
    EXPECT_EQ("https://two.intranet.example https://ten.intranet.example", Texts(policy.blockedSites));
    EXPECT_EQ("https://widget.example", Texts(policy.allowFramedSites));

    // The machine's value of a name hides the user's, also a broken one of the user's.
    WriteNumbered(HKEY_LOCAL_MACHINE, "BlockedSites", {{"1", "https://machine.example"}});
    WriteList(HKEY_CURRENT_USER, "BlockedSites", {"not a pattern"});
    policy = ReadSitePolicy();
    EXPECT_EQ("", policy.malformedReason);
    EXPECT_EQ("https://machine.example", Texts(policy.blockedSites));
}

TEST_F(SitePolicyStore, AnythingButAListOfPatternsRefusesEverySite)
{
    const DWORD number = 1;
    const wchar_t nonAscii[] = L"https://b\u00FCcher.example";
    struct Row {
        const char* label;
        std::function<void()> write;
        const char* value;
        const char* reason;
    };
    const HKEY machine = HKEY_LOCAL_MACHINE, user = HKEY_CURRENT_USER;
    const Row table[] = {
        {"a REG_SZ list", [=] { TestRegistry::WriteText(machine, kKey, "AllowedSites", "https://a.example"); },
         "AllowedSites",
         "AllowedSites (HKEY_LOCAL_MACHINE) is a REG_SZ value: write a REG_MULTI_SZ value or a subkey of numbered "
         "REG_SZ values"},
        {"a REG_DWORD list", [&] { TestRegistry::Write(user, kKey, "BlockedSites", REG_DWORD, &number, 4); },
         "BlockedSites", "BlockedSites (HKEY_CURRENT_USER) is a REG_DWORD value"},
        {"both forms",
         [=] {
             WriteList(user, "AllowFramedSites", {"https://a.example"});
             WriteNumbered(user, "AllowFramedSites", {{"1", "https://a.example"}});
         },
         "AllowFramedSites", "AllowFramedSites (HKEY_CURRENT_USER) is set twice, as a value and as a subkey"},
        {"a value not named by a number", [=] { WriteNumbered(machine, "AllowedSites", {{"first", "file://"}}); },
         "AllowedSites",
         "AllowedSites (HKEY_LOCAL_MACHINE) subkey holds the value 'first': its values must be named 1, 2, 3..."},
        {"a number with a leading zero", [=] { WriteNumbered(machine, "AllowedSites", {{"01", "file://"}}); },
         "AllowedSites", "holds the value '01'"},
        {"the subkey's default value", [=] { WriteNumbered(machine, "AllowedSites", {{nullptr, "file://"}}); },
         "AllowedSites", "holds the value ''"},
        {"a numbered value of another type",
         [=] {
             WriteNumbered(user, "BlockedSites", {{"1", "https://a.example"}});
             TestRegistry::Write(user, kKey + "\\BlockedSites", "2", REG_EXPAND_SZ, "x", 2);
         },
         "BlockedSites", "BlockedSites (HKEY_CURRENT_USER) subkey value 2 is REG_EXPAND_SZ, not REG_SZ"},
        {"an empty entry between two", [=] { WriteList(machine, "BlockedSites", {"file://", "", "*://*"}); },
         "BlockedSites", "entry 2 '', is empty"},
        {"an entry outside ASCII",
         [&] {
             const std::string list = kKey + "\\AllowedSites";
             OwnedKey key;
             ASSERT_EQ(ERROR_SUCCESS, TestRegistry::CreateKey(user, list));
             ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(user, list.c_str(), 0, KEY_SET_VALUE, key.put()));
             ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key.get(), L"1", 0, REG_SZ,
                                                     reinterpret_cast<const BYTE*>(nonAscii), sizeof nonAscii));
         },
         "AllowedSites",
         "entry 1 'https://b\\xC3\\xBCcher.example', holds a blank or a character outside printable ASCII"},
    };
    for (const Row& row : table) {
        DeleteSitePolicyKeys();
        row.write();
        const SitePolicy policy = ReadSitePolicy();
        EXPECT_EQ(row.value, policy.malformedValue) << row.label;
        EXPECT_NE(std::string::npos, policy.malformedReason.find(row.reason))
            << row.label << ": " << policy.malformedReason;
    }
}
