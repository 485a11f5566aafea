// The request-file parser and its three reports; request files a page may have delivered, of any
// size and with any bytes, clicked.
#include <gtest/gtest.h>

#include <string>

#include "diag/TraceLog.h"
#include "request/RequestFile.h"
#include "request/RequestText.h"
#include "support/Expectations.h"
#include "support/RequestRig.h"
#include "support/ScriptedPlatform.h"
#include "support/StatusTexts.h"
#include "support/TestFiles.h"
#include "support/TestText.h"

namespace {

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
    // The one box shown is the report with this text, logged first under line.
    ::testing::AssertionResult Reported(long line, const std::string& text)
    {
        ::testing::AssertionResult box = ShowsBoxes(shown.messageBoxes, {RequestWarningBox(text)});
        if (!box) return box;
        if (traceAtBox.find("ClientApp/VexoRequest, line " + std::to_string(line) + "\r\n... " + WithCrLf(text)) ==
            std::string::npos)
            return ::testing::AssertionFailure() << "not in the trace log when the box opened:\n" << traceAtBox;
        return ::testing::AssertionSuccess();
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
        // Nothing after the prefix: an empty request.
        {"vnxclient: \n", ""},
        {"vnxclient:\n", ""},
        {"vnxclient: ", ""},
        {"vnxclient:\r\n\r\n", ""},
        {"vnxclient:x", ""},
        {"some text vnxclient:", ""},
        // A key the plug-in checks, spelled so that only a client blind to letter case takes it for
        // that key: it would slip past the check.
        {"vnxclient: NAME=ab SERVERNAME=s1 Debug_Approved=YES\n", "NAME=ab SERVERNAME=s1 Debug_Approved=YES"},
        {"vnxclient: NAME=ab SERVERNAME=s1 file=C:\\x.txt\n", "NAME=ab SERVERNAME=s1 file=C:\\x.txt"},
        {"vnxclient: NAME=ab SERVERNAME=s1 TARGETPATH=C:\\x\n", "NAME=ab SERVERNAME=s1 TARGETPATH=C:\\x"},
        {"vnxclient: NAME=ab SERVERNAME=s1 upload=TRUE\n", "NAME=ab SERVERNAME=s1 upload=TRUE"},
        {"vnxclient: NAME=ab SERVERNAME=s1 Recipients=x\n", "NAME=ab SERVERNAME=s1 Recipients=x"},
        {"vnxclient: NAME=ab SERVERNAME=s1 destbasename=x\n", "NAME=ab SERVERNAME=s1 destbasename=x"},
        {"vnxclient: NAME=ab SERVERNAME=s1 DESTINITIALDIR=x\n", "NAME=ab SERVERNAME=s1 DESTINITIALDIR=x"},
    };
    for (const Case& c : cases) {
        shown.messageBoxes.clear();
        request.RemoveAll();
        EXPECT_FALSE(Parse(c.bytes)) << c.bytes;
        EXPECT_TRUE(Reported(182, "The request file appears to have bad request information. \n\t\tSorry! \n"
                                  "File submitted: " + requestPath + " \nRequest data: " + c.requestData))
            << c.bytes;
    }
    // The lost first letter leaves a key AME and NAME at its default.
    request.RemoveAll();
    Parse("vnxclient:NAME=ab SERVERNAME=s1\n");
    EXPECT_EQ("ab", Value("AME"));
    EXPECT_EQ("", Value("NAME"));
}

// A value the user could not be shown as what it is: the report names its field and why, and leaves
// out the request data that holds it.
TEST_F(RequestFile, AValueThatCannotBeShownIsReportedByItsField)
{
    const struct {
        std::string entry;
        const char* field;
        const char* why;
    } cases[] = {
        {"ORDER=\"a" + std::string(1, '\0') + "b\"", "ORDER", "it holds a NUL byte, which hides what follows it"},
        {"RECIPIENTS=\"ann\rbob\"", "RECIPIENTS", "it holds a control character (a tab, a line break or another)"},
        {"FILE=\"C:\\" + std::string(kLongestShownValue, 'f') + "\"", "FILE", "it is longer than 1024 bytes"},
        {"RECIPIENTS=\"ann   bob\"", "RECIPIENTS", "it holds more than two blanks in a row"},
        {"HTTPSERVERPORT=\"80\xAD\"", "HTTPSERVERPORT", "a port is a whole number from 1 to 65535"},
        {"SERVERNAME=\"srv evil.example\"", "SERVERNAME",
         "a server name holds no blank, only letters, digits and . - _ : [ ]"},
        {"RECIPIENTS=\"a\xA0" "b\"", "RECIPIENTS",
         "it holds a character that prints as nothing or as a blank other than the space"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        shown.messageBoxes.clear();
        request.RemoveAll();
        EXPECT_FALSE(Parse("vnxclient: NAME=ab SERVERNAME=s1 " + c.entry + "\n"));
        EXPECT_TRUE(Reported(182, std::string("The page's value of ") + c.field + " cannot be shown as it is: " +
                                      c.why + ". \nFile submitted: " + requestPath));
    }
}

// Each report says first who asked for it, when the browser told us.
TEST_F(RequestFile, AReportNamesWhoAsks)
{
    WriteWholeFile(requestPath, "vnxclient: NAME=a SERVERNAME=s1\n");
    EXPECT_FALSE(ParseVexoLoadRequestFile(requestPath, request, nullptr,
                                          DescribeRequestingSite("https://ads.example", "https://news.example")));
    EXPECT_TRUE(Reported(182, "Asked by https://ads.example, in a frame of https://news.example:\n"
                              "The request file appears to have bad request information. \n\t\tSorry! \n"
                              "File submitted: " + requestPath + " \nRequest data: NAME=a SERVERNAME=s1"));
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
        EXPECT_TRUE(Reported(130, "Request file has no request information. \n\t\tSorry! \nFile submitted: " +
                                      requestPath + " \nRequest data: " + stars + " \n" + c.fileText));
        EXPECT_EQ("PLAIN", Value("TYPE"));
        EXPECT_EQ("", Value("NAME"));
    }
}

TEST_F(RequestFile, UnreadableFileReportsTheMissingFile)
{
    for (const std::string& path : {folder / "missing.vnxclient", folder.path(), std::string()}) {
        shown.messageBoxes.clear();
        EXPECT_FALSE(ParseVexoLoadRequestFile(path, request)) << path;
        EXPECT_TRUE(Reported(109, "Internal processing message: \nThe request file appears not to exist: \n"
                                  "\t\tSorry! \nFile submitted: " + path));
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

// ---- Request files a page has delivered, clicked ----

const std::size_t k10MiB = 10 * 1024 * 1024;
const std::string kNoRequestOpening = "Request file has no request information. \n\t\tSorry! \nFile submitted: ";
const std::string kStars = "Request data: *-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*- \n";

class HostileRequestFile : public DispatchRig {
protected:
    std::string BadRequestText(const std::string& data) const
    {
        return "The request file appears to have bad request information. \n\t\tSorry! \nFile submitted: " +
               RequestFilePath() + " \nRequest data: " + data;
    }
    // The parser's report, then the dispatch's failure box; nothing submitted, nothing signalled.
    ::testing::AssertionResult RejectedWith(const std::string& parserText)
    {
        ::testing::AssertionResult boxes = ShowsBoxes(ui.messageBoxes, {RequestWarningBox(parserText), FailureBox()});
        if (!boxes) return boxes;
        if (LastStatus() != kFormatFailure) return ::testing::AssertionFailure() << "last status text " << LastStatus();
        if (!Submissions().empty()) return ::testing::AssertionFailure() << "submitted " << Submissions()[0];
        const std::string signal = ReadUserRegistryText(kSignalKey, "Value");
        if (signal != "<absent>") return ::testing::AssertionFailure() << "signal " << signal;
        return ::testing::AssertionSuccess();
    }
};

TEST_F(HostileRequestFile, LinesBeforeTheRequestAreSkippedUpToTheBound)
{
    InstallClient();
    const std::string request = "vnxclient: NAME=big.bin SERVERNAME=srv1 TYPE=RICH\n";
    const std::string filler = "filler text that is not a request, vnxclient without colon\r\n";
    std::string bytes;
    while (bytes.size() + filler.size() + request.size() <= kLargestRequestFile) bytes += filler;
    bytes += request;
    ClickRequestFile(bytes);

    EXPECT_EQ(kDone, LastStatus());
    EXPECT_TRUE(ui.messageBoxes.empty());
    EXPECT_EQ((std::multiset<std::string>{"NAME=\"big.bin\"", "SERVERNAME=\"srv1\"", "TYPE=\"RICH\"",
                                          "DestBaseName=\"big.bin\"", "DestInitialDir=\"C:\\old\\\""}),
              Lines(OnlySubmission()));
}

// Judged on its size alone: one byte over the bound, or ten mebibytes, and nothing of it is read.
TEST_F(HostileRequestFile, AFileLargerThanTheBoundIsRefusedUnread)
{
    InstallClient();
    const std::string request = "vnxclient: NAME=big.bin SERVERNAME=srv1 TYPE=RICH\n";
    for (std::size_t size : {kLargestRequestFile + 1, k10MiB}) {
        SCOPED_TRACE(size);
        ui.messageBoxes.clear();
        ClickRequestFile(request + std::string(size - request.size(), ' '));
        EXPECT_TRUE(RejectedWith(kNoRequestOpening + RequestFilePath() + " \n" + kStars + "(larger than " +
                                 std::to_string(kLargestRequestFile) + " bytes: not read)"));
    }
}

TEST_F(HostileRequestFile, ANameOfTheLongestShownLengthIsSubmittedWholeAndNotProposed)
{
    InstallClient();
    const std::string name(kLongestShownValue, 'v');
    ClickRequestFile("vnxclient: NAME=\"" + name + "\" SERVERNAME=srv1\n");
    ASSERT_EQ(1u, ui.fileDialogs.size());
    EXPECT_TRUE(AsksForFile(ui.fileDialogs[0], SaveAsDialog(window, "", "C:\\old\\")))
        << "a name that does not fit is left out";
    EXPECT_EQ(kCancelled, LastStatus()) << "the scripted dialog was cancelled";
    EXPECT_TRUE(Submissions().empty());

    ui.fileDialogAnswers = {std::string("C:\\dl\\v.bin")};
    ClickRequestFile("vnxclient: NAME=\"" + name + "\" SERVERNAME=srv1\n");
    EXPECT_EQ(kDone, LastStatus());
    const std::string body = OnlySubmission();
    EXPECT_EQ((std::multiset<std::string>{"NAME=\"" + name + "\"", "SERVERNAME=\"srv1\"", "TYPE=\"PLAIN\"",
                                          "DestBaseName=\"C:\\dl\\v.bin\"", "DestInitialDir=\"C:\\dl\"",
                                          "TargetPath=\"C:\\dl\\v.bin\""}),
              Lines(body));
}

TEST_F(HostileRequestFile, AFileOfTheBoundWithoutThePrefixIsShownAsTheWholeFileText)
{
    InstallClient();
    std::string bytes, fileText;
    while (bytes.size() + 24 <= kLargestRequestFile) {
        bytes += "no request on this line\n";
        fileText += "no request on this line\r\n";  // every LF becomes CR LF in the file text
    }
    ClickRequestFile(bytes);
    EXPECT_TRUE(RejectedWith(kNoRequestOpening + RequestFilePath() + " \n" + kStars + fileText));
}

// Before the prefix a NUL is just a byte; inside a value it would hide what follows from every box.
TEST_F(HostileRequestFile, NulBytesBeforeThePrefixAreSkipped)
{
    InstallClient();
    const std::string nul(1, '\0');
    ClickRequestFile("binary" + nul + "junk\nvnxclient: NAME=\"ab.bin\" SERVERNAME=srv1 TYPE=RICH\n");
    EXPECT_EQ(kDone, LastStatus());
    EXPECT_TRUE(ui.messageBoxes.empty());
    EXPECT_EQ((std::multiset<std::string>{"NAME=\"ab.bin\"", "SERVERNAME=\"srv1\"", "TYPE=\"RICH\"",
                                          "DestBaseName=\"ab.bin\"", "DestInitialDir=\"C:\\old\\\""}),
              Lines(OnlySubmission()));
}

TEST_F(HostileRequestFile, ANulInAnyValueIsABadRequest)
{
    InstallClient();
    const std::string nul(1, '\0');
    ClickRequestFile("vnxclient: NAME=ab.bin SERVERNAME=srv1 TYPE=RICH Note=\"x" + nul + "y\"\n");
    EXPECT_TRUE(RejectedWith("The page's value of Note cannot be shown as it is: it holds a NUL byte, which hides "
                             "what follows it. \nFile submitted: " + RequestFilePath()));
}

TEST_F(HostileRequestFile, ANulEndsNoBareValueSoATypeWithOneIsBad)
{
    InstallClient();
    const std::string nul(1, '\0');
    ClickRequestFile("vnxclient: NAME=pkg.bin SERVERNAME=srv1 TYPE=RICH" + nul + "\n");
    // The box takes a C string: its text ends at the NUL.
    EXPECT_TRUE(RejectedWith(BadRequestText("NAME=pkg.bin SERVERNAME=srv1 TYPE=RICH")));
}

TEST_F(HostileRequestFile, ANulInsideThePrefixHidesTheRequestAndCutsTheBoxText)
{
    InstallClient();
    const std::string nul(1, '\0');
    ClickRequestFile("vnx" + nul + "client: NAME=pkg.bin SERVERNAME=srv1\n");
    EXPECT_TRUE(RejectedWith(kNoRequestOpening + RequestFilePath() + " \n" + kStars + "vnx"));
}

// Every byte passes in a value the user is not shown; a shown one (NAME) takes every character of
// code page 1252 that prints as a mark, and no undefined one (0x81, 0x8D, 0x8F, 0x90, 0x9D), no
// no-break space (0xA0) and no soft hyphen (0xAD).
TEST_F(HostileRequestFile, BytesAboveAsciiPassInValuesButNotInKeys)
{
    InstallClient();
    std::string high, shown;
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        high += static_cast<char>(byte);
        if (std::string("\x81\x8D\x8F\x90\x9D\xA0\xAD").find(static_cast<char>(byte)) == std::string::npos)
            shown += static_cast<char>(byte);
    }
    ClickRequestFile("\xEF\xBB\xBF\xFF\xFE vnxclient:\xA0NAME=\"" + shown + "\" SERVERNAME=s\xE9rv TYPE=RICH NOTE=\"" +
                     high + "\"\n");

    EXPECT_EQ(kDone, LastStatus());
    EXPECT_EQ((std::multiset<std::string>{"NAME=\"" + shown + "\"", "SERVERNAME=\"s\xE9rv\"", "TYPE=\"RICH\"",
                                          "NOTE=\"" + high + "\"", "DestBaseName=\"" + shown + "\"",
                                          "DestInitialDir=\"C:\\old\\\""}),
              Lines(OnlySubmission()));
}

TEST_F(HostileRequestFile, AKeyWithAByteAboveAsciiIsABadRequest)
{
    InstallClient();
    ClickRequestFile("vnxclient: NAME=pkg.bin SERVERNAME=srv1 TYP\xC9=RICH\xA0\n");
    EXPECT_TRUE(RejectedWith(BadRequestText("NAME=pkg.bin SERVERNAME=srv1 TYP\xC9=RICH\xA0")));
}


}  // namespace
