// What the request path needs of the program that hosts it: the browser's status line, its way of
// opening a page, the window dialogs belong to, and how the host starts the client. The plug-in
// supplies them through NPAPI and DDE; the native messaging host through its messages.
#pragma once

#include <windows.h>

#include <string>

#include "client/ClientLaunch.h"

class BrowserServices {
public:
    virtual ~BrowserServices() = default;

    // A text for the status line. Once the page has gone, texts are dropped.
    virtual void ShowStatus(const char* text) = 0;
    // Opens the page in the browser, after the user's Yes; the URL has passed IsSafeBrowserUrl.
    virtual void OpenUrl(const std::string& url) = 0;
    // The window the file dialogs belong to (the confirmation takes its top-level window); null when
    // there is none.
    virtual HWND OwnerWindow() const = 0;
    virtual ClientStartStyle ClientStart() const { return ClientStartStyle::inheritHandles; }
    // Whether every request needs a dialog the page cannot draw before it goes. The plug-in's button
    // is a window of its own that no page can cover or restyle, so its click is the user's; a button
    // that lives in the page (the extension's) could be covered or made invisible, and a key held
    // since before the click would answer a system dialog's default button. Then the confirmation
    // (request/Confirmation.h) comes before anything else, a Save-As or Open dialog included, and
    // the box that offers the client names the address its Yes opens (in a new tab).
    virtual bool ConfirmsEveryRequest() const { return false; }
};
