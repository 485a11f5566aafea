#include "hostile/HostileSupport.h"

#include <malloc.h>

#include <cstring>

#include "clientlink/SettingsStore.h"
#include "plugin/PluginEntry.h"

const char* const kFormatFailure = "Tolvane save request failed : Format Exception";
const char* const kDone = "Document : Done";
const char* const kCancelled = "Tolvane Save request cancelled";

namespace {

const char kWindowClass[] = "VxHostileBrowserWindow";

LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

void RegisterWindowClass()
{
    static bool registered = false;
    if (registered) return;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = PlainWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kWindowClass;
    registered = RegisterClassA(&windowClass) != 0;
}

}  // namespace

void ExpectHeapIntact()
{
    EXPECT_EQ(_HEAPOK, _heapchk()) << "the C runtime heap is damaged";
    EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr)) << "the process heap is damaged";
}

Attributes::Attributes(std::initializer_list<std::pair<std::string, std::string>> list)
{
    for (const auto& attribute : list) Add(attribute.first, attribute.second);
}

void Attributes::Add(const std::string& name, const std::string& value)
{
    names.push_back(Own(name));
    values.push_back(Own(value));
}

void Attributes::AddNull(bool nullName, bool nullValue)
{
    names.push_back(nullName ? nullptr : Own("name"));
    values.push_back(nullValue ? nullptr : Own("value"));
}

char* Attributes::Own(const std::string& text)
{
    storage.emplace_back(text.begin(), text.end());
    storage.back().push_back('\0');
    return storage.back().data();
}

void PluginHost::SetUp()
{
    DeleteProductRegistryTree();
    settingsMap.RemoveAll();
    // A running client unless a case stops it: no start and no "Startup" box at initialisation.
    clientMapping = HoldClientMapping();
    ASSERT_TRUE(clientMapping);
    ASSERT_EQ(NPERR_NO_ERROR, NP_GetEntryPoints(&table));
    ASSERT_EQ(NPERR_NO_ERROR, NP_Initialize(&browser.funcs));
}

void PluginHost::TearDown()
{
    if (npp.pdata) table.destroy(&npp, nullptr);
    if (window) DestroyWindow(window);
    NP_Shutdown();
    pluginFuncs = nullptr;
    StopClient();
    DeleteProductRegistryTree();
    settingsMap.RemoveAll();
    ExpectHeapIntact();
}

void PluginHost::InstallClient(const std::string& deliveryDir)
{
    WriteProductValue("LoadRequestDir", requestDir.path());
    WriteProductValue("LoadDeliveryDir", deliveryDir);
}

void PluginHost::StopClient()
{
    clientMapping.reset();
}

NPError PluginHost::New(Attributes& attributes, int16_t count)
{
    char mime[] = "application/x-vnxclient";
    return table.newp(mime, &npp, NP_EMBED, count, attributes.Names(), attributes.Values(), nullptr);
}

void PluginHost::ShowInWindow()
{
    RegisterWindowClass();
    window = CreateWindowExA(0, kWindowClass, "browser", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 320,
                             200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, window);
    npWindow.window = window;
    npWindow.width = 320;
    npWindow.height = 200;
    npWindow.type = NPWindowTypeWindow;
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

void PluginHost::ClickRequestFile(const std::string& bytes)
{
    // Beside the request directory, as the browser's cache would hold it.
    const std::string path = requestDir.path() + "-request.vnxclient";
    WriteWholeFile(path, bytes);
    Attributes attributes{{"src", "request.vnxclient"}, {"type", "application/x-vnxclient"}};
    ASSERT_EQ(NPERR_NO_ERROR, New(attributes));
    Stream(path);
    ShowInWindow();
    Click();
    DeleteFileA(path.c_str());
}

std::vector<std::string> PluginHost::Submissions() const
{
    return FileNamesIn(requestDir.path(), "*.vnxsubmit");
}

std::string PluginHost::OnlySubmission()
{
    const std::vector<std::string> all = FileNamesIn(requestDir.path(), "*");
    EXPECT_EQ(1u, all.size()) << "files in the request directory";
    if (all.size() != 1) return {};
    EXPECT_EQ(9u + std::strlen(".vnxsubmit"), all[0].size()) << all[0];
    return ReadWholeFile(requestDir / all[0]);
}

std::string PluginHost::LastStatus() const
{
    return browser.statusTexts.empty() ? "<none>" : browser.statusTexts.back();
}

std::multiset<std::string> Lines(const std::string& bytes)
{
    std::multiset<std::string> lines;
    std::string::size_type start = 0;
    while (start < bytes.size()) {
        const auto end = bytes.find('\n', start);
        EXPECT_NE(std::string::npos, end) << "last line without LF";
        if (end == std::string::npos) break;
        lines.insert(bytes.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}
