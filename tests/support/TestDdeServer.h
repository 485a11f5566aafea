// A DDE server on the test's thread that stands in for the browser: it accepts the topic
// "WWW_OpenURL", answers requests with a window identifier as a browser does, and records every
// transaction it sees. Requests sent asynchronously reach it through this thread's messages.
#pragma once

#include <windows.h>
#include <ddeml.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "win/Owned.h"

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
std::ostream& operator<<(std::ostream& out, const DdeEvent& event);

class TestBrowserServer {
public:
    explicit TestBrowserServer(const char* serviceName);
    ~TestBrowserServer();
    TestBrowserServer(const TestBrowserServer&) = delete;
    TestBrowserServer& operator=(const TestBrowserServer&) = delete;

    bool Ready() const { return initResult == DMLERR_NO_ERROR && registered; }
    bool Saw(UINT type) const { return Count(type) > 0; }
    int Count(UINT type) const;
    std::vector<std::string> Requests() const;  // the items asked for, in order

    std::vector<DdeEvent> events;

private:
    std::string Text(HSZ handle) const;
    static HDDEDATA CALLBACK Callback(UINT type, UINT format, HCONV, HSZ string1, HSZ string2,
                                      HDDEDATA, ULONG_PTR, ULONG_PTR);

    static TestBrowserServer* active;
    DWORD instance = 0;
    UINT initResult = DMLERR_NOTPROCESSED;
    OwnedDdeString service;
    bool registered = false;
};

// Dispatches this thread's messages until the condition holds or the time is up.
bool PumpUntil(const std::function<bool()>& condition, DWORD milliseconds);
void Pump(DWORD milliseconds);
