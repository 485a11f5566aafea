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
