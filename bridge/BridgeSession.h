// One run of the host: read the click, hand it over, make sure the extension gets a last message.
// Portable; bridge/main.cpp runs it over the standard handles.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "bridge/BridgeClick.h"
#include "bridge/BridgeReplies.h"
#include "bridge/MessageFraming.h"

// The program's exit codes besides the click handler's own.
constexpr int kExitQuiet = 0;    // the browser closed the port before sending anything
constexpr int kExitRefused = 1;  // the message was refused with an error reply
constexpr int kExitFailed = 2;   // the host failed: the extension got an error (before the hand-over)
                                 // or done "failed" (after it)

// The request path; answers the exit code. It ends with replies.Done or replies.Error.
using ClickHandler = std::function<int(const BridgeClick&, BridgeReplies&)>;

// Reads one message and either refuses it with one error reply or hands the click to `handle`: a
// message that is no well-formed click is refused before anything is shown. Whether the site may
// ask (a frame of another site among them) is the request path's decision, under the site policy.
// A handler that throws, or returns without a done or error, leaves the extension a done "failed".
int ServeOneClick(const MessageReader& read, const MessageWriter& write, const ClickHandler& handle);

// The command line: Chrome passes the extension's origin and, on Windows, --parent-window=<hwnd>
// (0 from a service worker); Firefox passes the manifest path and the extension id. Only the
// window is kept: the owner of the dialogs. 0 when absent or not a number.
struct BridgeArguments {
    std::int64_t parentWindow = 0;
};
BridgeArguments ParseBridgeArguments(int argc, const char* const* argv);

// What the program says when a person starts it from a console.
std::string BridgeAboutText();

// The manifest's "name", under which browsers find the host: shared/bridge-constants.json's hostName,
// which the setup's manifests and the extension take.
constexpr char kBridgeHostName[] = "example.tolvane.vxbridge";
