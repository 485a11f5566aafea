// The load-request signal in the real registry: read as a number, bumped by one per request, left to
// the client when it is negative.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "client/LoadRequestSignal.h"
#include "support/TestFiles.h"

namespace {

class LoadRequestSignal : public ProductKeyTest {
protected:
    static void WriteSignalValue(DWORD type, const void* data, DWORD size)
    {
        EXPECT_EQ(ERROR_SUCCESS,
                  TestRegistry::Write(HKEY_CURRENT_USER, kSignalKey, "Value", type, data, size));
    }
    static void WriteSignalText(const std::string& text)
    {
        WriteSignalValue(REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
    }
    static std::string SignalText() { return ReadUserRegistryText(kSignalKey, "Value"); }
};

TEST_F(LoadRequestSignal, ReadParsesTheTextAsALongNumber)
{
    struct Case {
        std::string text;
        long value;
    };
    const std::vector<Case> cases = {
        {"41", 41},          {"  7abc", 7},        {"abc", 0},         {"-3", -3},
        {"+12", 12},         {"\t\r\n 5 6", 5},    {"-", 0},           {"+", 0},
        {"", 0},             {" - 4", 0},          {"0009", 9},        {"2147483647", 2147483647},
        {"-2147483648", -2147483647L - 1},         {"99999999999", 2147483647},
        {"-99999999999", -2147483647L - 1},        {"4294967297", 2147483647},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("text \"" + c.text + "\"");
        WriteSignalText(c.text);
        EXPECT_EQ(c.value, ReadLoadRequestSignal());
    }
}

TEST_F(LoadRequestSignal, ReadTakesUpTo4094CharactersAndCountsAnUnreadableValueAsZero)
{
    EXPECT_EQ(0, ReadLoadRequestSignal());  // no sub-key at all
    const DWORD number = 41;
    WriteSignalValue(REG_DWORD, &number, sizeof(number));
    EXPECT_EQ(0, ReadLoadRequestSignal());

    // The single-value read takes a text of 4094 characters; a longer one is unreadable.
    WriteSignalText(std::string(4093, '0') + "7");
    EXPECT_EQ(7, ReadLoadRequestSignal());
    BumpLoadRequestSignal();
    EXPECT_EQ("8", SignalText());
    WriteSignalText(std::string(4094, '0') + "7");
    EXPECT_EQ(0, ReadLoadRequestSignal());
    BumpLoadRequestSignal();
    EXPECT_EQ("1", SignalText());
    WriteSignalText("5" + std::string(4094, ' '));
    EXPECT_EQ(0, ReadLoadRequestSignal());
}

TEST_F(LoadRequestSignal, BumpWritesTheNextNumberAsText)
{
    struct Case {
        const char* stored;
        const char* written;
    };
    for (Case c : {Case{"41", "42"}, Case{"  7abc", "8"}, Case{"abc", "1"}, Case{"0", "1"},
                   Case{"+99", "100"}, Case{"2147483646", "2147483647"}}) {
        SCOPED_TRACE(c.stored);
        WriteSignalText(c.stored);
        BumpLoadRequestSignal();
        EXPECT_EQ(c.written, SignalText());
    }
}

TEST_F(LoadRequestSignal, BumpCreatesAMissingSubKeyWithOne)
{
    WriteProductValue("ApplicationPath", "client.exe");
    BumpLoadRequestSignal();
    EXPECT_EQ("1", SignalText());
    BumpLoadRequestSignal();
    EXPECT_EQ("2", SignalText());
}

TEST_F(LoadRequestSignal, BumpReplacesAValueOfAnotherTypeByText)
{
    for (const TypedValue& other : ValuesOfOtherTypes()) {
        SCOPED_TRACE(other.label);
        WriteSignalValue(other.type, other.data.data(), static_cast<DWORD>(other.data.size()));
        BumpLoadRequestSignal();

        const RegistryValue stored = TestRegistry::Read(HKEY_CURRENT_USER, kSignalKey, "Value");
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), stored.type);
        EXPECT_EQ(std::string("1", 2), stored.data);
    }
}

TEST_F(LoadRequestSignal, BumpLeavesANegativeValueOfTheClientAlone)
{
    for (const char* stored : {"-3", "  -7x", "-2147483648"}) {
        SCOPED_TRACE(stored);
        WriteSignalText(stored);
        BumpLoadRequestSignal();
        BumpLoadRequestSignal();
        EXPECT_EQ(stored, SignalText());
    }
}

TEST_F(LoadRequestSignal, BumpAtTheTopOfTheRangeStartsAgainAtOneAndKeepsCounting)
{
    WriteSignalText("2147483647");
    BumpLoadRequestSignal();
    EXPECT_EQ("1", SignalText());
    BumpLoadRequestSignal();
    EXPECT_EQ("2", SignalText());

    WriteSignalText("99999999999");  // beyond the range: read as its top
    BumpLoadRequestSignal();
    EXPECT_EQ("1", SignalText());
}

TEST_F(LoadRequestSignal, WriteStoresTheDecimalText)
{
    WriteLoadRequestSignal(-2147483647L - 1);
    EXPECT_EQ("-2147483648", SignalText());
    WriteLoadRequestSignal(0);
    EXPECT_EQ("0", SignalText());
}

}  // namespace
