// The browser hand-off against a real DDE server that lives in this test, on this thread (as when
// the browser that hosts the plug-in is the DDE server): the asynchronous request reaches it
// through the message loop, so the test pumps messages until it sees what it waits for.
#include <gtest/gtest.h>

#include <windows.h>
#include <ddeml.h>

#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "client/BrowserHandoff.h"
#include "support/TestDdeServer.h"
#include "support/TestRegistry.h"
#include "win/Owned.h"

namespace {

const char* const kServiceName = "VxTestBrowser";


struct BrowserThread {
    HANDLE ready;
    bool serverReady;
    std::vector<DdeEvent> events;  // read once the thread has ended
};

DWORD WINAPI ServeOnThread(void* parameter)
{
    BrowserThread& state = *static_cast<BrowserThread*>(parameter);
    TestBrowserServer server(kServiceName);
    state.serverReady = server.Ready();
    SetEvent(state.ready);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    state.events = server.events;
    return 0;
}

class BrowserHandoff : public ::testing::Test {
protected:
    void SetUp() override
    {
        dde.Initialize();
        ASSERT_EQ(static_cast<UINT>(DMLERR_NO_ERROR), dde.InitResult());
        ASSERT_NE(0u, dde.Instance());
    }
    void TearDown() override
    {
        dde.Uninitialize();
        Pump(50);
    }

    // The click's hand-off: the page's download address when it is safe, else the client's page.
    void OpenDownloadPage() { dde.OpenUrl(dde.BrowserDdeName(), ChooseDownloadPage(downloadUrl ? downloadUrl->c_str() : nullptr)); }

    // What the server saw of one hand-off, after the conversation has ended.
    std::vector<DdeEvent> HandOff(TestBrowserServer& server)
    {
        OpenDownloadPage();
        PumpUntil([&] { return server.Saw(XTYP_DISCONNECT); }, 5000);
        Pump(50);
        return server.events;
    }

    static std::vector<DdeEvent> Exchange(const std::string& item)
    {
        return {{XTYP_CONNECT, "WWW_OpenURL", kServiceName, 0},
                {XTYP_CONNECT_CONFIRM, "WWW_OpenURL", kServiceName, 0},
                {XTYP_REQUEST, item, "", CF_TEXT},
                {XTYP_DISCONNECT, "", "", 0}};
    }

    SavedHttpDdeName registration;
    DdeHandoff dde;
    std::optional<std::string> downloadUrl;  // the page's attribute
};

TEST_F(BrowserHandoff, TheBrowserNameComesFromTheHttpHandlersDdeKey)
{
    SavedHttpDdeName::SetName("IExplore");
    EXPECT_EQ(ERROR_SUCCESS, dde.ReadBrowserDdeName());
    EXPECT_STREQ("IExplore", dde.BrowserDdeName());

    SavedHttpDdeName::Remove();
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, dde.ReadBrowserDdeName());
    EXPECT_STREQ("", dde.BrowserDdeName());
}

TEST_F(BrowserHandoff, TheBrowserNameIsAlwaysTerminatedAndEmptyWhenItDoesNotFit)
{
    struct Case {
        const char* label;
        DWORD type;
        std::string bytes;  // exactly as stored
        const char* name;   // nullptr: the stored text itself, up to its first NUL
    };
    const std::string longest(510, 'n');
    const std::vector<Case> cases = {
        {"510 characters and NUL", REG_SZ, longest + '\0', nullptr},
        {"511 characters and NUL", REG_SZ, std::string(511, 'n') + '\0', ""},
        {"511 bytes without NUL", REG_BINARY, std::string(511, 'b'), ""},
        {"510 bytes without NUL", REG_BINARY, std::string(510, 'b'), nullptr},
        {"5 bytes without NUL", REG_BINARY, "abcde", nullptr},
        {"NUL inside", REG_BINARY, std::string("ab\0cd", 5), "ab"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        SavedHttpDdeName::Set(c.type, c.bytes.data(), static_cast<DWORD>(c.bytes.size()));
        dde.ReadBrowserDdeName();
        const std::string expected = c.name ? c.name : c.bytes.substr(0, c.bytes.find('\0'));
        ASSERT_NE(nullptr, std::memchr(dde.BrowserDdeName(), '\0', 511));
        EXPECT_EQ(expected, std::string(dde.BrowserDdeName()));
    }
}

TEST_F(BrowserHandoff, SendsTheDownloadUrlVerbatimInQuotesAndClosesTheConversation)
{
    SavedHttpDdeName::SetName(kServiceName);
    dde.ReadBrowserDdeName();
    TestBrowserServer server(kServiceName);
    ASSERT_TRUE(server.Ready());

    char url[] = "http://pages.example/get client?a=1&b=2,x";
    downloadUrl = url;
    EXPECT_EQ(Exchange("\"http://pages.example/get client?a=1&b=2,x\",,0,4"), HandOff(server));
}

TEST_F(BrowserHandoff, WithoutDownloadUrlSendsTheClientDownloadPage)
{
    SavedHttpDdeName::SetName(kServiceName);
    dde.ReadBrowserDdeName();
    TestBrowserServer server(kServiceName);
    ASSERT_TRUE(server.Ready());
    EXPECT_EQ(Exchange("\"http://www.tolvane.example/download.html\",,0,4"), HandOff(server));
    EXPECT_STREQ("http://www.tolvane.example/download.html", clientDownloadPage);
}

TEST_F(BrowserHandoff, TheShortestUrlMakesTheShortestItem)
{
    SavedHttpDdeName::SetName(kServiceName);
    dde.ReadBrowserDdeName();
    TestBrowserServer server(kServiceName);
    ASSERT_TRUE(server.Ready());
    char url[] = "http://u";
    downloadUrl = url;
    EXPECT_EQ(Exchange("\"http://u\",,0,4"), HandOff(server));
}

TEST_F(BrowserHandoff, ABrowserOnAnotherThreadReceivesTheRequest)
{
    SavedHttpDdeName::SetName(kServiceName);
    dde.ReadBrowserDdeName();
    char url[] = "http://other.example/thread";
    downloadUrl = url;

    OwnedHandle ready(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    BrowserThread shared{ready.get(), false, {}};
    DWORD threadId = 0;
    OwnedHandle thread(CreateThread(nullptr, 0, ServeOnThread, &shared, 0, &threadId));
    ASSERT_TRUE(thread);
    WaitForSingleObject(ready.get(), 5000);

    // The conversation is closed before the call returns, so the browser has seen everything.
    OpenDownloadPage();
    PostThreadMessageA(threadId, WM_QUIT, 0, 0);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.get(), 10000));
    EXPECT_TRUE(shared.serverReady);
    EXPECT_EQ(Exchange("\"http://other.example/thread\",,0,4"), shared.events);
}

// The item is "URL",,0,4, and a DDE string holds 255 characters at most: 248 characters of URL is
// the longest that is sent; a longer one gets the client download page instead.
TEST_F(BrowserHandoff, AUrlTooLongForTheItemSendsTheClientDownloadPage)
{
    SavedHttpDdeName::SetName(kServiceName);
    dde.ReadBrowserDdeName();
    for (std::size_t length : {std::size_t(248), std::size_t(249), std::size_t(504), std::size_t(505),
                               std::size_t(620), std::size_t(64 * 1024)}) {
        SCOPED_TRACE(length);
        TestBrowserServer server(kServiceName);
        ASSERT_TRUE(server.Ready());
        const std::string url = "http://long.example/" + std::string(length - 20, 'p');
        downloadUrl = url;
        EXPECT_EQ(Exchange("\"" + (length == 248 ? url : std::string(clientDownloadPage)) + "\",,0,4"), HandOff(server));
    }
}

// Only an http or https URL with no quote and no control byte is the page's; for anything else the
// browser gets the client download page, which is what the user said Yes to.
TEST_F(BrowserHandoff, OnlyAPlainHttpOrHttpsUrlIsHandedOver)
{
    SavedHttpDdeName::SetName(kServiceName);
    dde.ReadBrowserDdeName();
    const std::string downloadPage = "http://www.tolvane.example/download.html";
    const struct {
        std::string url;
        bool sent;
    } cases[] = {
        {"http://pages.example/client.exe", true},
        {"https://pages.example/client.exe", true},
        {"HTTPS://caps.example/client.exe", true},  // DDE strings are atoms: no case twin of another case
        {"http://" + std::string(241, 'h'), true},  // 248 bytes, the longest
        {"http://" + std::string(242, 'h'), false},
        {"http://evil.example/setup.exe\",\"C:\\Startup\\setup.exe\",-1,0,\"a=1", false},
        {"http://evil.example/a\"b", false},
        {"http://evil.example/\r\nx", false},
        {"http://evil.example/\tx", false},
        {"http://evil.example/\x7f", false},
        {"file:///C:/Windows/system32/calc.exe", false},
        {"javascript:alert(1)", false},
        {"ftp://files.example/client.exe", false},
        {"\\\\evil.example\\s\\setup.exe", false},
        {"http:/one-slash.example", false},
        {"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        TestBrowserServer server(kServiceName);
        ASSERT_TRUE(server.Ready());
        std::string url = c.url;
        downloadUrl = url;
        EXPECT_EQ(c.sent, IsSafeBrowserUrl(url.c_str()));
        EXPECT_EQ(Exchange("\"" + (c.sent ? url : downloadPage) + "\",,0,4"), HandOff(server));
    }
}

TEST_F(BrowserHandoff, NothingIsSentWithoutARegisteredOrAnsweringBrowser)
{
    TestBrowserServer server(kServiceName);
    ASSERT_TRUE(server.Ready());

    SavedHttpDdeName::Remove();
    dde.ReadBrowserDdeName();  // empty name
    OpenDownloadPage();
    SavedHttpDdeName::SetName("VxNoSuchBrowser");
    dde.ReadBrowserDdeName();
    OpenDownloadPage();
    Pump(200);
    EXPECT_TRUE(server.events.empty()) << server.events.size();
}

TEST_F(BrowserHandoff, NothingIsSentWhenDdeCouldNotBeInitialised)
{
    SavedHttpDdeName::SetName(kServiceName);
    TestBrowserServer server(kServiceName);
    ASSERT_TRUE(server.Ready());

    DdeHandoff uninitialised;
    uninitialised.ReadBrowserDdeName();
    EXPECT_FALSE(uninitialised.IsAvailable());
    uninitialised.OpenUrl(uninitialised.BrowserDdeName(), clientDownloadPage);
    Pump(200);
    EXPECT_TRUE(server.events.empty()) << server.events.size();
}

TEST_F(BrowserHandoff, UninitialisationReleasesOnlyAnInstanceThatWasInitialised)
{
    // Never initialised: no instance number of anyone else's is released.
    DWORD other = 0;
    ASSERT_EQ(static_cast<UINT>(DMLERR_NO_ERROR), DdeInitializeA(&other, DdeNullCallback, APPCMD_CLIENTONLY, 0));
    DdeHandoff uninitialised;
    uninitialised.Uninitialize();
    EXPECT_TRUE(MakeDdeString(other, "probe"));
    DdeUninitialize(other);

    // A successful one is released, and the hand-off is unavailable afterwards.
    const DWORD ours = dde.Instance();
    dde.Uninitialize();
    EXPECT_EQ(nullptr, DdeCreateStringHandleA(ours, "probe", CP_WINANSI));
    EXPECT_FALSE(dde.IsAvailable());
    dde.OpenUrl("VxTestBrowser", clientDownloadPage);  // must do nothing, and not crash
}

}  // namespace
