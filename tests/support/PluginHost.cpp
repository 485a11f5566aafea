#include "support/PluginHost.h"

#include "plugin/ModuleState.h"
#include "plugin/PluginEntry.h"

void PluginHost::SetUp()
{
    PluginRig::SetUp();
    table.size = sizeof table;
    ASSERT_EQ(NPERR_NO_ERROR, NP_GetEntryPoints(&table));
    ASSERT_EQ(NPERR_NO_ERROR, NP_Initialize(&browser.funcs));
}

void PluginHost::TearDown()
{
    if (npp.pdata) table.destroy(&npp, nullptr);
    NP_Shutdown();
    moduleState.pluginFuncs = nullptr;
    PluginRig::TearDown();
    ExpectHeapIntact();
}

NPError PluginHost::New(Attributes& attributes, int16_t count)
{
    char mime[] = "application/x-vnxclient";
    return table.newp(mime, &npp, NP_EMBED, count, attributes.Names(), attributes.Values(), nullptr);
}

void PluginHost::ShowInWindow()
{
    ASSERT_NE(nullptr, MakeWindow());
    ASSERT_EQ(NPERR_NO_ERROR, table.setwindow(&npp, &npWindow));
}

void PluginHost::Stream(const std::string& path)
{
    NPStream stream{};
    std::string url = "http://pages.example/request.vnxclient";
    stream.url = url.c_str();
    char mime[] = "application/x-vnxclient";
    uint16_t type = NP_NORMAL;
    ASSERT_EQ(NPERR_NO_ERROR, table.newstream(&npp, mime, &stream, 0, &type));
    ASSERT_EQ(NP_ASFILE, type);
    table.asfile(&npp, &stream, path.c_str());
    ASSERT_EQ(NPERR_NO_ERROR, table.destroystream(&npp, &stream, NPRES_DONE));
}

void PluginHost::Click()
{
    InstanceData* record = Record();
    ASSERT_NE(nullptr, record);
    ASSERT_NE(nullptr, record->button);
    SendMessageA(record->button, BM_CLICK, 0, 0);
}

void PluginHost::EndInstance()
{
    if (npp.pdata) table.destroy(&npp, nullptr);
    if (window) DestroyWindow(window);
    window = nullptr;
}

void PluginHost::ClickPage(std::initializer_list<std::pair<Attributes::Text, Attributes::Text>> list)
{
    EndInstance();
    Attributes attributes(list);
    ASSERT_EQ(NPERR_NO_ERROR, New(attributes));
    ShowInWindow();
    Click();
}

void PluginHost::ClickRequestFile(const std::string& bytes)
{
    EndInstance();
    const std::string path = RequestFilePath();
    WriteWholeFile(path, bytes);
    Attributes attributes{{"src", "request.vnxclient"}, {"type", "application/x-vnxclient"}};
    ASSERT_EQ(NPERR_NO_ERROR, New(attributes));
    Stream(path);
    ShowInWindow();
    Click();
    DeleteFileA(path.c_str());
}

std::string PluginHost::LastStatus() const
{
    return browser.statusTexts.empty() ? "<none>" : browser.statusTexts.back();
}
