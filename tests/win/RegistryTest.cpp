// Single REG_SZ values of the current user's registry, as the plug-in reads and writes them.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "support/TestRegistry.h"
#include "win/Registry.h"

namespace {

const DWORD kUntouched = 0xdeadbeef;

using RegistryString = ProductKeyTest;

void WriteRawValue(const char* name, DWORD type, const void* data, DWORD size)
{
    EXPECT_EQ(ERROR_SUCCESS, TestRegistry::Write(HKEY_CURRENT_USER, kTestProductKey, name, type, data, size));
}

TEST_F(RegistryString, ReadTakesATextOfUpTo4094Characters)
{
    const std::string fits(4094, 'a');
    WriteProductValue("Fits", fits);
    WriteProductValue("TooLong", std::string(4095, 'b'));
    WriteRawValue("Cut", REG_SZ, "12\0" "34", 6);

    std::string text = "unchanged";
    EXPECT_TRUE(ReadRegistryString(kTestProductKey, "Fits", text));
    EXPECT_EQ(fits, text);
    EXPECT_TRUE(ReadRegistryString(kTestProductKey, "Cut", text));
    EXPECT_EQ("12", text);

    text = "unchanged";
    SetLastError(kUntouched);
    EXPECT_FALSE(ReadRegistryString(kTestProductKey, "TooLong", text));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MORE_DATA), GetLastError());
    EXPECT_EQ("unchanged", text);
}

TEST_F(RegistryString, ReadFailsWithoutTouchingTheText)
{
    const DWORD number = 5;
    WriteRawValue("Number", REG_DWORD, &number, sizeof(number));
    struct Case {
        const char* keyPath;
        const char* name;
        DWORD error;
    };
    for (Case c : {Case{"Software\\TOLVANE\\NoSuchKey", "Value", ERROR_FILE_NOT_FOUND},
                   Case{kTestProductKey, "NoSuchValue", ERROR_FILE_NOT_FOUND},
                   Case{kTestProductKey, "Number", ERROR_INVALID_DATATYPE}}) {
        SCOPED_TRACE(c.name);
        std::string text = "unchanged";
        SetLastError(kUntouched);
        EXPECT_FALSE(ReadRegistryString(c.keyPath, c.name, text));
        EXPECT_EQ(c.error, GetLastError());
        EXPECT_EQ("unchanged", text);
    }
}

TEST_F(RegistryString, WriteCreatesAMissingSubKey)
{
    const std::string subKey = std::string(kTestProductKey) + "\\LoadRequestSignal";
    EXPECT_TRUE(WriteRegistryString(subKey, "Value", "17"));
    EXPECT_EQ("17", ReadUserRegistryText(subKey, "Value"));

    const RegistryValue stored = TestRegistry::Read(HKEY_CURRENT_USER, subKey, "Value");
    EXPECT_TRUE(stored.present);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), stored.type);
    EXPECT_EQ(3u, stored.data.size());
}

TEST_F(RegistryString, WriteReportsAFailedWriteByItsStatus)
{
    // A value name longer than the registry allows.
    SetLastError(kUntouched);
    EXPECT_FALSE(WriteRegistryString(kTestProductKey, std::string(20000, 'n'), "x"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}

}  // namespace
