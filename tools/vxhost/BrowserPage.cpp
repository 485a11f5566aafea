#include "vxhost/BrowserPage.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>

#include "common/ToolText.h"
#include "vxhost/BrowserFunctions.h"
#include "vxhost/HostOutput.h"
#include "vxhost/HostWindows.h"
#include "vxhost/PageSources.h"
#include "vxhost/SourceStream.h"

namespace {

constexpr int kMargin = 12;
constexpr int kTitleHeight = 40;
constexpr int kScrollStep = 10;  // how far the page scrolls under a profile that scrolls it

std::string Label(int number) { return "instance " + std::to_string(number); }

}  // namespace

struct BrowserPage::Instance {
    int number = 0;
    SelectedElement element{};
    int top = 0;  // where its element sits in the page
    NPP_t npp{};
    NPWindow window{};
    HWND hwnd = nullptr;
    HWND wrapper = nullptr;  // a window between the page and hwnd, when the browser makes one
    bool created = false;
    bool destroyed = false;  // NPP_Destroy has run
    std::vector<std::string> names;
    std::vector<std::string> values;
    std::vector<std::unique_ptr<SourceStream>> streams;
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

BrowserPage::BrowserPage(PluginModule& plugin, const BrowserProfile& profile, std::string pagePath,
                         std::string copyFolder)
    : plugin(plugin), profile(profile), pagePath(std::move(pagePath)), copyFolder(std::move(copyFolder))
{
}

BrowserPage::~BrowserPage()
{
    if (mainWindow && IsWindow(mainWindow)) DestroyWindow(mainWindow);
}

void BrowserPage::CreateBrowserWindow(const std::string& title, const std::string& pageText)
{
    RegisterHostWindowClasses();
    HINSTANCE module = GetModuleHandleA(nullptr);
    mainWindow = CreateWindowExA(0, kBrowserWindowClass, ("vxhost - " + title).c_str(),
                                 WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 20, 20, 480, 240, nullptr, nullptr, module,
                                 nullptr);
    if (!mainWindow) throw std::runtime_error("cannot create the browser window: " + ErrorText(GetLastError()));
    titleLabel = CreateWindowExA(0, "STATIC", (pageText.empty() ? title : pageText).c_str(), WS_CHILD | WS_VISIBLE,
                                 kMargin, 6, 440, kTitleHeight - 6, mainWindow, nullptr, module, nullptr);
    statusBar = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                                mainWindow, reinterpret_cast<HMENU>(1), module, nullptr);
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    SendMessageA(titleLabel, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void BrowserPage::CreateInstances(const std::vector<SelectedElement>& elements)
{
    int top = kTitleHeight + kMargin;
    int widest = 440;
    for (const SelectedElement& element : elements) {
        CreateInstance(element, top);
        top += element.height + kMargin;
        widest = std::max(widest, element.width + 2 * kMargin);
    }
    LayOut(widest, top);
}

void BrowserPage::CreateInstance(const SelectedElement& element, int top)
{
    instances.push_back(std::make_unique<Instance>());
    Instance& current = *instances.back();
    current.number = static_cast<int>(instances.size());
    current.element = element;
    current.top = top;
    current.npp.ndata = &current;
    std::string described = "<" + element.element->tag + "> at line " + std::to_string(element.element->line);
    NPError error = CallNew(current);
    if (error != NPERR_NO_ERROR) {
        PrintLine("vxhost", Label(current.number) + ": NPP_New for " + described + " failed with error " +
                                std::to_string(error));
        if (profile.destroyAfterFailedNew)
            PrintLine("vxhost", Label(current.number) + ": NPP_Destroy after the failed NPP_New answered " +
                                    std::to_string(plugin.funcs.destroy(&current.npp, nullptr)));
        return;
    }
    current.created = true;
    CreateInstanceWindow(current);
    PrintLine("vxhost", Label(current.number) + ": " + described + ", " + std::to_string(element.width) + "x" +
                            std::to_string(element.height) + ", " + std::to_string(element.arguments.size()) +
                            " arguments");
    for (int call = 0; call < profile.setWindowsBeforeStream; ++call) SetWindow(current);
    if (!element.src.empty()) StreamSource(current);
}

NPError BrowserPage::CallNew(Instance& instance)
{
    std::vector<char*> argn, argv;
    for (const PluginArgument& argument : instance.element.arguments) {
        instance.names.push_back(argument.name);
        instance.values.push_back(argument.value);
    }
    for (size_t i = 0; i < instance.names.size(); ++i) {
        argn.push_back(&instance.names[i][0]);
        argv.push_back(instance.element.arguments[i].hasValue ? &instance.values[i][0] : nullptr);
    }
    std::vector<char> mime(instance.element.mimeType.begin(), instance.element.mimeType.end());
    mime.push_back(0);
    return plugin.funcs.newp(mime.data(), &instance.npp, NP_EMBED, static_cast<int16_t>(argn.size()), argn.data(),
                             argv.data(), nullptr);
}

void BrowserPage::CreateInstanceWindow(Instance& instance)
{
    const int width = instance.element.width, height = instance.element.height;
    HINSTANCE module = GetModuleHandleA(nullptr);
    instance.hwnd = CreateWindowExA(0, kPluginAreaClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, kMargin,
                                    instance.top, width, height, mainWindow, nullptr, module, nullptr);
    if (!instance.hwnd) throw std::runtime_error("cannot create the plug-in window: " + ErrorText(GetLastError()));
    if (profile.wrapperWindow) {
        instance.wrapper = CreateWindowExA(0, kPluginWrapperClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                                           kMargin, instance.top, width, height, mainWindow, nullptr, module, nullptr);
        if (!instance.wrapper) throw std::runtime_error("cannot create the wrapper window: " + ErrorText(GetLastError()));
        SetParent(instance.hwnd, instance.wrapper);
        MoveWindow(instance.hwnd, 0, 0, width, height, TRUE);
    }
    NPWindow& window = instance.window;
    window.window = instance.hwnd;
    window.x = profile.windowAtOrigin ? 0 : kMargin;
    window.y = profile.windowAtOrigin ? 0 : instance.top;
    window.width = static_cast<uint32_t>(width);
    window.height = static_cast<uint32_t>(height);
    window.clipRect = NPRect{static_cast<uint16_t>(window.y), static_cast<uint16_t>(window.x),
                             static_cast<uint16_t>(window.y + height), static_cast<uint16_t>(window.x + width)};
    window.type = NPWindowTypeWindow;
}

void BrowserPage::SetWindow(Instance& instance)
{
    NPError error = plugin.funcs.setwindow(&instance.npp, &instance.window);
    if (error != NPERR_NO_ERROR)
        PrintLine("vxhost", Label(instance.number) + ": NPP_SetWindow answered " + std::to_string(error));
}

void BrowserPage::StreamSource(Instance& instance)
{
    std::string path = ResolveSource(pagePath, instance.element.src);
    if (path.empty()) {
        PrintLine("vxhost", Label(instance.number) + ": src " + instance.element.src + " is not a local file; no stream");
        return;
    }
    instance.streams.push_back(std::make_unique<SourceStream>(plugin.funcs, &instance.npp, profile, Label(instance.number)));
    instance.streams.back()->Deliver(path, instance.element.mimeType, copyFolder, instance.number);
}

void BrowserPage::LayOut(int width, int height)
{
    RECT statusRect{};
    GetWindowRect(statusBar, &statusRect);
    RECT frame{0, 0, width, height + (statusRect.bottom - statusRect.top)};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    SetWindowPos(mainWindow, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (!profile.setWindowOnReflow) return;
    for (auto& instance : instances)
        if (instance->created) SetWindow(*instance);
}

void BrowserPage::Show()
{
    ShowWindow(mainWindow, SW_SHOWNORMAL);
    UpdateWindow(mainWindow);
    if (!profile.scrollsAfterShow) return;
    Scroll(kScrollStep);
    Scroll(0);
}

// The page scrolled by `offset` pixels: the element's top part is clipped, the wrapper moves.
void BrowserPage::Scroll(int offset)
{
    for (auto& instance : instances) {
        if (!instance->created) continue;
        NPWindow& window = instance->window;
        int clipped = std::min(offset, static_cast<int>(window.height));
        window.clipRect.top = static_cast<uint16_t>(window.y + clipped);
        if (instance->wrapper)
            MoveWindow(instance->wrapper, kMargin, instance->top - offset, instance->element.width,
                       instance->element.height, TRUE);
        SetWindow(*instance);
    }
}

BrowserPage::Instance* BrowserPage::InstanceOf(NPP npp)
{
    for (auto* list : {&instances, &forgotten})
        for (auto& instance : *list)
            if (&instance->npp == npp) return instance.get();
    return nullptr;
}

std::string BrowserPage::NameOf(NPP npp)
{
    Instance* instance = InstanceOf(npp);
    return instance ? Label(instance->number) : "an unknown instance";
}

void BrowserPage::ShowStatus(NPP npp, const std::string& text)
{
    if (statusBar) SendMessageA(statusBar, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
    PrintLine("status", text);
    Instance* from = InstanceOf(npp);
    if (from && from->destroyed) {
        // Its NPP is gone: a browser could not even tell which page the text belongs to.
        statusesAfterDestroy.push_back(text);
        PrintError(Label(from->number) + " showed a status text after its NPP_Destroy: \"" + text + "\"");
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
    HWND button = instance.created ? FindWindowExA(instance.hwnd, nullptr, nullptr, nullptr) : nullptr;
    if (!instance.created) outcome.problem = Label(number) + (instance.destroyed ? " was destroyed" : " was not created");
    else if (!button) outcome.problem = Label(number) + " shows no button in its window";
    else if (!IsWindowEnabled(button)) outcome.problem = "the button of " + Label(number) + " is disabled";
    if (!outcome.problem.empty()) return outcome;

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
    if (profile.breakOpenStreamsAtTeardown)
        for (auto& stream : instance.streams) stream->BreakOff();
    if (profile.nullWindowAtTeardown) {
        instance.window.window = nullptr;  // the other fields stay as they were
        SetWindow(instance);
    }
    NPSavedData* saved = nullptr;
    NPError error = plugin.funcs.destroy(&instance.npp, profile.nullSaveSlot ? nullptr : &saved);
    instance.created = false;
    instance.destroyed = true;
    for (ActiveClick* click : activeClicks)
        if (click->instance == &instance) click->instanceDestroyed = true;
    // Saved data belongs to the browser now; this browser does not reload pages, so it goes.
    if (saved) {
        ReleasePluginBlock(saved->buf);
        ReleasePluginBlock(saved);
    }
    instance.streams.clear();  // copies kept until the instance went are deleted now
    if (profile.windowGoesWithInstance) DestroyWindowsOf(instance);
    return error;
}

void BrowserPage::DestroyWindowsOf(Instance& instance)
{
    for (HWND* window : {&instance.hwnd, &instance.wrapper}) {
        if (*window && IsWindow(*window)) DestroyWindow(*window);
        *window = nullptr;
    }
}

void BrowserPage::DestroyInstances()
{
    for (auto& instance : instances) {
        if (!instance->created) continue;
        NPError error = DestroyOne(*instance);
        if (error != NPERR_NO_ERROR)
            PrintLine("vxhost", Label(instance->number) + ": NPP_Destroy answered " + std::to_string(error));
    }
    for (auto& instance : instances) DestroyWindowsOf(*instance);
}

bool BrowserPage::DestroyInstance(int number, NPError& answered, std::string& problem)
{
    if (number < 1 || number > static_cast<int>(instances.size()) || !instances[number - 1]->created) {
        problem = "there is no live instance " + std::to_string(number) + " to destroy";
        return false;
    }
    Instance& instance = *instances[number - 1];
    answered = DestroyOne(instance);
    DestroyWindowsOf(instance);
    return true;
}

void BrowserPage::ForgetInstances()
{
    for (auto& instance : instances) forgotten.push_back(std::move(instance));
    instances.clear();
}
