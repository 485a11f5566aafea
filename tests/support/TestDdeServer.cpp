#include "support/TestDdeServer.h"

TestBrowserServer* TestBrowserServer::active = nullptr;

std::ostream& operator<<(std::ostream& out, const DdeEvent& event)
{
    const char* name = event.type == XTYP_CONNECT           ? "CONNECT"
                       : event.type == XTYP_CONNECT_CONFIRM ? "CONNECT_CONFIRM"
                       : event.type == XTYP_REQUEST         ? "REQUEST"
                       : event.type == XTYP_DISCONNECT      ? "DISCONNECT"
                                                            : "OTHER";
    return out << name << "(" << event.first << ", " << event.second << ", " << event.format << ")";
}

TestBrowserServer::TestBrowserServer(const char* serviceName)
{
    active = this;
    initResult = DdeInitializeA(&instance, Callback, APPCLASS_STANDARD, 0);
    if (initResult != DMLERR_NO_ERROR) return;
    service = MakeDdeString(instance, serviceName);
    registered = service && DdeNameService(instance, service.get(), nullptr, DNS_REGISTER) != nullptr;
}

TestBrowserServer::~TestBrowserServer()
{
    if (initResult == DMLERR_NO_ERROR) {
        if (registered) DdeNameService(instance, service.get(), nullptr, DNS_UNREGISTER);
        service.reset();  // before its instance goes
        DdeUninitialize(instance);
    }
    active = nullptr;
}

int TestBrowserServer::Count(UINT type) const
{
    int count = 0;
    for (const DdeEvent& event : events)
        if (event.type == type) ++count;
    return count;
}

std::vector<std::string> TestBrowserServer::Requests() const
{
    std::vector<std::string> items;
    for (const DdeEvent& event : events)
        if (event.type == XTYP_REQUEST) items.push_back(event.first);
    return items;
}

std::string TestBrowserServer::Text(HSZ handle) const
{
    char text[1024] = "";
    DdeQueryStringA(instance, handle, text, sizeof(text), CP_WINANSI);
    return text;
}

HDDEDATA CALLBACK TestBrowserServer::Callback(UINT type, UINT format, HCONV, HSZ string1, HSZ string2,
                                              HDDEDATA, ULONG_PTR, ULONG_PTR)
{
    TestBrowserServer* server = active;
    if (!server) return nullptr;
    switch (type) {
    case XTYP_CONNECT:
        server->events.push_back({type, server->Text(string1), server->Text(string2), 0});
        return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(server->Text(string1) == "WWW_OpenURL"));
    case XTYP_CONNECT_CONFIRM:
        server->events.push_back({type, server->Text(string1), server->Text(string2), 0});
        return nullptr;
    case XTYP_REQUEST: {
        server->events.push_back({type, server->Text(string2), "", format});
        static const char windowId[] = "1";
        return DdeCreateDataHandle(server->instance, reinterpret_cast<BYTE*>(const_cast<char*>(windowId)),
                                   sizeof(windowId), 0, string2, CF_TEXT, 0);
    }
    case XTYP_DISCONNECT:
        server->events.push_back({type, "", "", 0});
        return nullptr;
    default:
        return nullptr;
    }
}

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
