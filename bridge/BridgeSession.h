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

// A spare: a host the extension starts ahead of need, so that the click does not wait for a process
// to start and load what its dialogs need. Its first message is exactly {"type":"warm"}, which
// carries nothing of any page; the host then warms up and waits for the click. It answers the click
// with {"type":"taken"} before anything else, so that the extension knows whether a spare that
// ended had the click (it must not be sent again) or not (it goes to a host started for it).
// The program's parts of it; tests give their own, an empty one does nothing.
struct SpareHooks {
    // Loads what the dialogs need, showing nothing; after the warm message only.
    std::function<void()> warmUp;
    // Waits until the click, or the end of the input, is there to read; false when the spare has
    // waited too long (kSpareWaitLimitMs), and then it ends without reading more.
    std::function<bool()> waitForClick;
};

// How long a spare waits for its click. One whose extension forgot it (the background script was
// suspended or ended without closing the port) must not stay behind for good; the extension lets
// its spare go a minute earlier.
constexpr unsigned long kSpareWaitLimitMs = 5 * 60 * 1000;

// The error replies of the spare's messages.
extern const char kWarmHoldsMore[];
extern const char kSecondWarm[];

// Reads one click, after one warm message when the host is a spare, and either refuses it with one
// error reply or hands it to `handle`: a message that is no well-formed click is refused before
// anything is shown. Whether the site may ask (a frame of another site among them) is the request
// path's decision, under the site policy. Nothing after the click is read: one host serves one
// click. A handler that throws, or returns without a done or error, leaves the extension a done
// "failed".
int ServeOneClick(const MessageReader& read, const MessageWriter& write, const ClickHandler& handle,
                  const SpareHooks& spare = {});

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
