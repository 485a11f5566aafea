// What every dialog of one click needs to know: the window it belongs to, who asks (each dialog
// names the site), and whether the host confirms every request before anything else is shown.
#pragma once

#include <windows.h>

#include <utility>

#include "request/RequestingSite.h"

struct ClickDialogs {
    // A plain owner: the plug-in's click in a browser that told nothing of the page.
    ClickDialogs(HWND owner = nullptr, RequestingSite site = {}, bool confirmsEveryRequest = false)
        : owner(owner), site(std::move(site)), confirmsEveryRequest(confirmsEveryRequest)
    {
    }

    HWND owner;
    RequestingSite site;
    // BrowserServices::ConfirmsEveryRequest: no system dialog and no submission comes before the
    // confirmation, a dialog of our own that the page cannot draw and that takes only fresh input.
    bool confirmsEveryRequest;
};
