#include "vxhost/PageInstances.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "vxhost/BrowserFunctions.h"
#include "vxhost/HostOutput.h"

namespace {

constexpr char kAreaClass[] = "VxHostPluginArea";
constexpr char kBrowserClass[] = "VxHostBrowser";
constexpr int kMargin = 12;
constexpr int kTitleHeight = 40;
constexpr int kDefaultWidth = 240;
constexpr int kDefaultHeight = 40;
constexpr int32_t kStreamChunk = 4096;

int ParseDimension(const std::string* text, int fallback)
{
    if (!text || text->empty()) return fallback;
    char* end = nullptr;
    long value = std::strtol(text->c_str(), &end, 10);
    if (end == text->c_str() || (*end != 0 && *end != 'p' && *end != ' ') || value <= 0 || value > 4000)
        return fallback;
    return static_cast<int>(value);
}

std::string FolderOf(const std::string& path)
{
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path)
{
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsAbsoluteWindowsPath(const std::string& path)
{
    return (path.size() > 2 && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) ||
           (path.size() > 1 && (path[0] == '\\' || path[0] == '/'));
}

std::string PercentDecoded(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::strtol(text.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// A src as a local path: file: URLs and paths relative to the page; empty for other schemes.
std::string ResolveSource(const std::string& pagePath, const std::string& src)
{
    std::string path = src.substr(0, src.find_first_of("?#"));
    if (path.compare(0, 8, "file:///") == 0) {
        path = PercentDecoded(path.substr(8));
    } else {
        size_t colon = path.find(':');
        if (colon != std::string::npos && colon > 1 && path.find_first_of("/\\") > colon) return {};
        path = PercentDecoded(path);
    }
    std::replace(path.begin(), path.end(), '/', '\\');
    if (!IsAbsoluteWindowsPath(path)) path = FolderOf(pagePath) + "\\" + path;
    char full[MAX_PATH * 2];
    DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return (length > 0 && length < sizeof full) ? std::string(full, length) : path;
}

std::string FileUrl(const std::string& path)
{
    std::string url = "file:///";
    for (char c : path) url += c == '\\' ? '/' : c;
    return url;
}

bool ReadWholeFile(const std::string& path, std::string& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    bytes = buffer.str();
    return !in.bad();
}

void CreateFolders(const std::string& path)
{
    for (size_t at = path.find_first_of("\\/", 3); at != std::string::npos; at = path.find_first_of("\\/", at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    CreateDirectoryA(path.c_str(), nullptr);
}

const char* StreamTypeName(uint16_t type)
{
    switch (type) {
    case NP_NORMAL: return "NP_NORMAL";
    case NP_SEEK: return "NP_SEEK";
    case NP_ASFILE: return "NP_ASFILE";
    case NP_ASFILEONLY: return "NP_ASFILEONLY";
    default: return "unknown";
    }
}

LRESULT CALLBACK BrowserWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
        if (HWND bar = GetDlgItem(window, 1)) SendMessageA(bar, WM_SIZE, 0, 0);
        return 0;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

void RegisterWindowClasses()
{
    static bool registered = false;
    if (registered) return;
    registered = true;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSA browser{};
    browser.lpfnWndProc = BrowserWindowProc;
    browser.hInstance = GetModuleHandleA(nullptr);
    browser.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    browser.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    browser.lpszClassName = kBrowserClass;
    RegisterClassA(&browser);
    WNDCLASSA area{};
    area.lpfnWndProc = DefWindowProcA;
    area.hInstance = GetModuleHandleA(nullptr);
    area.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    area.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    area.lpszClassName = kAreaClass;
    RegisterClassA(&area);
}

}  // namespace

struct BrowserPage::Instance {
    int number = 0;
    SelectedElement element{};
    NPP_t npp{};
    NPWindow window{};
    HWND hwnd = nullptr;
    bool created = false;
    bool destroyed = false;  // NPP_Destroy has run
    std::vector<std::string> names;
    std::vector<std::string> values;
};

struct BrowserPage::ActiveClick {
    Instance* instance;
    std::vector<std::string> statuses;
    bool instanceDestroyed = false;
};

bool IsClosingStatus(const std::string& text)
{
    return text == "Document : Done" || text == "Document: Done" || text == "Tolvane Save request cancelled" ||
           text.compare(0, 27, "Tolvane save request failed") == 0;
}

std::vector<SelectedElement> SelectPluginElements(const HtmlPage& page, const PluginInfo& plugin)
{
    std::vector<SelectedElement> selected;
    std::vector<bool> taken(page.elements.size(), false);
    for (size_t i = 0; i < page.elements.size(); ++i) {
        const PageElement& element = page.elements[i];
        if (element.enclosingObject >= 0 && taken[element.enclosingObject]) {
            taken[i] = true;  // fallback of an object that is shown: nested content is not shown either
            continue;
        }
        bool isObject = element.tag == "object";
        const std::string* type = FindAttribute(element.attributes, "type");
        const std::string* src = FindAttribute(element.attributes, isObject ? "data" : "src");
        if (isObject && !src) src = FindAttribute(element.attributes, "src");
        bool handled = (type && plugin.HandlesType(*type)) || (src && plugin.HandlesFileName(*src));
        if (!handled) continue;
        taken[i] = true;
        SelectedElement chosen{&element, element.attributes,
                               type && plugin.HandlesType(*type) ? *type : plugin.mimeTypes.front(),
                               src ? *src : "",
                               ParseDimension(FindAttribute(element.attributes, "width"), kDefaultWidth),
                               ParseDimension(FindAttribute(element.attributes, "height"), kDefaultHeight)};
        if (isObject) {
            // Plug-ins written for <embed> look for "src": browsers copied "data" into it.
            if (src && !FindAttribute(element.attributes, "src")) chosen.arguments.emplace_back("src", *src);
            if (!element.params.empty()) {
                chosen.arguments.emplace_back("PARAM", "");
                for (const Attribute& param : element.params) chosen.arguments.push_back(param);
            }
        }
        selected.push_back(std::move(chosen));
    }
    return selected;
}

void PumpMessagesFor(DWORD milliseconds)
{
    DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(message.wParam));
                return;
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= milliseconds) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
    }
}

BrowserPage::BrowserPage(PluginModule& plugin, std::string pagePath, std::string cacheFolder)
    : plugin(plugin), pagePath(std::move(pagePath)), cacheFolder(std::move(cacheFolder))
{
}

BrowserPage::~BrowserPage()
{
    if (mainWindow && IsWindow(mainWindow)) DestroyWindow(mainWindow);
}

void BrowserPage::CreateBrowserWindow(const std::string& title, const std::string& pageText)
{
    RegisterWindowClasses();
    mainWindow = CreateWindowExA(0, kBrowserClass, ("vxhost - " + title).c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                 20, 20, 480, 240, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!mainWindow) throw std::runtime_error("cannot create the browser window: " + Win32ErrorText(GetLastError()));
    titleLabel = CreateWindowExA(0, "STATIC", (pageText.empty() ? title : pageText).c_str(), WS_CHILD | WS_VISIBLE,
                                 kMargin, 6, 440, kTitleHeight - 6,
                                 mainWindow, nullptr, GetModuleHandleA(nullptr), nullptr);
    statusBar = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                                mainWindow, reinterpret_cast<HMENU>(1), GetModuleHandleA(nullptr), nullptr);
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    SendMessageA(titleLabel, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void BrowserPage::Show()
{
    ShowWindow(mainWindow, SW_SHOWNORMAL);
    UpdateWindow(mainWindow);
}

void BrowserPage::CreateInstances(const std::vector<SelectedElement>& elements)
{
    int y = kTitleHeight + kMargin;
    int widest = 440;
    for (const SelectedElement& element : elements) {
        auto instance = std::make_unique<Instance>();
        Instance& current = *instance;
        instances.push_back(std::move(instance));
        current.number = static_cast<int>(instances.size());
        current.element = element;
        current.npp.ndata = &current;
        for (const Attribute& argument : element.arguments) {
            current.names.push_back(argument.first);
            current.values.push_back(argument.second);
        }
        std::vector<char*> argn, argv;
        for (size_t i = 0; i < current.names.size(); ++i) {
            argn.push_back(&current.names[i][0]);
            argv.push_back(&current.values[i][0]);
        }
        std::string described = "<" + element.element->tag + "> at line " + std::to_string(element.element->line);
        std::vector<char> mime(element.mimeType.begin(), element.mimeType.end());
        mime.push_back(0);
        NPError error = plugin.funcs.newp(mime.data(), &current.npp, NP_EMBED, static_cast<int16_t>(argn.size()),
                                          argn.data(), argv.data(), nullptr);
        if (error != NPERR_NO_ERROR) {
            PrintLine("vxhost", "instance " + std::to_string(current.number) + ": NPP_New for " + described +
                                    " failed with error " + std::to_string(error));
            continue;
        }
        current.created = true;
        current.hwnd = CreateWindowExA(0, kAreaClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, kMargin, y,
                                       element.width, element.height, mainWindow, nullptr, GetModuleHandleA(nullptr),
                                       nullptr);
        if (!current.hwnd) throw std::runtime_error("cannot create the plug-in window: " + Win32ErrorText(GetLastError()));
        current.window.window = current.hwnd;
        current.window.x = kMargin;
        current.window.y = y;
        current.window.width = static_cast<uint32_t>(element.width);
        current.window.height = static_cast<uint32_t>(element.height);
        current.window.clipRect = NPRect{static_cast<uint16_t>(y), static_cast<uint16_t>(kMargin),
                                         static_cast<uint16_t>(y + element.height),
                                         static_cast<uint16_t>(kMargin + element.width)};
        current.window.type = NPWindowTypeWindow;
        PrintLine("vxhost", "instance " + std::to_string(current.number) + ": " + described + ", " +
                                std::to_string(element.width) + "x" + std::to_string(element.height) + ", " +
                                std::to_string(argn.size()) + " arguments");
        error = plugin.funcs.setwindow(&current.npp, &current.window);
        if (error != NPERR_NO_ERROR)
            PrintLine("vxhost", "instance " + std::to_string(current.number) + ": NPP_SetWindow answered " +
                                    std::to_string(error));
        if (!element.src.empty()) StreamSource(current);
        y += element.height + kMargin;
        widest = std::max(widest, element.width + 2 * kMargin);
    }
    RECT statusRect{};
    GetWindowRect(statusBar, &statusRect);
    RECT frame{0, 0, widest, y + (statusRect.bottom - statusRect.top)};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    SetWindowPos(mainWindow, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::string BrowserPage::CacheCopy(int number, const std::string& sourcePath, const std::string& bytes)
{
    CreateFolders(cacheFolder);
    std::string copy = cacheFolder + "\\" + std::to_string(number) + "-" + BaseNameOf(sourcePath);
    std::ofstream out(copy, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw std::runtime_error("cannot write the cache copy " + copy);
    return copy;
}

void BrowserPage::StreamSource(Instance& instance)
{
    std::string label = "instance " + std::to_string(instance.number);
    std::string path = ResolveSource(pagePath, instance.element.src);
    if (path.empty()) {
        PrintLine("vxhost", label + ": src " + instance.element.src + " is not a local file; no stream");
        return;
    }
    std::string bytes;
    if (!ReadWholeFile(path, bytes)) {
        PrintLine("vxhost", label + ": src file not found: " + path + "; no stream");
        return;
    }
    std::string cachePath = CacheCopy(instance.number, path, bytes);
    std::string url = FileUrl(path);
    NPStream stream{};
    stream.ndata = &instance;
    stream.url = url.c_str();
    stream.end = static_cast<uint32_t>(bytes.size());
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &attributes)) {
        ULARGE_INTEGER time{{attributes.ftLastWriteTime.dwLowDateTime, attributes.ftLastWriteTime.dwHighDateTime}};
        stream.lastmodified = static_cast<uint32_t>((time.QuadPart - 116444736000000000ULL) / 10000000ULL);
    }
    std::vector<char> mime(instance.element.mimeType.begin(), instance.element.mimeType.end());
    mime.push_back(0);
    uint16_t streamType = NP_NORMAL;
    if (!plugin.funcs.newstream) return;
    NPError error = plugin.funcs.newstream(&instance.npp, mime.data(), &stream, 0, &streamType);
    if (error != NPERR_NO_ERROR) {
        PrintLine("vxhost", label + ": NPP_NewStream refused " + url + " with error " + std::to_string(error));
        return;
    }
    PrintLine("vxhost", label + ": stream " + url + ", " + std::to_string(bytes.size()) + " bytes, " +
                            StreamTypeName(streamType));
    NPReason reason = NPRES_DONE;
    if (streamType != NP_ASFILEONLY && plugin.funcs.write) {
        int32_t offset = 0;
        int idleRounds = 0;
        const int32_t size = static_cast<int32_t>(bytes.size());
        while (offset < size) {
            int32_t ready = plugin.funcs.writeready ? plugin.funcs.writeready(&instance.npp, &stream) : kStreamChunk;
            if (ready <= 0) {
                // Not ready: a browser comes back later; give up after about five seconds.
                if (++idleRounds > 500) {
                    reason = NPRES_NETWORK_ERR;
                    break;
                }
                PumpMessagesFor(10);
                continue;
            }
            int32_t length = std::min({ready, kStreamChunk, size - offset});
            int32_t taken = plugin.funcs.write(&instance.npp, &stream, offset, length, &bytes[offset]);
            if (taken < 0) {
                reason = NPRES_USER_BREAK;
                break;
            }
            if (taken == 0 && ++idleRounds > 500) {
                reason = NPRES_NETWORK_ERR;
                break;
            }
            offset += std::min(taken, length);
        }
    }
    if (reason == NPRES_DONE && (streamType == NP_ASFILE || streamType == NP_ASFILEONLY) && plugin.funcs.asfile)
        plugin.funcs.asfile(&instance.npp, &stream, cachePath.c_str());
    if (plugin.funcs.destroystream) plugin.funcs.destroystream(&instance.npp, &stream, reason);
    if (reason != NPRES_DONE)
        PrintLine("vxhost", label + ": stream ended early (reason " + std::to_string(reason) + ")");
}

BrowserPage::Instance* BrowserPage::InstanceOf(NPP npp)
{
    for (auto& instance : instances)
        if (&instance->npp == npp) return instance.get();
    return nullptr;
}

void BrowserPage::ShowStatus(NPP npp, const std::string& text)
{
    if (statusBar) SendMessageA(statusBar, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
    PrintLine("status", text);
    Instance* from = InstanceOf(npp);
    if (from && from->destroyed) {
        // Its NPP is gone: a browser could not even tell which page the text belongs to.
        statusesAfterDestroy.push_back(text);
        PrintError("instance " + std::to_string(from->number) + " showed a status text after its NPP_Destroy: \"" +
                   text + "\"");
        return;
    }
    if (activeClicks.empty()) return;
    // The texts go to the click of the instance that shows them; nested clicks are of other instances.
    for (auto it = activeClicks.rbegin(); it != activeClicks.rend(); ++it) {
        if ((*it)->instance == from) {
            (*it)->statuses.push_back(text);
            return;
        }
    }
    activeClicks.back()->statuses.push_back(text);
}

ClickOutcome BrowserPage::Click(int number)
{
    ClickOutcome outcome;
    if (number < 1 || number > static_cast<int>(instances.size())) {
        outcome.problem = "there is no instance " + std::to_string(number) + " (the page has " +
                          std::to_string(instances.size()) + ")";
        return outcome;
    }
    Instance& instance = *instances[number - 1];
    if (!instance.created) {
        outcome.problem = "instance " + std::to_string(number) + (instance.destroyed ? " was destroyed" : " was not created");
        return outcome;
    }
    HWND button = FindWindowExA(instance.hwnd, nullptr, nullptr, nullptr);
    if (!button) {
        outcome.problem = "instance " + std::to_string(number) + " shows no button in its window";
        return outcome;
    }
    if (!IsWindowEnabled(button)) {
        outcome.problem = "the button of instance " + std::to_string(number) + " is disabled";
        return outcome;
    }
    char caption[256] = "";
    GetWindowTextA(button, caption, sizeof caption);
    PrintLine("vxhost", "click " + std::to_string(number) + " on \"" + caption + "\"");
    ActiveClick active{&instance, {}};
    activeClicks.push_back(&active);
    // BM_CLICK presses and releases the button as the mouse does; the plug-in's handler runs inside.
    SendMessageA(button, BM_CLICK, 0, 0);
    activeClicks.pop_back();
    outcome.clicked = true;
    outcome.statuses = active.statuses;
    outcome.instanceDestroyed = active.instanceDestroyed;
    return outcome;
}

NPError BrowserPage::DestroyOne(Instance& instance)
{
    NPSavedData* saved = nullptr;
    NPError error = plugin.funcs.destroy(&instance.npp, &saved);
    instance.created = false;
    instance.destroyed = true;
    for (ActiveClick* click : activeClicks)
        if (click->instance == &instance) click->instanceDestroyed = true;
    // Saved data belongs to the browser now; this browser does not reload pages, so it goes.
    if (saved) {
        ReleasePluginBlock(saved->buf);
        ReleasePluginBlock(saved);
    }
    return error;
}

void BrowserPage::DestroyInstances()
{
    for (auto& instance : instances) {
        if (!instance->created) continue;
        NPError error = DestroyOne(*instance);
        if (error != NPERR_NO_ERROR)
            PrintLine("vxhost", "instance " + std::to_string(instance->number) + ": NPP_Destroy answered " +
                                    std::to_string(error));
    }
    for (auto& instance : instances)
        if (instance->hwnd && IsWindow(instance->hwnd)) DestroyWindow(instance->hwnd);
}

bool BrowserPage::DestroyInstance(int number, NPError& answered, std::string& problem)
{
    if (number < 1 || number > static_cast<int>(instances.size()) || !instances[number - 1]->created) {
        problem = "there is no live instance " + std::to_string(number) + " to destroy";
        return false;
    }
    Instance& instance = *instances[number - 1];
    answered = DestroyOne(instance);
    if (instance.hwnd && IsWindow(instance.hwnd)) DestroyWindow(instance.hwnd);
    instance.hwnd = nullptr;
    return true;
}
