// The request path behind the bridge: the plug-in's dispatch, with the host's services.
#include "bridge/RunBridgeClick.h"

#include "bridge/BridgeBrowser.h"
#include "bridge/ClickRequest.h"
#include "bridge/DialogOwner.h"
#include "client/KeyValueMap.h"
#include "diag/TraceSwitch.h"
#include "request/RequestDispatch.h"
#include "win/Owned.h"

int RunBridgeClick(const BridgeClick& click, HWND owner, BridgeReplies& replies)
{
    // The support switch records the click's boxes as it does the plug-in's.
    OpenTraceLogWhenSwitchedOn();
    auto closeTraceLog = OnScopeExit([] { CloseTraceLogOpenedAtStartUp(); });

    const DialogOwner dialogs(owner);
    BridgeBrowser browser(replies, dialogs.Window());
    // Loaded by the dispatch's configuration check, saved after a submission.
    CKeyValueMap settings;
    replies.Done(DispatchRequest(PageRequestFromClick(click), settings, browser));
    return 0;
}
