// A process-wide diagnostic log file. Closed until someone opens it; writes to a closed log
// succeed without writing anything.
#pragma once

#include <string>

int TraceLogFileOpen(const char* path, int unbuffered, int reopen);
int TraceLogFileWrite(const char* sourceFile, long line, const char* message);
int TraceLogFileClose();

// The entries' clock: local date as MM/DD/YY and time as HH:MM:SS. Tests may replace it.
struct TraceLogStamp {
    std::string date;
    std::string time;
};
extern TraceLogStamp (*traceLogClock)();
TraceLogStamp TraceLogLocalTime();
