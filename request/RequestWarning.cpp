#include "request/RequestWarning.h"

#include "client/Errors.h"
#include "diag/TraceEntries.h"
#include "diag/TraceLog.h"
#include "win/SystemCalls.h"

const char* const kBadRequestText =
    "The request appears to have bad request information. \n"
    "Missing NAME or SERVERNAME or has bad CONTENTTYPE information";

std::string UnshowableValueText(const UnshowableValue& refused)
{
    return "The page's value of " + refused.key + " cannot be shown as it is: " +
           DescribeShownValueFault(refused.fault) + ".";
}

void ShowRequestWarning(long entry, const std::string& text, const RequestingSite& site)
{
    const std::string shown = site.Known() ? "Asked by " + PhraseOf(site) + ":\n" + text : text;
    TraceLogFileWrite(kRequestTraceSource, entry, shown.c_str());
    systemCalls.MessageBoxA(nullptr, shown.c_str(), "Tolvane Message ",
                            MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND | MB_TOPMOST);
}

void RefuseBadRequest(long entry, const RequestingSite& site)
{
    ShowRequestWarning(entry, kBadRequestText, site);
    throw FormatException();
}

void RefuseUnshowableValue(long entry, const UnshowableValue& refused, const RequestingSite& site)
{
    ShowRequestWarning(entry, UnshowableValueText(refused), site);
    throw FormatException();
}
