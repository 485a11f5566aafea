#include "request/RequestWarning.h"

#include "client/Errors.h"
#include "diag/TraceEntries.h"
#include "diag/TraceLog.h"
#include "win/SystemCalls.h"

const char* const kBadRequestText =
    "The request appears to have bad request information. \n"
    "Missing NAME or SERVERNAME or has bad CONTENTTYPE information";

void ShowRequestWarning(long entry, const std::string& text)
{
    TraceLogFileWrite(kRequestTraceSource, entry, text.c_str());
    systemCalls.MessageBoxA(nullptr, text.c_str(), "Tolvane Message ",
                            MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND | MB_TOPMOST);
}

void RefuseBadRequest(long entry)
{
    ShowRequestWarning(entry, kBadRequestText);
    throw FormatException();
}
