// Submission files: their names, their exact bytes and how they reach their final name.
#include <gtest/gtest.h>

#include <ctime>
#include <memory>
#include <set>
#include <string>

#include "request/SubmissionFile.h"
#include "support/TestFiles.h"
#include "win/Owned.h"
#include "win/SystemCalls.h"

namespace {

UtcTime fixedTime{1000000000u, 5};  // names 0d4a51005
UtcTime FixedClock() { return fixedTime; }

// The writer's temporary name at 0d4a51005 in this process, at the given try.
std::string TemporaryName(unsigned attempt)
{
    char name[64];
    snprintf(name, sizeof name, "0d4a51005-%08lx-%u.tmp", static_cast<unsigned long>(GetCurrentProcessId()), attempt);
    return name;
}

std::set<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names = FileNamesIn(folder);
    return std::set<std::string>(names.begin(), names.end());
}

// Runs the writer and hands back the file exception it raised, or null.
std::unique_ptr<CFileException> WriteExpectingError(CKeyValueMap& settings, CKeyValueMap& request)
{
    try {
        WriteSubmissionFile(settings, request);
    } catch (const CFileException& error) {
        return std::unique_ptr<CFileException>(new CFileException(error));
    }
    return nullptr;
}

class SubmissionFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        systemCalls.UtcNow = FixedClock;
        fixedTime = {1000000000u, 5};
        settings["LoadRequestDir"] = folder.path();
    }
    void TearDown() override { systemCalls.UtcNow = realSystemCalls.UtcNow; }

    TempFolder folder;
    CKeyValueMap settings;
    CKeyValueMap request;
};

TEST(TimeName, NineHexDigitsOfTheMillisecondsModulo2To32)
{
    EXPECT_EQ("0d4a51005", FormatTimeName("", 1000000000u, 5));
    EXPECT_EQ("0ffffffff", FormatTimeName("", 4294967u, 295));
    EXPECT_EQ("000000000", FormatTimeName("", 4294967u, 296));
    EXPECT_EQ("000000001", FormatTimeName(nullptr, 0, 1));
    EXPECT_EQ("req0000003e8", FormatTimeName("req", 1, 0));
}

TEST(TimeName, MakeTimeNameReadsTheClock)
{
    systemCalls.UtcNow = FixedClock;
    fixedTime = {4294967u, 296};
    EXPECT_EQ("000000000", MakeTimeName(""));
    EXPECT_EQ("p000000000", MakeTimeName("p"));
    systemCalls.UtcNow = realSystemCalls.UtcNow;

    // The real clock: within a minute of time() in milliseconds, modulo 2^32.
    const std::uint32_t expected = static_cast<std::uint32_t>(std::time(nullptr)) * 1000u;
    const std::string name = MakeTimeName(nullptr);
    ASSERT_EQ(9u, name.size());
    const std::uint32_t value = static_cast<std::uint32_t>(std::stoul(name, nullptr, 16));
    EXPECT_LT(static_cast<std::uint32_t>(value - expected + 60000u), 120000u) << name;
}

TEST_F(SubmissionFile, EntriesAreQuotedLinesEndedByLineFeed)
{
    request["BLANKS"] = "   ";
    request["CRLF"] = "x\r\ny";
    request["EMPTY"] = "";
    request["NAME"] = "a\"b";
    request["Q"] = "\"";
    WriteSubmissionFile(settings, request);

    EXPECT_EQ(std::set<std::string>{"0d4a51005.vnxsubmit"}, FilesIn(folder.path()));
    EXPECT_EQ("BLANKS=\"   \"\nCRLF=\"x\r\ny\"\nNAME=\"a\"\"b\"\nQ=\"\"\"\"\n",
              ReadWholeFile(folder / "0d4a51005.vnxsubmit"));
}

TEST_F(SubmissionFile, EmptyValuesAreLeftOutAndAnEmptyMapGivesAnEmptyFile)
{
    request["NAME"] = "x1";
    request["TYPE"] = "RICH";
    request["SERVERNAME"] = "";
    WriteSubmissionFile(settings, request);
    EXPECT_EQ("NAME=\"x1\"\nTYPE=\"RICH\"\n", ReadWholeFile(folder / "0d4a51005.vnxsubmit"));

    fixedTime.milliseconds = 6;
    CKeyValueMap empty;
    WriteSubmissionFile(settings, empty);
    EXPECT_TRUE(FileExists(folder / "0d4a51006.vnxsubmit"));
    EXPECT_EQ("", ReadWholeFile(folder / "0d4a51006.vnxsubmit"));
}

TEST_F(SubmissionFile, BodyLargerThanTheArchiveBufferIsWrittenWhole)
{
    std::string value;
    for (int i = 0; i < 3000; ++i) value += "ab\"";
    request["BIG"] = value;
    WriteSubmissionFile(settings, request);
    std::string quoted;
    for (int i = 0; i < 3000; ++i) quoted += "ab\"\"";
    EXPECT_EQ("BIG=\"" + quoted + "\"\n", ReadWholeFile(folder / "0d4a51005.vnxsubmit"));
}

// Another browser process clicking in the same millisecond, or one that stopped while writing:
// a file of any temporary name is never taken over (its rename would carry off the wrong request),
// even one held open for writing, shared or not, nor is a directory of that name; the writer takes
// the next name of its own.
TEST_F(SubmissionFile, AFileOrDirectoryAtATemporaryNameIsNeverTakenOver)
{
    WriteWholeFile(folder / "0d4a51005.tmp", std::string(100, 'z'));
    OwnedFile other(CreateFileA((folder / TemporaryName(0)).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(other);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(other.get(), "other", 5, &written, nullptr));
    request["NAME"] = "x1";
    WriteSubmissionFile(settings, request);
    other.reset();
    EXPECT_EQ((std::set<std::string>{"0d4a51005.tmp", TemporaryName(0), "0d4a51005.vnxsubmit"}), FilesIn(folder.path()));
    EXPECT_EQ("NAME=\"x1\"\n", ReadWholeFile(folder / "0d4a51005.vnxsubmit"));
    EXPECT_EQ(std::string(100, 'z'), ReadWholeFile(folder / "0d4a51005.tmp"));
    EXPECT_EQ("other", ReadWholeFile(folder / TemporaryName(0)));

    ASSERT_TRUE(DeleteFileA((folder / TemporaryName(0)).c_str()));
    ASSERT_TRUE(CreateDirectoryA((folder / TemporaryName(0)).c_str(), nullptr));
    request["NAME"] = "x2";
    WriteSubmissionFile(settings, request);
    EXPECT_EQ("NAME=\"x2\"\n", ReadWholeFile(folder / "0d4a51006.vnxsubmit"));
    EXPECT_TRUE(RemoveDirectoryA((folder / TemporaryName(0)).c_str())) << "the directory stays as it was";

    OwnedFile held(CreateFileA((folder / TemporaryName(0)).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    request["NAME"] = "x3";
    WriteSubmissionFile(settings, request);
    held.reset();
    EXPECT_EQ("NAME=\"x3\"\n", ReadWholeFile(folder / "0d4a51007.vnxsubmit"));
    EXPECT_EQ("", ReadWholeFile(folder / TemporaryName(0))) << "the file held without sharing stays as it was";
}

// A waiting submission is never replaced, and the new one is not left under ".tmp".
TEST_F(SubmissionFile, TakenFinalNameMovesOnToTheNextFreeName)
{
    WriteWholeFile(folder / "0d4a51005.vnxsubmit", "earlier\n");
    WriteWholeFile(folder / "0d4a51006.vnxsubmit", "earlier too\n");
    request["NAME"] = "x1";
    WriteSubmissionFile(settings, request);
    request["NAME"] = "x2";
    WriteSubmissionFile(settings, request);  // the same millisecond again

    EXPECT_EQ((std::set<std::string>{"0d4a51005.vnxsubmit", "0d4a51006.vnxsubmit",
                                     "0d4a51007.vnxsubmit", "0d4a51008.vnxsubmit"}),
              FilesIn(folder.path()));
    EXPECT_EQ("earlier\n", ReadWholeFile(folder / "0d4a51005.vnxsubmit"));
    EXPECT_EQ("earlier too\n", ReadWholeFile(folder / "0d4a51006.vnxsubmit"));
    EXPECT_EQ("NAME=\"x1\"\n", ReadWholeFile(folder / "0d4a51007.vnxsubmit"));
    EXPECT_EQ("NAME=\"x2\"\n", ReadWholeFile(folder / "0d4a51008.vnxsubmit"));

    // A directory that holds the next final name is passed over like a file.
    ASSERT_TRUE(CreateDirectoryA((folder / "0d4a51009.vnxsubmit").c_str(), nullptr));
    request["NAME"] = "x3";
    WriteSubmissionFile(settings, request);
    EXPECT_EQ("NAME=\"x3\"\n", ReadWholeFile(folder / "0d4a5100a.vnxsubmit"));
    EXPECT_TRUE(RemoveDirectoryA((folder / "0d4a51009.vnxsubmit").c_str()));
}

TEST_F(SubmissionFile, NameWrapsPastFfffffffWhenTaken)
{
    fixedTime = {4294967u, 295};
    WriteWholeFile(folder / "0ffffffff.vnxsubmit", "earlier\n");
    request["NAME"] = "x1";
    WriteSubmissionFile(settings, request);
    EXPECT_EQ("NAME=\"x1\"\n", ReadWholeFile(folder / "000000000.vnxsubmit"));
}

TEST_F(SubmissionFile, NoFreeFinalNameIsAFileErrorAndLeavesNoTemporaryFile)
{
    for (std::uint32_t value = 0xd4a51005u; value < 0xd4a51005u + 1000u; ++value) {
        char name[32];
        snprintf(name, sizeof name, "%09lx.vnxsubmit", static_cast<unsigned long>(value));
        WriteWholeFile(folder / name, "earlier\n");
    }
    request["NAME"] = "x1";
    std::unique_ptr<CFileException> error = WriteExpectingError(settings, request);
    ASSERT_TRUE(error);
    EXPECT_TRUE(error->osError == ERROR_ALREADY_EXISTS || error->osError == ERROR_FILE_EXISTS) << error->osError;
    EXPECT_EQ(folder / "0d4a51005.vnxsubmit", error->path);
    EXPECT_EQ(1000u, FilesIn(folder.path()).size());
    EXPECT_FALSE(FileExists(folder / "0d4a51005.tmp"));
    EXPECT_EQ("earlier\n", ReadWholeFile(folder / "0d4a51005.vnxsubmit"));
    EXPECT_EQ("earlier\n", ReadWholeFile(folder / "0d4a513ec.vnxsubmit"));
}

// Without the check the file would go to the root of the current drive.
TEST_F(SubmissionFile, EmptyOrAbsentRequestDirectoryIsAFileError)
{
    request["NAME"] = "x1";
    settings["LoadRequestDir"] = "";
    std::unique_ptr<CFileException> error = WriteExpectingError(settings, request);
    ASSERT_TRUE(error);
    EXPECT_EQ(static_cast<unsigned long>(ERROR_PATH_NOT_FOUND), error->osError);

    CKeyValueMap noDirectory;
    error = WriteExpectingError(noDirectory, request);
    ASSERT_TRUE(error);
    EXPECT_EQ(static_cast<unsigned long>(ERROR_PATH_NOT_FOUND), error->osError);
    EXPECT_EQ(0u, noDirectory.GetCount()) << "the settings must not gain the key";
    EXPECT_FALSE(FileExists("\\" + TemporaryName(0)));
    EXPECT_FALSE(FileExists("\\0d4a51005.vnxsubmit"));
}

TEST_F(SubmissionFile, TemporaryFileThatCannotBeCreatedIsAFileError)
{
    request["NAME"] = "x1";
    settings["LoadRequestDir"] = folder / "missing";
    std::unique_ptr<CFileException> error = WriteExpectingError(settings, request);
    ASSERT_TRUE(error);
    EXPECT_EQ(static_cast<unsigned long>(ERROR_PATH_NOT_FOUND), error->osError);
    EXPECT_EQ(folder / "missing\\" + TemporaryName(0), error->path);
}

BOOL WINAPI WriteFailsForLackOfSpace(HANDLE, LPCVOID, DWORD, LPDWORD written, LPOVERLAPPED)
{
    *written = 0;
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

BOOL WINAPI WriteStopsHalfway(HANDLE file, LPCVOID bytes, DWORD size, LPDWORD written, LPOVERLAPPED overlapped)
{
    return ::WriteFile(file, bytes, size / 2, written, overlapped);
}

// A write that fails once the temporary file exists leaves no ".tmp" behind: the client never
// reads one, and nothing else would ever remove it.
TEST_F(SubmissionFile, AWriteThatFailsLeavesNoTemporaryFile)
{
    request["NAME"] = std::string(10000, 'n');  // more than one archive buffer
    for (auto write : {WriteFailsForLackOfSpace, WriteStopsHalfway}) {
        systemCalls.WriteFile = write;
        std::unique_ptr<CFileException> error = WriteExpectingError(settings, request);
        systemCalls.WriteFile = ::WriteFile;
        ASSERT_TRUE(error);
        EXPECT_EQ(static_cast<unsigned long>(ERROR_DISK_FULL), error->osError);
        EXPECT_EQ(folder / TemporaryName(0), error->path);
        EXPECT_EQ(std::set<std::string>{}, FilesIn(folder.path()));
    }
}

}  // namespace
