// The user's consent to what a page asks to send.
#pragma once

#include <windows.h>

#include <string>

// What the confirmation names: each value as it is submitted.
struct PageNamedFile {
    std::string fullPath;
    std::string recipients;
    std::string serverName;
    std::string serverPort;      // empty: "(none given)"
    std::string httpServerPort;  // empty: "(none given)"
};

// A local file named by the page, not chosen by the user, is handed to the client only after the
// user answers Yes in the confirmation ("Tolvane Message ") that names it as it is submitted, the
// recipients, and the server and ports it goes to. owner: the plug-in's window; the confirmation
// belongs to its top-level window.
bool ConfirmPageNamedFile(const PageNamedFile& file, HWND owner);

// What the confirmation of a package request names, each value as it is submitted.
struct RequestedPackage {
    std::string name;
    std::string serverName;
    std::string serverPort;      // empty: "(none given)"
    std::string httpServerPort;  // empty: "(none given)"
};

// A download request that asks the user nothing of its own (RICH: no Save-As; no file the page
// named) goes, where the host confirms every request (BrowserServices::ConfirmsEveryRequest), only
// after the user's Yes in the confirmation ("Tolvane Message ") that names the package and the
// server and ports it comes from.
bool ConfirmRequestedPackage(const RequestedPackage& package, HWND owner);
