// The one rig of the tests that drive the plug-in: no product key and an empty settings map at the
// start and the end of each test, a browser table of the test's own (status texts recorded, a
// working allocator), scripted boxes and dialogs, a running client (the mapping "970128", so that
// nothing is started) and top-level windows that stand for the browser's plug-in window.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "plugin/InstanceData.h"
#include "request/RequestOutcome.h"
#include "support/FakeBrowser.h"
#include "support/ScriptedPlatform.h"
#include "win/Owned.h"

class PluginRig : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The client stops running: its mapping goes.
    void StopClient() { clientMapping.reset(); }
    // A visible 320 x 200 top-level window of a plain class, named by npWindow and kept in
    // `window`; every window made goes at the end of the test.
    HWND MakeWindow();

    FakeBrowser browser;
    ScriptedPlatform ui;
    OwnedHandle clientMapping;
    NPP_t npp{};
    NPWindow npWindow{};
    HWND window = nullptr;

private:
    std::vector<HWND> windows;
};

// A click's DispatchRequest on its own, with the browser's table known to the plug-in, an owner
// window, and an instance record whose page request the test fills.
class DispatchRig : public PluginRig {
protected:
    void SetUp() override;
    void TearDown() override;

    // The click of `record`, with the plug-in's services for it.
    RequestOutcome Dispatch();
    RequestOutcome Dispatch(InstanceData& other);

    InstanceData record;
};
