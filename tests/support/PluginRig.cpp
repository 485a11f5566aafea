#include "support/PluginRig.h"

#include "plugin/InstanceBrowser.h"
#include "plugin/ModuleState.h"
#include "request/RequestDispatch.h"

void PluginRig::SetUp()
{
    moduleState.settings.RemoveAll();
    RequestRig::SetUp();
}

void PluginRig::TearDown()
{
    RequestRig::TearDown();
    moduleState.settings.RemoveAll();
}

HWND PluginRig::MakeWindow()
{
    RequestRig::MakeWindow();
    npWindow.window = window;
    npWindow.width = 320;
    npWindow.height = 200;
    npWindow.type = NPWindowTypeWindow;
    return window;
}

void InstanceDispatchRig::SetUp()
{
    PluginRig::SetUp();
    moduleState.browserFuncs = &browser.funcs;
    ASSERT_NE(nullptr, MakeWindow());
    record.instance = &npp;
    record.window = &npWindow;
}

void InstanceDispatchRig::TearDown()
{
    moduleState.browserFuncs = nullptr;
    PluginRig::TearDown();
}

RequestOutcome InstanceDispatchRig::Dispatch() { return Dispatch(record); }

RequestOutcome InstanceDispatchRig::Dispatch(InstanceData& other)
{
    InstanceBrowser services(other);
    return DispatchRequest(other.page, moduleState.settings, services);
}
