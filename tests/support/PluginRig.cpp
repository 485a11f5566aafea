#include "support/PluginRig.h"

#include "client/SettingsStore.h"
#include "plugin/InstanceBrowser.h"
#include "plugin/ModuleState.h"
#include "plugin/PluginEntry.h"
#include "request/RequestDispatch.h"
#include "support/TestFiles.h"

namespace {

const char kWindowClass[] = "VxTestPluginWindow";

void RegisterWindowClass()
{
    static bool registered = false;
    if (registered) return;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kWindowClass;
    registered = RegisterClassA(&windowClass) != 0;
}

}  // namespace

void PluginRig::SetUp()
{
    DeleteProductRegistryTree();
    moduleState.settings.RemoveAll();
    clientMapping = HoldClientMapping();
    ASSERT_TRUE(clientMapping);
}

void PluginRig::TearDown()
{
    for (HWND made : windows) DestroyWindow(made);
    windows.clear();
    window = nullptr;
    StopClient();
    DeleteProductRegistryTree();
    moduleState.settings.RemoveAll();
}

HWND PluginRig::MakeWindow()
{
    RegisterWindowClass();
    window = CreateWindowExA(0, kWindowClass, "browser", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 320,
                             200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (window) windows.push_back(window);
    npWindow.window = window;
    npWindow.width = 320;
    npWindow.height = 200;
    npWindow.type = NPWindowTypeWindow;
    return window;
}

void DispatchRig::SetUp()
{
    PluginRig::SetUp();
    moduleState.browserFuncs = &browser.funcs;
    ASSERT_NE(nullptr, MakeWindow());
    record.instance = &npp;
    record.window = &npWindow;
}

void DispatchRig::TearDown()
{
    moduleState.browserFuncs = nullptr;
    PluginRig::TearDown();
}

RequestOutcome DispatchRig::Dispatch() { return Dispatch(record); }

RequestOutcome DispatchRig::Dispatch(InstanceData& other)
{
    InstanceBrowser services(other);
    return DispatchRequest(other.page, moduleState.settings, services);
}
