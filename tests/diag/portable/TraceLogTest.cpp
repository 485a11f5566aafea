// The trace log: one header per opening, one entry per write with every line end as CR LF, entries
// and paths of any length, one log open at a time, whole entries from two threads.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "diag/TraceLog.h"
#include "support/TempFolder.h"
#include "win/SystemCalls.h"

namespace {

LocalStamp currentStamp;
LocalStamp FixedClock() { return currentStamp; }

std::string Header(const std::string& path, const std::string& date = "12/06/97",
                   const std::string& time = "15:14:13")
{
    return "TraceLogFileOpen at " + date + " " + time + ": " + path + " ...";
}

std::string Entry(const std::string& source, const std::string& line, const std::string& message,
                  const std::string& time = "15:14:13")
{
    return "LOGGED at 12/06/97 " + time + ": " + source + ", line " + line + "\r\n... " + message + "\r\n";
}

// The log is process-wide: every test starts and ends with it closed and the fixed clock in place.
class TraceLog : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(1, TraceLogFileClose());
        currentStamp = {"12/06/97", "15:14:13"};
        systemCalls.LocalNow = FixedClock;
    }
    void TearDown() override
    {
        TraceLogFileClose();
        systemCalls.LocalNow = realSystemCalls.LocalNow;
    }

    TempFolder folder;
    const std::string logPath = folder / "trace.log";
};

}  // namespace

TEST_F(TraceLog, OpeningWritesTheHeaderWithoutALineEnd)
{
    ASSERT_EQ(1, TraceLogFileOpen(logPath.c_str(), 0, 0));
    ASSERT_EQ(1, TraceLogFileClose());
    EXPECT_EQ(Header(logPath), ReadWholeFile(logPath));
}

TEST_F(TraceLog, EntryContinuesTheHeaderLine)
{
    ASSERT_EQ(1, TraceLogFileOpen(logPath.c_str(), 0, 0));
    EXPECT_EQ(1, TraceLogFileWrite("ClientApp/VexoRequest", 522, "a"));
    ASSERT_EQ(1, TraceLogFileClose());
    EXPECT_EQ(Header(logPath) + "LOGGED at 12/06/97 15:14:13: ClientApp/VexoRequest, line 522\r\n... a\r\n",
              ReadWholeFile(logPath));
}

TEST_F(TraceLog, EveryLineEndOfAMessageBecomesOneCrLf)
{
    ASSERT_EQ(1, TraceLogFileOpen(logPath.c_str(), 0, 0));
    EXPECT_EQ(1, TraceLogFileWrite("ClientApp/VexoRequest", 130,
                                   "Request file has no request information. \n\t\tSorry! \nFile submitted: x \n"
                                   "Request data: \r\nvnxclient\r: A=1\r\n"));
    EXPECT_EQ(1, TraceLogFileWrite("src", -7, "\n\nend"));
    ASSERT_EQ(1, TraceLogFileClose());
    EXPECT_EQ(Header(logPath) +
                  Entry("ClientApp/VexoRequest", "130",
                        "Request file has no request information. \r\n\t\tSorry! \r\nFile submitted: x \r\n"
                        "Request data: \r\nvnxclient\r: A=1\r\n") +
                  Entry("src", "-7", "\r\n\r\nend"),
              ReadWholeFile(logPath));
}

TEST_F(TraceLog, LongSourceNamesAndMessagesAreWrittenWhole)
{
    const std::string source(1000, 's');
    std::string message;
    for (int i = 0; i < 2000; ++i) message += "line\n";
    std::string expectedMessage;
    for (int i = 0; i < 2000; ++i) expectedMessage += "line\r\n";
    ASSERT_EQ(1, TraceLogFileOpen(logPath.c_str(), 1, 0));
    EXPECT_EQ(1, TraceLogFileWrite(source.c_str(), 2147483647L, message.c_str()));
    ASSERT_EQ(1, TraceLogFileClose());
    EXPECT_EQ(Header(logPath) + Entry(source, "2147483647", expectedMessage), ReadWholeFile(logPath));
}

TEST_F(TraceLog, MissingSourceOrMessageIsWrittenAsEmptyText)
{
    ASSERT_EQ(1, TraceLogFileOpen(logPath.c_str(), 0, 0));
    EXPECT_EQ(1, TraceLogFileWrite(nullptr, 1, nullptr));
    ASSERT_EQ(1, TraceLogFileClose());
    EXPECT_EQ(Header(logPath) + Entry("", "1", ""), ReadWholeFile(logPath));
    EXPECT_EQ(0, TraceLogFileOpen(nullptr, 0, 0));
}

TEST_F(TraceLog, ReopenModePutsEachEntryOnDiskUnderOneHeader)
{
    ASSERT_EQ(1, TraceLogFileOpen(logPath.c_str(), 0, 1));
    EXPECT_EQ(1, TraceLogFileWrite("first", 1, "one"));
    // Closed and reopened after the entry, so it is in the file while the log is still open.
    EXPECT_EQ(Header(logPath) + Entry("first", "1", "one"), ReadWholeFile(logPath));
    currentStamp.time = "15:14:14";
    EXPECT_EQ(1, TraceLogFileWrite("second", 2, "two"));
    EXPECT_EQ(Header(logPath) + Entry("first", "1", "one") + Entry("second", "2", "two", "15:14:14"),
              ReadWholeFile(logPath));
    EXPECT_EQ(1, TraceLogFileOpen(logPath.c_str(), 0, 0)) << "the reopened log is still the open one";
}

TEST_F(TraceLog, UnbufferedEntriesReachTheFileAtOnce)
{
    ASSERT_EQ(1, TraceLogFileOpen(logPath.c_str(), 1, 0));
    EXPECT_EQ(1, TraceLogFileWrite("f", 3, "now"));
    EXPECT_EQ(Header(logPath) + Entry("f", "3", "now"), ReadWholeFile(logPath));
}

TEST_F(TraceLog, OnlyOneLogIsOpenAtATime)
{
    const std::string otherPath = folder / "other.log";
    ASSERT_EQ(1, TraceLogFileOpen(logPath.c_str(), 0, 0));
    EXPECT_EQ(0, TraceLogFileOpen(otherPath.c_str(), 0, 0));
    EXPECT_EQ(1, TraceLogFileOpen(logPath.c_str(), 1, 1)) << "the same path again";
    EXPECT_EQ(1, TraceLogFileWrite("f", 4, "x"));
    ASSERT_EQ(1, TraceLogFileClose());
    EXPECT_EQ(Header(logPath) + Entry("f", "4", "x"), ReadWholeFile(logPath))
        << "no second header, and the flags of the repeated open were ignored";
    EXPECT_FALSE(FileExists(otherPath));
}

TEST_F(TraceLog, ClosingAndOpeningAgainAppendsANewHeader)
{
    ASSERT_EQ(1, TraceLogFileOpen(logPath.c_str(), 0, 0));
    EXPECT_EQ(1, TraceLogFileWrite("f", 5, "before"));
    ASSERT_EQ(1, TraceLogFileClose());
    currentStamp = {"01/02/98", "00:00:01"};
    ASSERT_EQ(1, TraceLogFileOpen(logPath.c_str(), 0, 0));
    ASSERT_EQ(1, TraceLogFileClose());
    EXPECT_EQ(Header(logPath) + Entry("f", "5", "before") + Header(logPath, "01/02/98", "00:00:01"),
              ReadWholeFile(logPath));
}

TEST_F(TraceLog, AClosedLogWritesNothing)
{
    EXPECT_EQ(1, TraceLogFileClose());
    EXPECT_EQ(1, TraceLogFileClose());
    EXPECT_EQ(1, TraceLogFileWrite("f", 6, "dropped"));

    ASSERT_EQ(1, TraceLogFileOpen(logPath.c_str(), 0, 0));
    ASSERT_EQ(1, TraceLogFileClose());
    ASSERT_TRUE(std::remove(logPath.c_str()) == 0);
    EXPECT_EQ(1, TraceLogFileWrite("f", 7, "dropped"));
    EXPECT_FALSE(FileExists(logPath));
}

TEST_F(TraceLog, AFileThatCannotBeOpenedLeavesTheLogClosed)
{
    const std::string unreachable = TempFolder::Join(folder / "no such folder", "trace.log");
    EXPECT_EQ(0, TraceLogFileOpen(unreachable.c_str(), 0, 0));
    EXPECT_EQ(1, TraceLogFileWrite("f", 8, "dropped"));
    ASSERT_EQ(1, TraceLogFileOpen(logPath.c_str(), 0, 0)) << "another path opens, so nothing was open";
}

TEST_F(TraceLog, APathLongerThanItsBufferIsRefused)
{
    // A valid path of more than 2047 bytes: "." components keep it inside the folder.
    std::string longPath = folder.path();
    while (longPath.size() < 2048) longPath = TempFolder::Join(longPath, ".");
    longPath = TempFolder::Join(longPath, "trace.log");
    EXPECT_EQ(0, TraceLogFileOpen(longPath.c_str(), 0, 0));
    EXPECT_EQ(0, TraceLogFileOpen(std::string(2048, 'L').c_str(), 0, 0)) << "a name of 2048 bytes";
    EXPECT_FALSE(FileExists(logPath));
    EXPECT_EQ(1, TraceLogFileWrite("f", 9, "dropped"));
    EXPECT_FALSE(FileExists(logPath));
}

TEST_F(TraceLog, EntriesFromTwoThreadsDoNotInterleave)
{
    ASSERT_EQ(1, TraceLogFileOpen(logPath.c_str(), 1, 0));
    auto writer = [](const char* source) {
        for (int i = 0; i < 200; ++i) TraceLogFileWrite(source, i, "a message\nof two lines");
    };
    std::thread first(writer, "first");
    std::thread second(writer, "second");
    first.join();
    second.join();
    ASSERT_EQ(1, TraceLogFileClose());

    std::string rest = ReadWholeFile(logPath);
    ASSERT_EQ(0u, rest.find(Header(logPath)));
    rest.erase(0, Header(logPath).size());
    int nextLine[2] = {0, 0};
    while (!rest.empty()) {
        const bool isFirst = rest.compare(0, 30, "LOGGED at 12/06/97 15:14:13: f") == 0;
        const std::string expected =
            Entry(isFirst ? "first" : "second", std::to_string(nextLine[isFirst ? 0 : 1]++),
                  "a message\r\nof two lines");
        ASSERT_EQ(expected, rest.substr(0, expected.size()));
        rest.erase(0, expected.size());
    }
    EXPECT_EQ(200, nextLine[0]);
    EXPECT_EQ(200, nextLine[1]);
}
