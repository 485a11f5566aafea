// The request path behind the bridge: what the plug-in did for a click of its button.
#pragma once

#include <windows.h>

#include "bridge/BridgeClick.h"
#include "bridge/BridgeReplies.h"

// Runs the click (dialogs owned by `owner`, null when the browser gave no window) and tells the
// extension through `replies`: status texts in UTF-8 (AnsiToUtf8 of the plug-in's texts), openUrl
// after the user's Yes to getting the client, then Done with the result. Answers the program's
// exit code, 0 when the click ran. Attribute texts go to the request code through Utf8ToAnsi; one
// that does not convert makes the request a bad request. If it returns or throws without Done or
// Error, ServeOneClick sends done "failed".
int RunBridgeClick(const BridgeClick& click, HWND owner, BridgeReplies& replies);
