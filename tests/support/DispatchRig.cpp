#include "support/DispatchRig.h"

#include "clientlink/SettingsStore.h"
#include "plugin/PluginEntry.h"
#include "support/TestFiles.h"

void DispatchRig::SetUp()
{
    DeleteProductRegistryTree();
    settingsMap.RemoveAll();
    browserFuncs = &browser.funcs;
    clientMapping = HoldClientMapping();
    ASSERT_TRUE(clientMapping);
    window = CreateWindowExA(0, "STATIC", "browser", WS_OVERLAPPEDWINDOW, 0, 0, 200, 50, nullptr,
                             nullptr, nullptr, nullptr);
    npWindow.window = window;
    record.instance = &npp;
    record.window = &npWindow;
}

void DispatchRig::TearDown()
{
    browserFuncs = nullptr;
    clientMapping.reset();
    DestroyWindow(window);
    DeleteProductRegistryTree();
    settingsMap.RemoveAll();
}

char* DispatchRig::Text(const std::string& value)
{
    texts.push_back(value);
    return &texts.back()[0];
}
