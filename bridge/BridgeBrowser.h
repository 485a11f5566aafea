// The browser's services for a click that came through the extension: status texts and the client
// download page go back as replies, the dialogs belong to the host's owner window, the client starts
// detached from the browser's pipes and job, and every request shows the user a dialog.
#pragma once

#include <windows.h>

#include <string>

#include "bridge/BridgeReplies.h"
#include "request/BrowserServices.h"

class BridgeBrowser : public BrowserServices {
public:
    BridgeBrowser(BridgeReplies& replies, HWND owner) : replies(replies), owner(owner) {}

    // A status reply, the plug-in's ANSI text in UTF-8.
    void ShowStatus(const char* text) override;
    // An openUrl reply: the extension opens the page in a new tab.
    void OpenUrl(const std::string& url) override;
    HWND OwnerWindow() const override { return owner; }
    // The browser gave the host pipes and may end its job with it.
    ClientStartStyle ClientStart() const override { return ClientStartStyle::detached; }
    // The button lives in the page, which can cover or restyle it.
    bool ConfirmsEveryRequest() const override { return true; }

private:
    BridgeReplies& replies;
    HWND owner;
};
