// The support switch at the plug-in's start-up: a trace log opened there that records every box the
// user saw, and nothing at all without the switch.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "diag/TraceLog.h"
#include "diag/TraceSwitch.h"
#include "plugin/ModuleState.h"
#include "plugin/PluginEntry.h"
#include "request/RequestDispatch.h"
#include "request/RequestFile.h"
#include "support/PluginRig.h"
#include "support/TestFiles.h"
#include "support/TestText.h"
#include "win/SystemCalls.h"

namespace {

LocalStamp FixedStamp() { return {"12/06/97", "15:14:13"}; }

void SwitchOn(const std::string& value)
{
    ASSERT_EQ(ERROR_SUCCESS,
              TestRegistry::WriteText(HKEY_CURRENT_USER, kDiagnosticsKeyPath, "TraceLog", value));
}

// Start-up and shut-down as a browser does them.
class Diagnostics : public InstanceDispatchRig {
protected:
    void SetUp() override
    {
        InstanceDispatchRig::SetUp();
        systemCalls.LocalNow = FixedStamp;
    }
    void TearDown() override
    {
        NP_Shutdown();
        moduleState.pluginFuncs = nullptr;
        TraceLogFileClose();
        systemCalls.LocalNow = realSystemCalls.LocalNow;
        InstanceDispatchRig::TearDown();
    }
    void StartPlugin()
    {
        pluginTable.size = sizeof pluginTable;
        ASSERT_EQ(NPERR_NO_ERROR, NP_GetEntryPoints(&pluginTable));
        ASSERT_EQ(NPERR_NO_ERROR, NP_Initialize(&browser.funcs));
    }
    std::string BadRequestFile()
    {
        const std::string path = folder / "bad.vnxclient";
        WriteWholeFile(path, "vnxclient: NAME=x SERVERNAME=srv1\r\n");
        return path;
    }

    NPPluginFuncs pluginTable{};
    TempFolder folder;
    const std::string logPath = folder / "support trace.log";
};

TEST_F(Diagnostics, SwitchedOnTheLogOpensAtStartUpAndTakesEveryWarningAsWritten)
{
    SwitchOn(logPath);
    StartPlugin();
    const std::string missing = folder / "missing.vnxclient";
    CKeyValueMap request;
    EXPECT_FALSE(ParseVexoLoadRequestFile(missing, request));
    const std::string bad = BadRequestFile();
    EXPECT_FALSE(ParseVexoLoadRequestFile(bad, request));
    ASSERT_EQ(2u, ui.messageBoxes.size());
    NP_Shutdown();
    // Closed at shut-down: what follows is not recorded, and the next start adds a header.
    EXPECT_EQ(1, TraceLogFileWrite("after", 1, "not recorded"));
    StartPlugin();
    NP_Shutdown();

    const std::string header = "TraceLogFileOpen at 12/06/97 15:14:13: " + logPath + " ...";
    const std::string expected =
        header +
        "LOGGED at 12/06/97 15:14:13: ClientApp/VexoRequest, line 109\r\n"
        "... Internal processing message: \r\nThe request file appears not to exist: \r\n\t\tSorry! \r\n"
        "File submitted: " + missing + "\r\n" +
        "LOGGED at 12/06/97 15:14:13: ClientApp/VexoRequest, line 182\r\n"
        "... The request file appears to have bad request information. \r\n\t\tSorry! \r\n"
        "File submitted: " + bad + " \r\nRequest data: NAME=x SERVERNAME=srv1\r\n" +
        header;
    EXPECT_EQ(expected, ReadWholeFile(logPath));
}

TEST_F(Diagnostics, SwitchedOnEveryBoxOfTheStartAndOfAClickIsInTheLogBeforeItOpens)
{
    // A configured client that is neither running nor startable: the "Startup" box at start-up
    // and again at the click, then the parser's warning and the failure box of the click.
    WriteProductValue("LoadRequestDir", folder.path());
    clientMapping.reset();
    SwitchOn(logPath);
    std::vector<std::string> logAtBox;
    ui.whileShown = [&] { logAtBox.push_back(ReadWholeFile(logPath)); };
    StartPlugin();

    const std::string bad = BadRequestFile();
    record.page.hasSrc = true;
    record.page.requestFile = bad;
    EXPECT_EQ(RequestOutcome::failed, Dispatch());
    ASSERT_EQ(4u, ui.messageBoxes.size());
    const std::string log = ReadWholeFile(logPath);
    std::size_t position = 0;
    for (std::size_t box = 0; box < ui.messageBoxes.size(); ++box) {
        const std::string shown = "\r\n... " + WithCrLf(ui.messageBoxes[box].text);
        const std::size_t at = log.find(shown, position);
        ASSERT_NE(std::string::npos, at) << "box " << box << " not logged: " << ui.messageBoxes[box].text;
        EXPECT_NE(std::string::npos, logAtBox[box].find(shown)) << "box " << box << " logged after it opened";
        position = at + shown.size();
    }
    EXPECT_NE(std::string::npos, log.find(": clientlink/ClientSignal, line "));
    EXPECT_NE(std::string::npos, log.find(": ClientApp/VexoRequest, line 182\r\n"));
    EXPECT_NE(std::string::npos,
              log.find(": ClientApp/RequestDispatch, line ")) << "the click's failure";
    EXPECT_NE(std::string::npos, log.find("... Tolvane save request failed : Format Exception\r\n"));
}

TEST_F(Diagnostics, SwitchedOffNothingIsWritten)
{
    // No switch; a "TraceLog" among the client's settings is a client setting, not the switch;
    // an empty switch is off.
    WriteProductValue("TraceLog", logPath);
    for (int round = 0; round < 2; ++round) {
        if (round == 1) SwitchOn("");
        StartPlugin();
        CKeyValueMap request;
        EXPECT_FALSE(ParseVexoLoadRequestFile(BadRequestFile(), request));
        NP_Shutdown();
    }
    EXPECT_EQ(2u, ui.messageBoxes.size());
    EXPECT_FALSE(FileExists(logPath));
    EXPECT_EQ(std::vector<std::string>{"bad.vnxclient"}, FileNamesIn(folder.path()));
}

}  // namespace
