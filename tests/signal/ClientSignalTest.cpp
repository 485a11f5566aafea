// The load-request signal in the real registry, the running-client test against a real file
// mapping, and the start-up boxes of StartClientIfNeeded through the scripted systemCalls.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "client/ClientLaunch.h"
#include "client/LoadRequestSignal.h"
#include "client/SettingsStore.h"
#include "plugin/ModuleState.h"
#include "request/RequestDispatch.h"
#include "support/ScriptedPlatform.h"
#include "support/TestFiles.h"
#include "win/SystemCalls.h"

namespace {

class ClientLinkTest : public ProductKeyTest {
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


using LoadRequestSignal = ClientLinkTest;

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

TEST_F(LoadRequestSignal, ReadCountsAnUnreadableValueAsZero)
{
    EXPECT_EQ(0, ReadLoadRequestSignal());  // no sub-key at all
    const DWORD number = 41;
    WriteSignalValue(REG_DWORD, &number, sizeof(number));
    EXPECT_EQ(0, ReadLoadRequestSignal());
    WriteSignalText("5" + std::string(4094, ' '));  // too long for the single-value read
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
    const DWORD number = 41;
    WriteSignalValue(REG_DWORD, &number, sizeof(number));
    BumpLoadRequestSignal();

    const RegistryValue stored = TestRegistry::Read(HKEY_CURRENT_USER, kSignalKey, "Value");
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), stored.type);
    EXPECT_EQ(std::string("1", 2), stored.data);
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

using RunningClientTest = ClientLinkTest;

TEST_F(RunningClientTest, AMappingOfTheInstanceNameMeansTheClientRuns)
{
    EXPECT_FALSE(IsClientRunning("970128"));
    {
        OwnedHandle client = HoldClientMapping();
        ASSERT_TRUE(client);
        EXPECT_TRUE(IsClientRunning("970128"));
        EXPECT_FALSE(IsClientRunning("970129"));
    }
    EXPECT_FALSE(IsClientRunning("970128"));
}

TEST_F(RunningClientTest, AnotherKindOfObjectOfThatNameIsNoClient)
{
    OwnedHandle event(CreateEventA(nullptr, FALSE, FALSE, "970128"));
    ASSERT_TRUE(event);
    EXPECT_FALSE(IsClientRunning("970128"));
}

using ClientStart = ClientLinkTest;

const char* const kMissingPathText =
    "No ApplicationPath for starting the Tolvane Client application :\nApplication Not Installed "
    "\nApplication path: \nInstance name: 970128";

TEST_F(ClientStart, NothingHappensWhileTheClientRuns)
{
    OwnedHandle client = HoldClientMapping();
    ScriptedPlatform platformCalls;
    CKeyValueMap settings;
    StartClientIfNeeded(settings);
    settings.SetAt("ApplicationPath", "client.exe");
    StartClientIfNeeded(settings);
    EXPECT_TRUE(platformCalls.messageBoxes.empty());
    EXPECT_TRUE(platformCalls.processes.empty());
}

TEST_F(ClientStart, AMissingApplicationPathShowsTheMissingPathBoxAndAddsNoEntry)
{
    ScriptedPlatform platformCalls;
    CKeyValueMap settings;
    settings.SetAt("LoadRequestDir", "C:\\requests");
    StartClientIfNeeded(settings);

    ASSERT_EQ(1u, platformCalls.messageBoxes.size());
    EXPECT_EQ(nullptr, platformCalls.messageBoxes[0].owner);
    EXPECT_EQ(kMissingPathText, platformCalls.messageBoxes[0].text);
    EXPECT_EQ("Startup", platformCalls.messageBoxes[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_OK), platformCalls.messageBoxes[0].style);
    EXPECT_TRUE(platformCalls.processes.empty());
    EXPECT_EQ(1u, settings.GetCount());
}

TEST_F(ClientStart, AProgramThatCannotStartShowsTheStartFailureBoxWithItsPath)
{
    struct Case {
        std::string path;
        bool reachesCreateProcess;
    };
    const std::vector<Case> cases = {
        {"", true},
        {"C:\\nowhere\\client.exe -quiet", true},
        {std::string(4096, 'x'), false},  // does not fit the command-line buffer
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.substr(0, 40));
        ScriptedPlatform platformCalls;
        CKeyValueMap settings;
        settings.SetAt("ApplicationPath", c.path);
        StartClientIfNeeded(settings);

        EXPECT_EQ(c.reachesCreateProcess ? 1u : 0u, platformCalls.processes.size());
        ASSERT_EQ(1u, platformCalls.messageBoxes.size());
        EXPECT_EQ(nullptr, platformCalls.messageBoxes[0].owner);
        EXPECT_EQ("Error starting the Tolvane Client application :\nApplication Not Installed "
                  "\nApplication path: " + c.path + "\nInstance name: 970128",
                  platformCalls.messageBoxes[0].text);
        EXPECT_EQ("Startup", platformCalls.messageBoxes[0].caption);
        EXPECT_EQ(static_cast<UINT>(MB_OK), platformCalls.messageBoxes[0].style);
    }
}

TEST_F(ClientStart, EveryConfigurationCheckWithoutPathShowsItsOwnBox)
{
    WriteProductValue("LoadRequestDir", "C:\\requests");
    ScriptedPlatform platformCalls;
    EXPECT_EQ(1, CheckConfiguration(moduleState.settings));
    EXPECT_EQ(1, CheckConfiguration(moduleState.settings));
    ASSERT_EQ(2u, platformCalls.messageBoxes.size());
    EXPECT_EQ(kMissingPathText, platformCalls.messageBoxes[1].text);

    OwnedHandle client = HoldClientMapping();
    EXPECT_EQ(1, CheckConfiguration(moduleState.settings));
    EXPECT_EQ(2u, platformCalls.messageBoxes.size());
}

}  // namespace
