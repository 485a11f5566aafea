// The user's consent to what a page asks to send.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "request/ClickDialogs.h"

// What the confirmation names: each value as it is submitted.
struct PageNamedFile {
    std::string fullPath;
    std::string recipients;
    std::string serverName;
    std::string serverPort;      // empty: "(none given)"
    std::string httpServerPort;  // empty: "(none given)"
};

// A local file named by the page, not chosen by the user, is handed to the client only after the
// user answers Yes in the confirmation ("Tolvane Message ") that names who asks, the file as it is
// submitted, the recipients, and the server and ports it goes to. The confirmation belongs to the
// top-level window of the dialogs' owner (the plug-in's window).
bool ConfirmPageNamedFile(const PageNamedFile& file, const ClickDialogs& dialogs);

// What the confirmation of a package request names, each value as it is submitted.
struct RequestedPackage {
    std::string name;
    std::string serverName;
    std::string serverPort;      // empty: "(none given)"
    std::string httpServerPort;  // empty: "(none given)"
    // A package saved where the user chooses: the name the Save-As dialog proposes.
    std::optional<std::string> proposedFileName;
};

// Where the host confirms every request (ClickDialogs::confirmsEveryRequest), a download whose
// package no other confirmation named goes on, to the Save-As dialog or to the client, only after
// the user's Yes in the confirmation ("Tolvane Message ") that names who asks, the package, the
// proposed file name when there is a Save-As, and the server and ports it comes from.
bool ConfirmRequestedPackage(const RequestedPackage& package, const ClickDialogs& dialogs);

// Where an upload goes, each value as it is submitted (the ports with their defaults).
struct UploadDestination {
    std::string recipients;
    std::string serverName;
    std::string serverPort;
    std::string httpServerPort;
};

// Where the host confirms every request, the Open dialog of an upload comes only after the user's
// Yes in the confirmation that names who asks, the recipients and the server and ports.
bool ConfirmChoosingFileToSend(const UploadDestination& destination, const ClickDialogs& dialogs);
