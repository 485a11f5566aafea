// Every fixed-size buffer on the way of a click, at its limit and one past it: the Save-As file
// name, the DDE item, the client's command line, the single registry value, the message box text;
// and what has no limit: settings values, value names, trace-log entries.
#include <cstring>

#include "client/BrowserHandoff.h"
#include "client/SettingsStore.h"
#include "diag/TraceLog.h"
#include "hostile/HostileSupport.h"
#include "plugin/ModuleState.h"
#include "request/RequestFile.h"
#include "request/RequestText.h"
#include "request/SaveFlow.h"
#include "request/SubmissionFile.h"
#include "request/UploadFlow.h"
#include "support/TestDdeServer.h"
#include "win/SystemCalls.h"

namespace {

const std::size_t k64KiB = 64 * 1024;

void WriteSignal(const std::string& text)
{
    ASSERT_EQ(ERROR_SUCCESS, TestRegistry::WriteText(HKEY_CURRENT_USER, kSignalKey, "Value", text));
}

class Limits : public PluginHost {
protected:
    // A fresh instance of a download page, shown and clicked.
    void ClickPage(std::initializer_list<std::pair<Attributes::Text, Attributes::Text>> list)
    {
        if (npp.pdata) table.destroy(&npp, nullptr);
        if (window) DestroyWindow(window);
        window = nullptr;
        Attributes attributes(list);
        ASSERT_EQ(NPERR_NO_ERROR, New(attributes));
        ShowInWindow();
        Click();
    }
};

TEST_F(Limits, TheSaveAsBufferTakesAProposalOf511BytesAndNoLonger)
{
    InstallClient();
    for (std::size_t length : {std::size_t(511), std::size_t(512), kLongestShownValue - 8}) {
        SCOPED_TRACE(length);
        ui.fileDialogs.clear();
        ui.fileDialogAnswers = {std::nullopt};
        ClickPage({{"name", "C:\\pkgs/" + std::string(length, 'p')}, {"servername", "srv1"}});
        ASSERT_EQ(1u, ui.fileDialogs.size());
        EXPECT_EQ(512u, ui.fileDialogs[0].request.nMaxFile);
        EXPECT_EQ(length == 511 ? std::string(511, 'p') : std::string(), ui.fileDialogs[0].initialFile);
        EXPECT_EQ(kCancelled, LastStatus());
    }
    // A chosen path fills the buffer to its last byte; one more does not fit (the dialog says so).
    const std::string longest = requestDir.path() + "\\" + std::string(511 - requestDir.path().size() - 1, 't');
    ui.fileDialogAnswers = {longest + "x"};
    ClickPage({{"name", "pkg.bin"}, {"servername", "srv1"}});
    EXPECT_EQ(kCancelled, LastStatus());
    ui.fileDialogAnswers = {longest};
    ClickPage({{"name", "pkg.bin"}, {"servername", "srv1"}});
    EXPECT_EQ(kDone, LastStatus());
    EXPECT_EQ(1u, Lines(OnlySubmission()).count("TargetPath=\"" + longest + "\""));
}

// The real dialog, answered as a user would, under a proposal of 511 bytes and an initial
// directory of 64 KiB.
struct DialogAnswer {
    const char* title;
    std::string fileName;
    int answered = 0;
} dialogAnswer{"Tolvane : deliver package to ...", {}};

BOOL CALLBACK AnswerIfDialog(HWND candidate, LPARAM)
{
    char title[64] = "";
    GetWindowTextA(candidate, title, sizeof title);
    if (std::strcmp(title, dialogAnswer.title) != 0 || !IsWindowVisible(candidate)) return TRUE;
    SetDlgItemTextA(candidate, 0x47C, dialogAnswer.fileName.c_str());
    PostMessageA(candidate, WM_COMMAND, IDOK, 0);
    ++dialogAnswer.answered;
    return FALSE;
}

void CALLBACK LookForDialog(HWND, UINT, UINT_PTR, DWORD)
{
    EnumThreadWindows(GetCurrentThreadId(), AnswerIfDialog, 0);
}

TEST_F(Limits, TheRealSaveAsDialogTakesTheLongestProposalAndAHugeInitialDirectory)
{
    InstallClient("C:\\" + std::string(k64KiB, 'd'));
    systemCalls.GetSaveFileNameA = realSystemCalls.GetSaveFileNameA;
    systemCalls.CommDlgExtendedError = realSystemCalls.CommDlgExtendedError;
    dialogAnswer.fileName = requestDir.path() + "\\chosen.bin";
    dialogAnswer.answered = 0;
    UINT_PTR timer = SetTimer(nullptr, 0, 100, LookForDialog);
    ClickPage({{"name", std::string(511, 'p')}, {"servername", "srv1"}});
    KillTimer(nullptr, timer);

    EXPECT_EQ(1, dialogAnswer.answered);
    EXPECT_EQ(kDone, LastStatus());
    const auto lines = Lines(ReadWholeFile(requestDir / Submissions().at(0)));
    EXPECT_EQ(1u, lines.count("TargetPath=\"" + dialogAnswer.fileName + "\""));
    EXPECT_EQ(requestDir.path(), ReadUserRegistryText(kTestProductKey, "LoadDeliveryDir"));
}


TEST_F(Limits, ADownloadUrlTooLongForTheDdeItemSendsTheClientDownloadPage)
{
    // No product key: the click offers the client, and Yes hands the page's URL to the browser.
    // The item is "URL",,0,4, and a DDE string holds 255 characters at most: 248 characters of URL
    // is the longest that is sent; a longer one gets the client download page instead.
    SavedHttpDdeName registration;
    SavedHttpDdeName::SetName("VxHostileBrowser");
    for (std::size_t length : {std::size_t(248), std::size_t(249), std::size_t(504), std::size_t(505), k64KiB}) {
        SCOPED_TRACE(length);
        TestBrowserServer server("VxHostileBrowser");
        ASSERT_TRUE(server.Ready());
        const std::string url = "http://" + std::string(length - 7, 'u');
        browser.statusTexts.clear();
        ui.messageBoxAnswers = {IDYES};
        ClickPage({{"downloadurl", url}, {"name", "pkg.bin"}});
        PumpUntil([&] { return server.Saw(XTYP_DISCONNECT); }, 3000);

        EXPECT_EQ((std::vector<std::string>{"The Tolvane client is not installed or configured properly ...",
                                            "Document: Done"}),
                  browser.statusTexts);
        EXPECT_EQ(1, server.Count(XTYP_CONNECT_CONFIRM));
        EXPECT_EQ(std::vector<std::string>{"\"" + (length == 248 ? url : std::string(clientDownloadPage)) + "\",,0,4"},
                  server.Requests());
    }
}

TEST_F(Limits, AnApplicationPathLongerThanTheCommandLineBufferIsAFailedStart)
{
    InstallClient();
    StopClient();
    ui.realProcessCreation = false;
    std::size_t submitted = 0;
    for (std::size_t length : {std::size_t(4095), std::size_t(4096), k64KiB}) {
        SCOPED_TRACE(length);
        const std::string path = "C:\\" + std::string(length - 3, 'a');
        WriteProductValue("ApplicationPath", path);
        ui.processes.clear();
        ui.messageBoxes.clear();
        ClickPage({{"name", "pkg.bin"}, {"servername", "srv1"}, {"contenttype", "RICH"}});

        ASSERT_EQ(length == 4095 ? 1u : 0u, ui.processes.size()) << "CreateProcessA calls";
        if (length == 4095) {
            EXPECT_TRUE(path == ui.processes[0].commandLine);
        }
        ASSERT_EQ(1u, ui.messageBoxes.size());
        EXPECT_EQ("Startup", ui.messageBoxes[0].caption);
        EXPECT_TRUE("Error starting the Tolvane Client application :\nApplication Not Installed \nApplication path: " +
                        path + "\nInstance name: 970128" ==
                    ui.messageBoxes[0].text);
        // The start is not the request: it goes on.
        EXPECT_EQ(kDone, LastStatus());
        EXPECT_EQ(++submitted, Submissions().size());
    }
}

TEST_F(Limits, TheSignalIsReadUpTo4094CharactersAndCountsAsZeroBeyond)
{
    InstallClient();
    WriteSignal(std::string(4093, '0') + "7");
    ClickPage({{"name", "pkg.bin"}, {"servername", "srv1"}, {"contenttype", "RICH"}});
    EXPECT_EQ(kDone, LastStatus());
    EXPECT_EQ("8", ReadUserRegistryText(kSignalKey, "Value"));

    WriteSignal(std::string(4094, '0') + "7");
    ClickPage({{"name", "pkg.bin"}, {"servername", "srv1"}, {"contenttype", "RICH"}});
    EXPECT_EQ(kDone, LastStatus());
    EXPECT_EQ("1", ReadUserRegistryText(kSignalKey, "Value"));
}

TEST_F(Limits, SettingsValuesOf64KiBAndLongValueNamesTravelWhole)
{
    const std::string deliveryDir = "C:\\" + std::string(k64KiB, 'd');
    const std::string own(k64KiB, 'k');
    InstallClient(deliveryDir);
    WriteProductValue("ClientOwnSetting", own);
    const std::string name255(255, 'V'), name256(256, 'W'), name16383(16383, 'X');
    for (const std::string* name : {&name255, &name256, &name16383}) WriteProductValue(*name, "v");

    ClickPage({{"name", "pkg.bin"}, {"servername", "srv1"}, {"contenttype", "RICH"}});
    EXPECT_EQ(kDone, LastStatus());
    EXPECT_EQ(1u, Lines(OnlySubmission()).count("DestInitialDir=\"" + deliveryDir + "\\\""));
    EXPECT_TRUE(own == ReadUserRegistryText(kTestProductKey, "ClientOwnSetting"));
    EXPECT_TRUE(deliveryDir == ReadUserRegistryText(kTestProductKey, "LoadDeliveryDir"));
    for (const std::string* name : {&name255, &name256, &name16383}) {
        std::string value;
        EXPECT_TRUE(moduleState.settings.Lookup(*name, value)) << name->size();
        EXPECT_EQ("v", ReadUserRegistryText(kTestProductKey, *name)) << name->size();
    }

    ui.fileDialogAnswers = {std::string("C:\\dl\\pkg.bin")};
    ClickPage({{"name", "pkg.bin"}, {"servername", "srv1"}});
    ASSERT_EQ(1u, ui.fileDialogs.size());
    EXPECT_EQ("<null>", ui.fileDialogs[0].initialDir) << "too long to be an initial directory";
    EXPECT_EQ("C:\\dl", ReadUserRegistryText(kTestProductKey, "LoadDeliveryDir"));
}

TEST_F(Limits, TheSaveAsDialogGetsNoInitialDirectoryOfMaxPathOrMore)
{
    for (std::size_t length : {std::size_t(MAX_PATH - 2), std::size_t(MAX_PATH - 1)}) {
        SCOPED_TRACE(length);
        const std::string deliveryDir = "C:\\" + std::string(length - 3, 'd');
        InstallClient(deliveryDir);
        ui.fileDialogs.clear();
        ui.fileDialogAnswers = {std::nullopt};
        ClickPage({{"name", "pkg.bin"}, {"servername", "srv1"}});
        ASSERT_EQ(1u, ui.fileDialogs.size());
        EXPECT_EQ(length + 1 < MAX_PATH ? deliveryDir + "\\" : "<null>", ui.fileDialogs[0].initialDir);
        EXPECT_EQ(kCancelled, LastStatus());
    }
}

TEST_F(Limits, ASettingsValueNameTheRegistryCannotStoreFailsOnlyTheSave)
{
    // 16383 characters is the longest value name; one more cannot be written back.
    InstallClient();
    moduleState.settings[std::string(16384, 'Y')] = "from an earlier load";
    ClickPage({{"name", "pkg.bin"}, {"servername", "srv1"}, {"contenttype", "RICH"}});
    ASSERT_EQ(1u, ui.messageBoxes.size());
    EXPECT_EQ("The request was submitted, but the Tolvane settings could not be saved.", ui.messageBoxes[0].text);
    EXPECT_EQ(kDone, LastStatus());
    EXPECT_EQ(1u, Submissions().size());
    EXPECT_EQ("1", ReadUserRegistryText(kSignalKey, "Value"));
}

LocalStamp FixedStamp() { return {"01/02/03", "04:05:06"}; }

std::string WithCrLf(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

TEST_F(Limits, TraceLogEntriesOfAnyLengthAreWrittenWhole)
{
    InstallClient();
    const std::string logPath = requestDir.path() + "-trace.log";
    systemCalls.LocalNow = FixedStamp;
    ASSERT_EQ(1, TraceLogFileOpen(logPath.c_str(), 0, 0));

    // The parser's report carries the page's request data: 8 KiB of it here.
    const std::string data = "NAME=x SERVERNAME=" + std::string(8192, 's');
    ClickRequestFile("vnxclient: " + data + "\n");
    const std::string source(300, 'S'), message(5000, 'm');
    EXPECT_EQ(1, TraceLogFileWrite(source.c_str(), 7, message.c_str()));
    EXPECT_EQ(1, TraceLogFileClose());
    systemCalls.LocalNow = realSystemCalls.LocalNow;

    const std::string report = "The request file appears to have bad request information. \n\t\tSorry! \nFile submitted: " +
                               requestDir.path() + "-request.vnxclient \nRequest data: " + data;
    const std::string written = ReadWholeFile(logPath);
    // The click's failure box is logged under the line of the dispatch that shows it.
    const std::string failureSource = "ClientApp/RequestDispatch, line ";
    const std::size_t failureAt = written.find(failureSource);
    ASSERT_NE(std::string::npos, failureAt);
    const std::string failureLine =
        written.substr(failureAt + failureSource.size(),
                       written.find('\r', failureAt) - failureAt - failureSource.size());
    const std::string expected =
        "TraceLogFileOpen at 01/02/03 04:05:06: " + logPath + " ..." +
        "LOGGED at 01/02/03 04:05:06: ClientApp/VexoRequest, line 182\r\n... " + WithCrLf(report) + "\r\n" +
        "LOGGED at 01/02/03 04:05:06: " + failureSource + failureLine +
        "\r\n... Tolvane save request failed : Format Exception\r\n" +
        "LOGGED at 01/02/03 04:05:06: " + source + ", line 7\r\n... " + message + "\r\n";
    EXPECT_EQ(expected.size(), written.size());
    EXPECT_TRUE(expected == written) << "the trace log differs";
    DeleteFileA(logPath.c_str());
    EXPECT_EQ(0, TraceLogFileOpen(std::string(2048, 'L').c_str(), 0, 0)) << "a path over 2047 bytes";
}

// The real message box, answered by a timer that also reads the text it shows.
struct BoxAnswer {
    std::string shown;
    int answered = 0;
} boxAnswer;

BOOL CALLBACK AnswerIfBox(HWND candidate, LPARAM)
{
    char title[64] = "";
    GetWindowTextA(candidate, title, sizeof title);
    if (std::strcmp(title, "Tolvane Message ") != 0) return TRUE;
    HWND text = GetDlgItem(candidate, 0xFFFF);
    const int length = text ? GetWindowTextLengthA(text) : 0;
    std::string shown(static_cast<std::size_t>(length) + 1, '\0');
    if (text) GetWindowTextA(text, &shown[0], length + 1);
    shown.resize(static_cast<std::size_t>(length));
    boxAnswer.shown = shown;
    PostMessageA(candidate, WM_COMMAND, IDOK, 0);
    ++boxAnswer.answered;
    return FALSE;
}

void CALLBACK LookForBox(HWND, UINT, UINT_PTR, DWORD)
{
    EnumThreadWindows(GetCurrentThreadId(), AnswerIfBox, 0);
}

TEST(MessageBoxText, ATextLongerThanTheBoxTakesIsCutAndMarked)
{
    // MessageBoxA converts its text to a counted Unicode string: 32766 characters at most. Wine's
    // crashes on a longer one, and a request file without the prefix is shown whole.
    for (std::size_t length : {std::size_t(100), std::size_t(32766), std::size_t(32767), std::size_t(10 * 1024 * 1024)}) {
        SCOPED_TRACE(length);
        std::string text(length, 'b');
        for (std::size_t at = 70; at < length; at += 71) text[at] = '\n';
        boxAnswer = BoxAnswer{};
        UINT_PTR timer = SetTimer(nullptr, 0, 50, LookForBox);
        const int answer = realSystemCalls.MessageBoxA(nullptr, text.c_str(), "Tolvane Message ", MB_OK);
        KillTimer(nullptr, timer);
        EXPECT_EQ(IDOK, answer);
        EXPECT_EQ(1, boxAnswer.answered);
        const std::string expected = length <= 32766 ? text : text.substr(0, 32763) + "...";
        EXPECT_EQ(expected.size(), boxAnswer.shown.size());
        EXPECT_TRUE(expected == boxAnswer.shown);
    }
    ExpectHeapIntact();
}

}  // namespace
