// The browser hand-off against a real DDE server that lives in this test, on this thread (as when
// the browser that hosts the plug-in is the DDE server): the asynchronous request reaches it
// through the message loop, so the test pumps messages until it sees what it waits for.
#include <gtest/gtest.h>

#include <windows.h>
#include <ddeml.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "clientlink/BrowserHandoff.h"
#include "plugin/InstanceData.h"
#include "support/TestRegistry.h"
#include "win/Owned.h"

namespace {

const char* const kServiceName = "VxTestBrowser";

struct DdeEvent {
    UINT type;
    std::string first;   // topic of a connection, or the item of a request
    std::string second;  // service of a connection
    UINT format;

    bool operator==(const DdeEvent& other) const
    {
        return type == other.type && first == other.first && second == other.second &&
               format == other.format;
    }
};

std::ostream& operator<<(std::ostream& out, const DdeEvent& event)
{
    const char* name = event.type == XTYP_CONNECT           ? "CONNECT"
                       : event.type == XTYP_CONNECT_CONFIRM ? "CONNECT_CONFIRM"
                       : event.type == XTYP_REQUEST         ? "REQUEST"
                       : event.type == XTYP_DISCONNECT      ? "DISCONNECT"
                                                            : "OTHER";
    return out << name << "(" << event.first << ", " << event.second << ", " << event.format << ")";
}

// A DDE server that accepts the topic "WWW_OpenURL", answers requests with a window identifier
// as a browser does, and records every transaction it sees.
class TestBrowserServer {
public:
    explicit TestBrowserServer(const char* serviceName)
    {
        active = this;
        initResult = DdeInitializeA(&instance, Callback, APPCLASS_STANDARD, 0);
        if (initResult != DMLERR_NO_ERROR) return;
        service = DdeCreateStringHandleA(instance, serviceName, CP_WINANSI);
        registered = DdeNameService(instance, service, nullptr, DNS_REGISTER) != nullptr;
    }
    ~TestBrowserServer()
    {
        if (initResult == DMLERR_NO_ERROR) {
            if (registered) DdeNameService(instance, service, nullptr, DNS_UNREGISTER);
            if (service) DdeFreeStringHandle(instance, service);
            DdeUninitialize(instance);
        }
        active = nullptr;
    }
    TestBrowserServer(const TestBrowserServer&) = delete;
    TestBrowserServer& operator=(const TestBrowserServer&) = delete;

    bool Ready() const { return initResult == DMLERR_NO_ERROR && registered; }
    bool Saw(UINT type) const
    {
        for (const DdeEvent& event : events)
            if (event.type == type) return true;
        return false;
    }

    std::vector<DdeEvent> events;

private:
    std::string Text(HSZ handle) const
    {
        char text[1024] = "";
        DdeQueryStringA(instance, handle, text, sizeof(text), CP_WINANSI);
        return text;
    }

    static HDDEDATA CALLBACK Callback(UINT type, UINT format, HCONV, HSZ string1, HSZ string2,
                                      HDDEDATA, ULONG_PTR, ULONG_PTR)
    {
        TestBrowserServer* server = active;
        if (!server) return nullptr;
        switch (type) {
        case XTYP_CONNECT:
            server->events.push_back({type, server->Text(string1), server->Text(string2), 0});
            return reinterpret_cast<HDDEDATA>(
                static_cast<ULONG_PTR>(server->Text(string1) == "WWW_OpenURL"));
        case XTYP_CONNECT_CONFIRM:
            server->events.push_back({type, server->Text(string1), server->Text(string2), 0});
            return nullptr;
        case XTYP_REQUEST: {
            server->events.push_back({type, server->Text(string2), "", format});
            static const char windowId[] = "1";
            return DdeCreateDataHandle(server->instance,
                                       reinterpret_cast<BYTE*>(const_cast<char*>(windowId)),
                                       sizeof(windowId), 0, string2, CF_TEXT, 0);
        }
        case XTYP_DISCONNECT:
            server->events.push_back({type, "", "", 0});
            return nullptr;
        default:
            return nullptr;
        }
    }

    static TestBrowserServer* active;
    DWORD instance = 0;
    UINT initResult = DMLERR_NOTPROCESSED;
    HSZ service = nullptr;
    bool registered = false;
};

TestBrowserServer* TestBrowserServer::active = nullptr;

// Dispatches this thread's messages until the condition holds or the time is up.
bool PumpUntil(const std::function<bool()>& condition, DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (condition()) return true;
        if (GetTickCount() - start >= milliseconds) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

void Pump(DWORD milliseconds)
{
    PumpUntil([] { return false; }, milliseconds);
}

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
        InitializeDde();
        ASSERT_EQ(static_cast<UINT>(DMLERR_NO_ERROR), ddeInitResult);
        ASSERT_NE(0u, ddeInstance);
        std::memset(&record, 0, sizeof(record));
    }
    void TearDown() override
    {
        UninitializeDde();
        Pump(50);
    }

    // What the server saw of one hand-off, after the conversation has ended.
    std::vector<DdeEvent> HandOff(TestBrowserServer& server)
    {
        OpenUrlInBrowser(&record, browserDdeName);
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
    InstanceData record;
};

TEST_F(BrowserHandoff, TheBrowserNameComesFromTheHttpHandlersDdeKey)
{
    SavedHttpDdeName::SetName("IExplore");
    std::memset(browserDdeName, 'x', sizeof(browserDdeName));
    EXPECT_EQ(ERROR_SUCCESS, ReadBrowserDdeName());
    EXPECT_STREQ("IExplore", browserDdeName);

    SavedHttpDdeName::Remove();
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadBrowserDdeName());
    EXPECT_STREQ("", browserDdeName);
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
        std::memset(browserDdeName, 'x', sizeof(browserDdeName));
        ReadBrowserDdeName();
        const std::string expected = c.name ? c.name : c.bytes.substr(0, c.bytes.find('\0'));
        ASSERT_NE(nullptr, std::memchr(browserDdeName, '\0', sizeof(browserDdeName)));
        EXPECT_EQ(expected, std::string(browserDdeName));
    }
}

TEST_F(BrowserHandoff, SendsTheDownloadUrlVerbatimInQuotesAndClosesTheConversation)
{
    SavedHttpDdeName::SetName(kServiceName);
    ReadBrowserDdeName();
    TestBrowserServer server(kServiceName);
    ASSERT_TRUE(server.Ready());

    char url[] = "http://pages.example/get client?a=1&b=2,x";
    record.downloadUrl = url;
    EXPECT_EQ(Exchange("\"http://pages.example/get client?a=1&b=2,x\",,0,4"), HandOff(server));
}

TEST_F(BrowserHandoff, WithoutDownloadUrlSendsTheClientDownloadPage)
{
    SavedHttpDdeName::SetName(kServiceName);
    ReadBrowserDdeName();
    TestBrowserServer server(kServiceName);
    ASSERT_TRUE(server.Ready());
    EXPECT_EQ(Exchange("\"http://www.tolvane.example/download.html\",,0,4"), HandOff(server));
    EXPECT_STREQ("http://www.tolvane.example/download.html", clientDownloadPage);
}

TEST_F(BrowserHandoff, TheShortestUrlMakesTheShortestItem)
{
    SavedHttpDdeName::SetName(kServiceName);
    ReadBrowserDdeName();
    TestBrowserServer server(kServiceName);
    ASSERT_TRUE(server.Ready());
    char url[] = "http://u";
    record.downloadUrl = url;
    EXPECT_EQ(Exchange("\"http://u\",,0,4"), HandOff(server));
}

TEST_F(BrowserHandoff, ABrowserOnAnotherThreadReceivesTheRequest)
{
    SavedHttpDdeName::SetName(kServiceName);
    ReadBrowserDdeName();
    char url[] = "http://other.example/thread";
    record.downloadUrl = url;

    OwnedHandle ready(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    BrowserThread shared{ready.get(), false, {}};
    DWORD threadId = 0;
    OwnedHandle thread(CreateThread(nullptr, 0, ServeOnThread, &shared, 0, &threadId));
    ASSERT_TRUE(thread);
    WaitForSingleObject(ready.get(), 5000);

    // The conversation is closed before the call returns, so the browser has seen everything.
    OpenUrlInBrowser(&record, browserDdeName);
    PostThreadMessageA(threadId, WM_QUIT, 0, 0);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.get(), 10000));
    EXPECT_TRUE(shared.serverReady);
    EXPECT_EQ(Exchange("\"http://other.example/thread\",,0,4"), shared.events);
}

TEST_F(BrowserHandoff, AUrlTooLongForTheItemSendsTheClientDownloadPage)
{
    SavedHttpDdeName::SetName(kServiceName);
    ReadBrowserDdeName();
    TestBrowserServer server(kServiceName);
    ASSERT_TRUE(server.Ready());
    std::string url = "http://long.example/" + std::string(600, 'p');
    record.downloadUrl = &url[0];
    EXPECT_EQ(Exchange("\"http://www.tolvane.example/download.html\",,0,4"), HandOff(server));
}

// Only an http or https URL with no quote and no control byte is the page's; for anything else the
// browser gets the client download page, which is what the user said Yes to.
TEST_F(BrowserHandoff, OnlyAPlainHttpOrHttpsUrlIsHandedOver)
{
    SavedHttpDdeName::SetName(kServiceName);
    ReadBrowserDdeName();
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
        record.downloadUrl = &url[0];
        EXPECT_EQ(c.sent, IsSafeBrowserUrl(url.c_str()));
        EXPECT_EQ(Exchange("\"" + (c.sent ? url : downloadPage) + "\",,0,4"), HandOff(server));
    }
}

TEST_F(BrowserHandoff, NothingIsSentWithoutARegisteredOrAnsweringBrowser)
{
    TestBrowserServer server(kServiceName);
    ASSERT_TRUE(server.Ready());

    SavedHttpDdeName::Remove();
    ReadBrowserDdeName();  // empty name
    OpenUrlInBrowser(&record, browserDdeName);
    SavedHttpDdeName::SetName("VxNoSuchBrowser");
    ReadBrowserDdeName();
    OpenUrlInBrowser(&record, browserDdeName);
    Pump(200);
    EXPECT_TRUE(server.events.empty()) << server.events.size();
}

TEST_F(BrowserHandoff, NothingIsSentWhenDdeCouldNotBeInitialised)
{
    SavedHttpDdeName::SetName(kServiceName);
    ReadBrowserDdeName();
    TestBrowserServer server(kServiceName);
    ASSERT_TRUE(server.Ready());

    const UINT realResult = ddeInitResult;
    ddeInitResult = DMLERR_DLL_USAGE;
    OpenUrlInBrowser(&record, browserDdeName);
    Pump(200);
    ddeInitResult = realResult;
    EXPECT_TRUE(server.events.empty()) << server.events.size();
}

TEST_F(BrowserHandoff, UninitialisationReleasesOnlyAnInstanceThatWasInitialised)
{
    // A failed initialisation: the instance number must not be released.
    DWORD other = 0;
    ASSERT_EQ(static_cast<UINT>(DMLERR_NO_ERROR),
              DdeInitializeA(&other, DdeNullCallback, APPCMD_CLIENTONLY, 0));
    const DWORD ours = ddeInstance;
    const UINT ourResult = ddeInitResult;
    ddeInstance = other;
    ddeInitResult = DMLERR_DLL_USAGE;
    UninitializeDde();
    EXPECT_TRUE(MakeDdeString(other, "probe"));
    DdeUninitialize(other);

    // A successful one is released, and the hand-off is unavailable afterwards.
    ddeInstance = ours;
    ddeInitResult = ourResult;
    UninitializeDde();
    EXPECT_EQ(nullptr, DdeCreateStringHandleA(ours, "probe", CP_WINANSI));
    EXPECT_NE(static_cast<UINT>(DMLERR_NO_ERROR), ddeInitResult);
    OpenUrlInBrowser(&record, "VxTestBrowser");  // must do nothing, and not crash
}

}  // namespace
