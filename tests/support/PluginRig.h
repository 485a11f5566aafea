// The rig of the tests that drive the plug-in: the request path's rig (RequestRig.h) with an empty
// module settings map at the start and the end of each test, a browser table of the test's own
// (status texts recorded, a working allocator) and the NPAPI window that names the rig's window.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include "plugin/InstanceData.h"
#include "request/RequestOutcome.h"
#include "support/FakeBrowser.h"
#include "support/RequestRig.h"

class PluginRig : public RequestRig {
protected:
    void SetUp() override;
    void TearDown() override;

    // RequestRig::MakeWindow, named by npWindow too.
    HWND MakeWindow();

    FakeBrowser browser;
    NPP_t npp{};
    NPWindow npWindow{};
};

// A click's DispatchRequest on its own, with the browser's table known to the plug-in, an owner
// window, and an instance record whose page request the test fills.
class InstanceDispatchRig : public PluginRig {
protected:
    void SetUp() override;
    void TearDown() override;

    // The click of `record`, with the plug-in's services for it.
    RequestOutcome Dispatch();
    RequestOutcome Dispatch(InstanceData& other);

    InstanceData record;
};
