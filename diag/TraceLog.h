// A process-wide diagnostic log file. Closed until someone opens it; writes to a closed log
// succeed without writing anything. Each entry carries the local date and time of
// systemCalls.LocalNow.
#pragma once

int TraceLogFileOpen(const char* path, int unbuffered, int reopen);
int TraceLogFileWrite(const char* sourceFile, long line, const char* message);
int TraceLogFileClose();
