// The request-file parser, its three reports and the field checks.
#include <gtest/gtest.h>

#include <string>

#include "request/RequestFile.h"
#include "request/RequestText.h"
#include "request/SaveFlow.h"
#include "request/SubmissionFile.h"
#include "request/UploadFlow.h"
#include "diag/TraceLog.h"
#include "support/ScriptedPlatform.h"
#include "support/TestFiles.h"
#include "support/TestText.h"

namespace {

const UINT kWarningStyle = MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND | MB_TOPMOST;

class RequestFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        tracePath = folder / "trace.log";
        ASSERT_EQ(1, TraceLogFileOpen(tracePath.c_str(), 1, 0));
        // The trace entry must be on disk before the box opens.
        shown.whileShown = [this] { traceAtBox = ReadWholeFile(tracePath); };
    }
    void TearDown() override { TraceLogFileClose(); }

    BOOL Parse(const std::string& bytes)
    {
        WriteWholeFile(requestPath, bytes);
        return ParseVexoLoadRequestFile(requestPath, request);
    }
    std::string Value(const std::string& key)
    {
        std::string value = "<absent>";
        request.Lookup(key, value);
        return value;
    }
    // The one box shown, with the style and caption of every report, logged first under line.
    std::string ReportedText(long line)
    {
        EXPECT_EQ(1u, shown.messageBoxes.size());
        if (shown.messageBoxes.size() != 1) return "<none>";
        const MessageBoxCall& box = shown.messageBoxes[0];
        EXPECT_EQ(nullptr, box.owner);
        EXPECT_EQ("Tolvane Message ", box.caption);
        EXPECT_EQ(kWarningStyle, box.style);
        EXPECT_NE(std::string::npos,
                  traceAtBox.find("ClientApp/VexoRequest, line " + std::to_string(line) + "\r\n... " +
                                  WithCrLf(box.text)))
            << "trace log when the box opened:\n" << traceAtBox;
        return box.text;
    }

    TempFolder folder;
    std::string tracePath;
    std::string requestPath = folder / "request.vnxclient";
    CKeyValueMap request;
    ScriptedPlatform shown;
    std::string traceAtBox;
};

TEST_F(RequestFile, OneLineRequestFillsTheMapWithEveryEntry)
{
    EXPECT_TRUE(Parse("vnxclient: NAME=pkg.zip SERVERNAME=srv1 TYPE=RICH SERVERPORT=\"609\"\n"));
    EXPECT_EQ("pkg.zip", Value("NAME"));
    EXPECT_EQ("srv1", Value("SERVERNAME"));
    EXPECT_EQ("RICH", Value("TYPE"));
    EXPECT_EQ("609", Value("SERVERPORT"));
    EXPECT_EQ(4u, request.GetCount());
    EXPECT_TRUE(shown.messageBoxes.empty());
}

TEST_F(RequestFile, TypeDefaultsToPlain)
{
    EXPECT_TRUE(Parse("vnxclient: NAME=ab SERVERNAME=s1"));
    EXPECT_EQ("PLAIN", Value("TYPE"));
    EXPECT_EQ("ab", Value("NAME"));
}

TEST_F(RequestFile, PrefixMayStandAnywhereAndOnlyItsLineCounts)
{
    struct Case {
        const char* bytes;
        const char* name;
    } cases[] = {
        {"vnxclient:\r\nNAME=next SERVERNAME=s1\r\nNAME=third\r\n", "next"},
        {"vnxclient:\nNAME=next SERVERNAME=s1\nNAME=third\n", "next"},
        {"<embed> vnxclient: NAME=after SERVERNAME=s1", "after"},
        {"line one\r\nline two\nvnxclient:\tNAME=later SERVERNAME=s1\n", "later"},
        {"vnxclient: NAME=first SERVERNAME=s1\nvnxclient: NAME=second SERVERNAME=s1\n", "first"},
    };
    for (const Case& c : cases) {
        request.RemoveAll();
        EXPECT_TRUE(Parse(c.bytes)) << c.bytes;
        EXPECT_EQ(c.name, Value("NAME")) << c.bytes;
        EXPECT_EQ("s1", Value("SERVERNAME")) << c.bytes;
    }
    EXPECT_TRUE(shown.messageBoxes.empty());
}

TEST_F(RequestFile, LfAndCrLfFilesGiveTheSameMap)
{
    ASSERT_TRUE(Parse("x\nvnxclient: NAME=\"a b\" SERVERNAME=s1 Q=\"1\"\"2\"\n"));
    CKeyValueMap fromLf = request;
    request.RemoveAll();
    ASSERT_TRUE(Parse("x\r\nvnxclient: NAME=\"a b\" SERVERNAME=s1 Q=\"1\"\"2\"\r\n"));
    EXPECT_TRUE(std::equal(fromLf.begin(), fromLf.end(), request.begin(), request.end()));
    EXPECT_EQ("1\"2", Value("Q"));
}

TEST_F(RequestFile, BadRequestInformationShowsTheTrimmedRequestData)
{
    struct Case {
        const char* bytes;
        const char* requestData;
    } cases[] = {
        // The character after the colon is skipped whatever it is.
        {"vnxclient:NAME=ab SERVERNAME=s1\n", "AME=ab SERVERNAME=s1"},
        {"vnxclient: NAME=a SERVERNAME=s1  \n", "NAME=a SERVERNAME=s1"},
        {"vnxclient: NAME=ab SERVERNAME=s\n", "NAME=ab SERVERNAME=s"},
        {"vnxclient: NAME=ab SERVERNAME=s1 TYPE=rich\n", "NAME=ab SERVERNAME=s1 TYPE=rich"},
        {"vnxclient: NAME=\"ab SERVERNAME=s1\n", "NAME=\"ab SERVERNAME=s1"},
        {"vnxclient: \n", ""},
        // A key the plug-in checks, spelled so that only a client blind to letter case takes it for
        // that key: it would slip past the check.
        {"vnxclient: NAME=ab SERVERNAME=s1 Debug_Approved=YES\n", "NAME=ab SERVERNAME=s1 Debug_Approved=YES"},
        {"vnxclient: NAME=ab SERVERNAME=s1 file=C:\\x.txt\n", "NAME=ab SERVERNAME=s1 file=C:\\x.txt"},
        {"vnxclient: NAME=ab SERVERNAME=s1 TARGETPATH=C:\\x\n", "NAME=ab SERVERNAME=s1 TARGETPATH=C:\\x"},
        {"vnxclient: NAME=ab SERVERNAME=s1 upload=TRUE\n", "NAME=ab SERVERNAME=s1 upload=TRUE"},
        {"vnxclient: NAME=ab SERVERNAME=s1 Recipients=x\n", "NAME=ab SERVERNAME=s1 Recipients=x"},
        {"vnxclient: NAME=ab SERVERNAME=s1 destbasename=x\n", "NAME=ab SERVERNAME=s1 destbasename=x"},
        {"vnxclient: NAME=ab SERVERNAME=s1 DESTINITIALDIR=x\n", "NAME=ab SERVERNAME=s1 DESTINITIALDIR=x"},
        // A shown value holding a character that prints as nothing or as a plain space.
        {"vnxclient: NAME=ab SERVERNAME=s1 RECIPIENTS=\"a\xA0b\"\n", "NAME=ab SERVERNAME=s1 RECIPIENTS=\"a\xA0b\""},
        {"vnxclient: NAME=ab SERVERNAME=s1 HTTPSERVERPORT=\"80\xAD\"\n", "NAME=ab SERVERNAME=s1 HTTPSERVERPORT=\"80\xAD\""},
    };
    for (const Case& c : cases) {
        shown.messageBoxes.clear();
        request.RemoveAll();
        EXPECT_FALSE(Parse(c.bytes)) << c.bytes;
        EXPECT_EQ("The request file appears to have bad request information. \n\t\tSorry! \n"
                  "File submitted: " + requestPath + " \nRequest data: " + c.requestData,
                  ReportedText(182))
            << c.bytes;
    }
    // The lost first letter leaves a key AME and NAME at its default.
    request.RemoveAll();
    Parse("vnxclient:NAME=ab SERVERNAME=s1\n");
    EXPECT_EQ("ab", Value("AME"));
    EXPECT_EQ("", Value("NAME"));
}

TEST_F(RequestFile, FileWithoutTheExactPrefixShowsTheWholeFileText)
{
    std::string stars;
    for (int pair = 0; pair < 29; ++pair) stars += "*-";
    struct Case {
        const char* bytes;
        const char* fileText;
    } cases[] = {
        {"VNXCLIENT: NAME=ab SERVERNAME=s1\nmore\n", "VNXCLIENT: NAME=ab SERVERNAME=s1\r\nmore\r\n"},
        {"", ""},
    };
    for (const Case& c : cases) {
        shown.messageBoxes.clear();
        EXPECT_FALSE(Parse(c.bytes));
        EXPECT_EQ("Request file has no request information. \n\t\tSorry! \nFile submitted: " +
                      requestPath + " \nRequest data: " + stars + " \n" + c.fileText,
                  ReportedText(130));
        EXPECT_EQ("PLAIN", Value("TYPE"));
        EXPECT_EQ("", Value("NAME"));
    }
}

TEST_F(RequestFile, UnreadableFileReportsTheMissingFile)
{
    for (const std::string& path : {folder / "missing.vnxclient", folder.path(), std::string()}) {
        shown.messageBoxes.clear();
        EXPECT_FALSE(ParseVexoLoadRequestFile(path, request)) << path;
        EXPECT_EQ("Internal processing message: \nThe request file appears not to exist: \n"
                  "\t\tSorry! \nFile submitted: " + path,
                  ReportedText(109));
    }
}

TEST(ReadTextFile, JoinsTheBytesOfAnyLengthIntoCrLfLines)
{
    TempFolder folder;
    std::string longLine(5000, 'x');
    WriteWholeFile(folder / "f", longLine + "\nb\rc\r\n\x1a" "d");
    std::string text = "old";
    ReadTextFile(folder / "f", text);
    EXPECT_EQ(longLine + "\r\nb\rc\r\n\x1a" "d\r\n", text);
}

TEST(ReadTextFile, MissingFileRaisesTheFileException)
{
    TempFolder folder;
    std::string text = "old";
    try {
        ReadTextFile(folder / "none", text);
        FAIL() << "no exception";
    } catch (const CFileException& error) {
        EXPECT_EQ(static_cast<unsigned long>(ERROR_FILE_NOT_FOUND), error.osError);
        EXPECT_EQ(folder / "none", error.path);
    }
    EXPECT_EQ("", text);
}

TEST(FieldChecks, CountBytesAndCompareTypeExactly)
{
    CKeyValueMap request;
    EXPECT_FALSE(IsValidName(request));
    EXPECT_FALSE(IsValidServerName(request));
    EXPECT_FALSE(IsValidType(request));
    EXPECT_EQ(0u, request.GetCount()) << "a check must not add the key it reads";

    request["NAME"] = "a";
    request["SERVERNAME"] = "b";
    EXPECT_FALSE(IsValidName(request));
    EXPECT_FALSE(IsValidServerName(request));
    request["NAME"] = "ab";
    request["SERVERNAME"] = "\xe9\xe9";
    EXPECT_TRUE(IsValidName(request));
    EXPECT_TRUE(IsValidServerName(request));

    for (const char* type : {"PLAIN", "RICH"}) {
        request["TYPE"] = type;
        EXPECT_TRUE(IsValidType(request)) << type;
    }
    for (const char* type : {"plain", "Rich", "PLAIN ", "", "RICHER"}) {
        request["TYPE"] = type;
        EXPECT_FALSE(IsValidType(request)) << type;
    }
}

}  // namespace
