// Whether the client runs (its file mapping), LaunchProcess, and the client's start with its boxes:
// with a real child program (launch_child.exe, built beside this test) that records its start-up
// show state and priority class, or through the scripted systemCalls.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "client/ClientLaunch.h"
#include "diag/TraceLog.h"
#include "support/Expectations.h"
#include "support/ScriptedPlatform.h"
#include "support/TestFiles.h"
#include "win/SystemCalls.h"

namespace {

std::string ChildProgram() { return ProgramFolder() + "\\launch_child.exe"; }

std::string ChildCommandLine(const std::string& recordFile, const std::string& exitCode = "")
{
    std::string line = "\"" + ChildProgram() + "\" \"" + recordFile + "\"";
    if (!exitCode.empty()) line += " " + exitCode;
    return line;
}

// The child's record, once it has written one (it renames the file into place when complete). A
// record is never empty, yet a read right after the rename once came back empty on a loaded
// machine: an empty read is taken as not there yet.
std::string WaitForRecord(const std::string& recordFile)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start < 15000; Sleep(20)) {
        if (!FileExists(recordFile)) continue;
        std::string record = ReadWholeFile(recordFile);
        if (!record.empty()) return record;
    }
    return "<no record>";
}

class LaunchTest : public ProductKeyTest {
protected:
    TempFolder folder;
};

using LaunchProcessTest = LaunchTest;

TEST_F(LaunchProcessTest, StartsTheChildHiddenOrShownAtNormalPriority)
{
    struct Case {
        BOOL hidden;
        const char* record;
    };
    int number = 0;
    for (Case c : {Case{TRUE, "flags=1 show=0 priority=32"}, Case{FALSE, "flags=1 show=1 priority=32"}}) {
        SCOPED_TRACE(c.hidden ? "hidden" : "shown");
        const std::string recordFile = folder / ("record" + std::to_string(++number) + ".txt");
        PROCESS_INFORMATION child;
        std::memset(&child, 0, sizeof(child));
        ASSERT_TRUE(LaunchProcess(ChildCommandLine(recordFile), &child, c.hidden, NORMAL_PRIORITY_CLASS));
        OwnedHandle process(child.hProcess), thread(child.hThread);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.get(), 15000));
        EXPECT_EQ(c.record, ReadWholeFile(recordFile));
    }
}

// Wine starts every process at normal priority whatever the creation flags say, so the accepted
// classes are checked on the flags passed to CreateProcessA.
TEST_F(LaunchProcessTest, PassesTheThreeAcceptedPriorityClassesAndNormalForAnyOther)
{
    struct Case {
        DWORD requested;
        DWORD passed;
    };
    const std::vector<Case> cases = {
        {IDLE_PRIORITY_CLASS, IDLE_PRIORITY_CLASS},
        {NORMAL_PRIORITY_CLASS, NORMAL_PRIORITY_CLASS},
        {HIGH_PRIORITY_CLASS, HIGH_PRIORITY_CLASS},
        {REALTIME_PRIORITY_CLASS, NORMAL_PRIORITY_CLASS},
        {BELOW_NORMAL_PRIORITY_CLASS, NORMAL_PRIORITY_CLASS},
        {ABOVE_NORMAL_PRIORITY_CLASS, NORMAL_PRIORITY_CLASS},
        {HIGH_PRIORITY_CLASS | CREATE_SUSPENDED, NORMAL_PRIORITY_CLASS},
        {0, NORMAL_PRIORITY_CLASS},
    };
    ScriptedPlatform platformCalls;
    platformCalls.realProcessCreation = false;
    for (const Case& c : cases) LaunchProcess("client.exe", nullptr, TRUE, c.requested);
    ASSERT_EQ(cases.size(), platformCalls.processes.size());
    for (std::size_t index = 0; index < cases.size(); ++index) {
        SCOPED_TRACE(cases[index].requested);
        EXPECT_EQ(cases[index].passed, platformCalls.processes[index].creationFlags);
    }
}

TEST_F(LaunchProcessTest, HandsTheCallerTheChildsHandlesAndIdentifiers)
{
    PROCESS_INFORMATION child;
    std::memset(&child, 0, sizeof(child));
    ASSERT_TRUE(LaunchProcess(ChildCommandLine(folder / "record.txt", "7"), &child, TRUE,
                              NORMAL_PRIORITY_CLASS));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(child.hProcess, 15000));
    DWORD exitCode = 0;
    EXPECT_TRUE(GetExitCodeProcess(child.hProcess, &exitCode));
    EXPECT_EQ(7u, exitCode);
    EXPECT_EQ(child.dwProcessId, GetProcessId(child.hProcess));
    EXPECT_EQ(child.dwThreadId, GetThreadId(child.hThread));
    EXPECT_TRUE(CloseHandle(child.hProcess));
    EXPECT_TRUE(CloseHandle(child.hThread));
}

TEST_F(LaunchProcessTest, PassesExactlyTheCommandLineFlagsAndStartUpInformation)
{
    ScriptedPlatform platformCalls;
    const std::string commandLine = ChildCommandLine(folder / "record.txt");
    ASSERT_TRUE(LaunchProcess(commandLine, nullptr, TRUE, NORMAL_PRIORITY_CLASS));
    EXPECT_EQ("flags=1 show=0 priority=32", WaitForRecord(folder / "record.txt"));

    ASSERT_EQ(1u, platformCalls.processes.size());
    const ProcessCall& call = platformCalls.processes[0];
    EXPECT_TRUE(call.applicationNameNull);
    EXPECT_EQ(commandLine, call.commandLine);
    EXPECT_EQ(TRUE, call.inheritHandles);
    EXPECT_EQ(static_cast<DWORD>(NORMAL_PRIORITY_CLASS), call.creationFlags);
    EXPECT_TRUE(call.environmentNull);
    EXPECT_TRUE(call.currentDirectoryNull);
    STARTUPINFOA expected;
    std::memset(&expected, 0, sizeof(expected));
    expected.cb = sizeof(expected);
    expected.dwFlags = STARTF_USESHOWWINDOW;
    expected.wShowWindow = SW_HIDE;
    EXPECT_EQ(0, std::memcmp(&expected, &call.startupInfo, sizeof(expected)));
}

TEST_F(LaunchProcessTest, RefusesACommandLineThatDoesNotFitItsBuffer)
{
    ScriptedPlatform platformCalls;
    platformCalls.realProcessCreation = false;

    const std::string longest = "client.exe " + std::string(4084, 'a');
    ASSERT_EQ(4095u, longest.size());
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(LaunchProcess(longest, nullptr, TRUE, NORMAL_PRIORITY_CLASS));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());  // from the creation
    ASSERT_EQ(1u, platformCalls.processes.size());
    EXPECT_EQ(longest, platformCalls.processes[0].commandLine);

    PROCESS_INFORMATION untouched;
    std::memset(&untouched, 0x5a, sizeof(untouched));
    PROCESS_INFORMATION record = untouched;
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(LaunchProcess(longest + "b", &record, TRUE, NORMAL_PRIORITY_CLASS));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE), GetLastError());
    EXPECT_EQ(1u, platformCalls.processes.size());
    EXPECT_EQ(0, std::memcmp(&untouched, &record, sizeof(record)));
}

TEST_F(LaunchProcessTest, AProgramThatDoesNotExistFailsWithTheCreationsError)
{
    PROCESS_INFORMATION untouched;
    std::memset(&untouched, 0x5a, sizeof(untouched));
    PROCESS_INFORMATION record = untouched;
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(LaunchProcess(folder / "missing.exe", &record, TRUE, NORMAL_PRIORITY_CLASS));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_EQ(0, std::memcmp(&untouched, &record, sizeof(record)));
}

TEST_F(LaunchProcessTest, NotesAnUnsupportedPriorityClassInTheTraceLog)
{
    ScriptedPlatform platformCalls;
    platformCalls.realProcessCreation = false;
    const std::string log = folder / "trace.log";
    ASSERT_TRUE(TraceLogFileOpen(log.c_str(), 1, 0));
    LaunchProcess("client.exe", nullptr, TRUE, 0x12345);
    LaunchProcess("client.exe", nullptr, TRUE, HIGH_PRIORITY_CLASS);
    TraceLogFileClose();

    const std::string text = ReadWholeFile(log);
    EXPECT_NE(std::string::npos, text.find("Unsupported priority class 74565")) << text;
    EXPECT_NE(std::string::npos, text.find("clientlink/ClientSignal")) << text;
    EXPECT_EQ(text.find("Unsupported"), text.rfind("Unsupported")) << text;
    ASSERT_EQ(2u, platformCalls.processes.size());
    EXPECT_EQ(static_cast<DWORD>(NORMAL_PRIORITY_CLASS), platformCalls.processes[0].creationFlags);
    EXPECT_EQ(static_cast<DWORD>(HIGH_PRIORITY_CLASS), platformCalls.processes[1].creationFlags);
}

// A job that does not let its processes break away: creation with the flag is refused.
decltype(SystemCalls::CreateProcessA) creationBehindTheJob = nullptr;
std::vector<DWORD> refusedFlags;
BOOL WINAPI RefuseBreakingAway(LPCSTR applicationName, LPSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                               LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                               LPVOID environment, LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo,
                               LPPROCESS_INFORMATION processInfo)
{
    if (creationFlags & CREATE_BREAKAWAY_FROM_JOB) {
        refusedFlags.push_back(creationFlags);
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return creationBehindTheJob(applicationName, commandLine, processAttributes, threadAttributes, inheritHandles,
                                creationFlags, environment, currentDirectory, startupInfo, processInfo);
}

// The native messaging host's start of the client: none of the browser's pipes inherited, no
// console, and out of the browser's job where the job allows it, else in it.
TEST_F(LaunchProcessTest, ADetachedStartInheritsNothingAndLeavesTheJobWhereAllowed)
{
    ScriptedPlatform platformCalls;
    ASSERT_TRUE(LaunchProcess(ChildCommandLine(folder / "record1.txt"), nullptr, TRUE, NORMAL_PRIORITY_CLASS,
                              ClientStartStyle::detached));
    EXPECT_EQ("flags=1 show=0 priority=32", WaitForRecord(folder / "record1.txt"));
    ASSERT_EQ(1u, platformCalls.processes.size());
    EXPECT_EQ(FALSE, platformCalls.processes[0].inheritHandles);
    EXPECT_EQ(static_cast<DWORD>(NORMAL_PRIORITY_CLASS | DETACHED_PROCESS | CREATE_BREAKAWAY_FROM_JOB),
              platformCalls.processes[0].creationFlags);

    creationBehindTheJob = systemCalls.CreateProcessA;
    systemCalls.CreateProcessA = RefuseBreakingAway;
    refusedFlags.clear();
    ASSERT_TRUE(LaunchProcess(ChildCommandLine(folder / "record2.txt"), nullptr, TRUE, NORMAL_PRIORITY_CLASS,
                              ClientStartStyle::detached));
    EXPECT_EQ("flags=1 show=0 priority=32", WaitForRecord(folder / "record2.txt"));
    EXPECT_EQ(std::vector<DWORD>{NORMAL_PRIORITY_CLASS | DETACHED_PROCESS | CREATE_BREAKAWAY_FROM_JOB}, refusedFlags);
    ASSERT_EQ(2u, platformCalls.processes.size());
    EXPECT_EQ(FALSE, platformCalls.processes[1].inheritHandles);
    EXPECT_EQ(static_cast<DWORD>(NORMAL_PRIORITY_CLASS | DETACHED_PROCESS), platformCalls.processes[1].creationFlags);
}

using ClientStartWithChild = LaunchTest;

TEST_F(ClientStartWithChild, StartsTheClientHiddenAtNormalPriorityWithoutABox)
{
    ScriptedPlatform platformCalls;
    CKeyValueMap settings;
    settings.SetAt("ApplicationPath", ChildCommandLine(folder / "client.txt"));
    StartClientIfNeeded(settings);
    EXPECT_EQ("flags=1 show=0 priority=32", WaitForRecord(folder / "client.txt"));
    EXPECT_TRUE(platformCalls.messageBoxes.empty());
    EXPECT_EQ(1u, platformCalls.processes.size());
}

using RunningClientTest = ProductKeyTest;

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

using ClientStart = ProductKeyTest;

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

    EXPECT_TRUE(ShowsBoxes(platformCalls.messageBoxes,
                           {StartupBox("No ApplicationPath for starting the Tolvane Client application :\n"
                                       "Application Not Installed \nApplication path: \nInstance name: 970128")}));
    EXPECT_TRUE(platformCalls.processes.empty());
    EXPECT_EQ(1u, settings.GetCount());
}

// The command line's buffer holds 4095 characters: a longer path is a failed start without a call.
TEST_F(ClientStart, AProgramThatCannotStartShowsTheStartFailureBoxWithItsPath)
{
    struct Case {
        std::string path;
        bool reachesCreateProcess;
    };
    const std::vector<Case> cases = {
        {"", true},
        {"C:\\nowhere\\client.exe -quiet", true},
        {"C:\\" + std::string(4092, 'a'), true},
        {std::string(4096, 'x'), false},
        {"C:\\" + std::string(64 * 1024 - 3, 'a'), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.substr(0, 40) + " of " + std::to_string(c.path.size()) + " characters");
        ScriptedPlatform platformCalls;
        CKeyValueMap settings;
        settings.SetAt("ApplicationPath", c.path);
        StartClientIfNeeded(settings);

        ASSERT_EQ(c.reachesCreateProcess ? 1u : 0u, platformCalls.processes.size());
        if (c.reachesCreateProcess) {
            EXPECT_TRUE(c.path == platformCalls.processes[0].commandLine);
        }
        EXPECT_TRUE(ShowsBoxes(platformCalls.messageBoxes,
                               {StartupBox("Error starting the Tolvane Client application :\nApplication Not Installed "
                                           "\nApplication path: " + c.path + "\nInstance name: 970128")}));
    }
}

}  // namespace
