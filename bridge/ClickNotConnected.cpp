// TEMPORARY: stands in for the request path until the request code is linked into vxbridge.exe,
// so that the program runs end to end. The request path's own RunBridgeClick replaces this file.
#include "bridge/RunBridgeClick.h"

#include "bridge/BridgeSession.h"

int RunBridgeClick(const BridgeClick&, HWND, BridgeReplies& replies)
{
    replies.Error("the request path is not connected yet");
    return kExitRefused;
}
