// Request files a page may stream: ten mebibytes, NUL bytes, bytes above 0x7F, a prefix with
// nothing after it.
#include "hostile/HostileSupport.h"

#include "request/RequestText.h"

namespace {

const std::size_t k10MiB = 10 * 1024 * 1024;
const std::string kNoRequestOpening = "Request file has no request information. \n\t\tSorry! \nFile submitted: ";
const std::string kStars = "Request data: *-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*-*- \n";

class HostileRequestFile : public PluginHost {
protected:
    std::string RequestPath() const { return requestDir.path() + "-request.vnxclient"; }
    std::string BadRequestText(const std::string& data) const
    {
        return "The request file appears to have bad request information. \n\t\tSorry! \nFile submitted: " +
               RequestPath() + " \nRequest data: " + data;
    }
    // The parser's one box and the dispatch's, the format failure, nothing submitted.
    void ExpectRejectedWith(const std::string& parserText)
    {
        ASSERT_EQ(2u, ui.messageBoxes.size());
        EXPECT_EQ("Tolvane Message ", ui.messageBoxes[0].caption);
        EXPECT_EQ(parserText.size(), ui.messageBoxes[0].text.size());
        EXPECT_TRUE(parserText == ui.messageBoxes[0].text) << "the parser's box text differs";
        EXPECT_EQ("Error", ui.messageBoxes[1].caption);
        EXPECT_EQ(kFormatFailure, LastStatus());
        EXPECT_TRUE(Submissions().empty());
        EXPECT_EQ("<absent>", ReadUserRegistryText(kSignalKey, "Value"));
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
        ExpectRejectedWith(kNoRequestOpening + RequestPath() + " \n" + kStars + "(larger than " +
                           std::to_string(kLargestRequestFile) + " bytes: not read)");
        table.destroy(&npp, nullptr);
        DestroyWindow(window);
        window = nullptr;
    }
}

TEST_F(HostileRequestFile, ANameOfTheLongestShownLengthIsSubmittedWholeAndNotProposed)
{
    InstallClient();
    const std::string name(kLongestShownValue, 'v');
    ClickRequestFile("vnxclient: NAME=\"" + name + "\" SERVERNAME=srv1\n");
    ASSERT_EQ(1u, ui.fileDialogs.size());
    EXPECT_EQ("", ui.fileDialogs[0].initialFile) << "a name that does not fit is left out";
    EXPECT_EQ(kCancelled, LastStatus()) << "the scripted dialog was cancelled";
    EXPECT_TRUE(Submissions().empty());

    table.destroy(&npp, nullptr);
    DestroyWindow(window);
    window = nullptr;
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
    ExpectRejectedWith(kNoRequestOpening + RequestPath() + " \n" + kStars + fileText);
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
    const std::string data = "NAME=ab.bin SERVERNAME=srv1 TYPE=RICH Note=\"x" + nul + "y\"";
    ClickRequestFile("vnxclient: " + data + "\n");
    // The refusal shows the request data up to the NUL, where every box text ends.
    ExpectRejectedWith(BadRequestText(data.substr(0, data.find('\0'))));
}

TEST_F(HostileRequestFile, ANulEndsNoBareValueSoATypeWithOneIsBad)
{
    InstallClient();
    const std::string nul(1, '\0');
    ClickRequestFile("vnxclient: NAME=pkg.bin SERVERNAME=srv1 TYPE=RICH" + nul + "\n");
    // The box takes a C string: its text ends at the NUL.
    ExpectRejectedWith(BadRequestText("NAME=pkg.bin SERVERNAME=srv1 TYPE=RICH"));
}

TEST_F(HostileRequestFile, ANulInsideThePrefixHidesTheRequestAndCutsTheBoxText)
{
    InstallClient();
    const std::string nul(1, '\0');
    ClickRequestFile("vnx" + nul + "client: NAME=pkg.bin SERVERNAME=srv1\n");
    ExpectRejectedWith(kNoRequestOpening + RequestPath() + " \n" + kStars + "vnx");
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
    ExpectRejectedWith(BadRequestText("NAME=pkg.bin SERVERNAME=srv1 TYP\xC9=RICH\xA0"));
}

TEST_F(HostileRequestFile, APrefixWithNothingAfterItIsAnEmptyBadRequest)
{
    for (const char* bytes : {"some text vnxclient:", "vnxclient:\n", "vnxclient: ", "vnxclient:\r\n\r\n",
                              "vnxclient:x"}) {
        SCOPED_TRACE(bytes);
        InstallClient();
        ClickRequestFile(bytes);
        ExpectRejectedWith(BadRequestText(""));
        table.destroy(&npp, nullptr);
        DestroyWindow(window);
        window = nullptr;
        ui.messageBoxes.clear();
        browser.statusTexts.clear();
    }
}

TEST_F(HostileRequestFile, APrefixEndingItsLineTakesTheNextLine)
{
    InstallClient();
    ClickRequestFile("vnxclient:\r\nNAME=pkg.bin SERVERNAME=srv1 TYPE=RICH\r\nNAME=ignored\r\n");
    EXPECT_EQ(kDone, LastStatus());
    EXPECT_EQ(1u, Lines(OnlySubmission()).count("NAME=\"pkg.bin\""));
}

}  // namespace
