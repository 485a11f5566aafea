#include "bridge/BridgeBrowser.h"

#include "bridge/AnsiText.h"

void BridgeBrowser::ShowStatus(const char* text)
{
    replies.Status(AnsiToUtf8(text ? text : ""));
}

void BridgeBrowser::OpenUrl(const std::string& url)
{
    replies.OpenUrl(AnsiToUtf8(url));
}

ClickResult ResultOf(RequestOutcome outcome)
{
    switch (outcome) {
    case RequestOutcome::submitted:
        return ClickResult::submitted;
    case RequestOutcome::cancelled:
        return ClickResult::cancelled;
    case RequestOutcome::failed:
        break;
    }
    return ClickResult::failed;
}
