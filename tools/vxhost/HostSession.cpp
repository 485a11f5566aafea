#include "vxhost/HostSession.h"

#include <cstdio>
#include <stdexcept>

#include "common/ToolFiles.h"
#include "common/ToolNames.h"
#include "common/ToolText.h"
#include "vxhost/BrowserFunctions.h"
#include "vxhost/DdeServer.h"
#include "vxhost/DialogAutomation.h"
#include "vxhost/HostOutput.h"
#include "vxhost/HostWindows.h"
#include "vxhost/PageScripting.h"
#include "vxhost/PageSources.h"

namespace {

std::string ReadPage(const std::string& path)
{
    std::string text;
    if (!ReadWholeFile(path, text)) throw std::runtime_error("page not found: " + path);
    return text;
}

// Where the local copies of streamed files go: the browser's own place unless --cache names one.
std::string CopyFolder(const Options& options)
{
    if (!options.cache.empty()) return FullPath(options.cache);
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof temp, temp);
    std::string folder = FullPath(temp);
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    switch (options.browser.kind) {
    case BrowserKind::kGecko: return folder + "\\plugtmp";
    case BrowserKind::kChromium: return folder;
    default: return folder + "\\vxhost-cache\\" + std::to_string(GetCurrentProcessId());
    }
}

std::string MimeList(const PluginInfo& info)
{
    std::string list;
    for (const std::string& mime : info.mimeTypes) list += (list.empty() ? "" : "|") + mime;
    return list;
}

std::string Join(const std::vector<std::string>& texts)
{
    std::string all;
    for (const std::string& text : texts) all += (all.empty() ? "" : ", ") + ("\"" + EscapeControls(text) + "\"");
    return all;
}

// Whether the click ended as a click must: with a closing status text, or silently when its
// instance was destroyed meanwhile.
bool ReportClick(int number, const ClickOutcome& outcome)
{
    if (outcome.instanceDestroyed) {
        PrintLine("vxhost", "click " + std::to_string(number) + " ended with its instance destroyed" +
                                (outcome.statuses.empty() ? "" : " (shown before: " + Join(outcome.statuses) + ")"));
        return true;
    }
    if (outcome.statuses.empty() || !IsClosingStatus(outcome.statuses.back())) {
        PrintError("click " + std::to_string(number) + " ended without a closing status text (shown: " +
                   (outcome.statuses.empty() ? "none" : Join(outcome.statuses)) + ")");
        return false;
    }
    PrintLine("vxhost", "click " + std::to_string(number) + " done");
    return true;
}

}  // namespace

HostSession* HostSession::running = nullptr;

HostSession::HostSession(const Options& options) : options(options) { running = this; }

HostSession::~HostSession()
{
    if (running == this) running = nullptr;
}

int HostSession::Run()
{
    LoadPage();
    ChoosePlugin();
    if (options.list) {
        ListElements();
        return kSuccess;
    }
    OpenBrowser();
    StartPlugin();
    ShowPage();
    int result = kSuccess;
    if (options.Scripted()) result = RunScript();
    else WaitForTheUser();
    return Close(result);
}

void HostSession::LoadPage()
{
    pagePath = FullPath(options.page);
    try {
        page = ParseHtmlPage(ReadPage(pagePath));
    } catch (const std::runtime_error& e) {
        std::string what = e.what();
        throw std::runtime_error(what.compare(0, 5, "line ") == 0 ? pagePath + ": " + what.substr(5) : what);
    }
}

// The plug-in named on the command line, or the first registered one that handles the page.
void HostSession::ChoosePlugin()
{
    if (!options.plugin.empty()) {
        info = ReadPluginInfo(FullPath(options.plugin));
    } else {
        std::vector<std::string> skipped;
        std::vector<PluginInfo> registered = FindRegisteredPlugins(skipped);
        for (const std::string& note : skipped) PrintLine("vxhost", "skipped " + note);
        if (registered.empty())
            throw std::runtime_error(std::string("no plug-in registered under HKCU\\") + kMozillaPluginsKey +
                                     " (give one with --plugin PATH)");
        info = registered.front();
        for (const PluginInfo& candidate : registered) {
            if (SelectPluginElements(page, candidate, options.browser).empty()) continue;
            info = candidate;
            break;
        }
    }
    elements = SelectPluginElements(page, info, options.browser);
    PrintLine("vxhost", "plug-in " + info.path + " (" + MimeList(info) + ")" +
                            (info.registryKey.empty() ? "" : " from " + info.registryKey));
    if (elements.empty()) throw std::runtime_error("no <embed> or <object> for " + MimeList(info) + " in " + pagePath);
    PrintLine("vxhost", "page " + pagePath + ": " + std::to_string(elements.size()) + " plug-in element" +
                            (elements.size() == 1 ? "" : "s"));
}

void HostSession::ListElements() const
{
    for (size_t i = 0; i < elements.size(); ++i) {
        std::string arguments;
        for (const PluginArgument& argument : elements[i].arguments)
            arguments += " " + argument.name + (argument.hasValue ? "=\"" + argument.value + "\"" : "=(null)");
        PrintLine("vxhost", "element " + std::to_string(i + 1) + ": <" + elements[i].element->tag + "> " +
                                std::to_string(elements[i].width) + "x" + std::to_string(elements[i].height) + " " +
                                elements[i].mimeType + arguments);
    }
}

// The browser is up before any plug-in: its window, its DDE name and the dialog automation.
void HostSession::OpenBrowser()
{
    shown.reset(new BrowserPage(plugin, options.browser, pagePath, CopyFolder(options)));
    shown->CreateBrowserWindow(page.title.empty() ? pagePath : page.title, page.text);
    try {
        StartDdeServer(options.ddeName);
    } catch (const std::exception& e) {
        PrintLine("vxhost", std::string("warning: ") + e.what());
    }
    if (options.Scripted() || !options.answers.empty())
        StartDialogAutomation(options.answers, options.Scripted(), options.answerDelayMs);
    if (!options.actions.empty()) SetDialogActions(options.actions, OnDialogAction);
}

void HostSession::StartPlugin()
{
    BrowserCallbacks callbacks;
    callbacks.status = OnStatus;
    callbacks.browserWindow = shown->BrowserWindow();
    callbacks.pageAddress = options.url.empty() ? FileUrl(pagePath) : options.url;
    callbacks.answersDocumentOrigin = options.browser.answersDocumentOrigin;
    callbacks.instanceName = OnInstanceName;
    FillBrowserFunctions(browserFuncs, callbacks);
    plugin.Load(info.path);
    plugin.Initialize(&browserFuncs);
}

void HostSession::ShowPage()
{
    shown->CreateInstances(elements);
    shown->Show();
    PumpMessagesFor(100);
    PrintLine("vxhost", "page shown");
}

// An ordinary window for a person: until it is closed.
void HostSession::WaitForTheUser()
{
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

int HostSession::RunScript()
{
    PumpMessagesFor(options.pauseMs);
    if (options.figures) {
        ProcessFigures figures = ReadProcessFigures();
        PrintLine("vxhost", std::string("figures: handles counted by ") + figures.handleSource);
        PrintFigures("before the clicks");
    }
    std::unique_ptr<FlatnessCheck> flat;
    if (options.flatFrom) flat.reset(new FlatnessCheck(options.flatFrom));
    firstClickTick = GetTickCount();
    int result = kSuccess;
    ClickCount count{options.clicks.size() * options.repeat * (options.reloads + 1), 0, flat.get()};
    bool going = MakeClicks(count, result);
    for (unsigned load = 0; load < options.reloads && going && !pluginShutDown; ++load) {
        ReloadPage();
        going = MakeClicks(count, result);
    }
    return ScriptEndResult(result, flat.get());
}

// The click list, `repeat` times over. False when the script cannot go on.
bool HostSession::MakeClicks(ClickCount& count, int& result)
{
    for (unsigned round = 0; round < options.repeat; ++round) {
        for (int number : options.clicks) {
            runningClick = number;
            ClickOutcome outcome = shown->Click(number);
            runningClick = 0;
            if (!outcome.clicked) {
                PrintError(outcome.problem);
                result = kScriptFailed;
                return false;
            }
            size_t made = ++count.made;
            // Let what the click posted arrive (an asynchronous DDE request, repaints); in a
            // repeated series only what is waiting already, so that a thousand clicks stay quick.
            PumpMessagesFor(options.repeat == 1 || made == count.total ? 300 : 0);
            if (!ReportClick(number, outcome)) result = kScriptFailed;
            FiguresAfterClicks(made, count.total, count.flat);
            if (!DialogFailures().empty()) {
                result = kScriptFailed;
                return false;
            }
        }
    }
    return true;
}

// The page goes and comes back. A browser that keeps an unused plug-in loaded creates the new
// instances in the same library; the others shut it down, unload it and start it again.
void HostSession::ReloadPage()
{
    shown->DestroyInstances();
    shown->ForgetInstances();
    if (options.browser.keepsLibraryLoaded) {
        PrintLine("vxhost", "page loaded again; the plug-in stayed loaded");
    } else {
        NPError error = plugin.Shutdown();
        plugin.Unload();
        plugin.Load(info.path);
        plugin.Initialize(&browserFuncs);
        PrintLine("vxhost", "page loaded again; the plug-in was shut down (NP_Shutdown answered " +
                                std::to_string(error) + ") and started again");
    }
    ShowPage();
}

// Answers and actions never used, failed actions, texts after a destroy and figures that grew
// fail a run that went well so far.
int HostSession::ScriptEndResult(int result, FlatnessCheck* flat) const
{
    if (result == kSuccess) {
        for (const DialogAnswer& answer : UnusedAnswers()) {
            PrintError("the dialog \"" + answer.title + "\" never appeared (answer " + answer.value + " unused)");
            result = kScriptFailed;
        }
        for (const DialogAnswer& action : UnusedActions()) {
            PrintError("the dialog \"" + action.title + "\" never appeared (\"" + action.value + "\" not done)");
            result = kScriptFailed;
        }
    }
    if (actionFailed || !shown->StatusesAfterDestroy().empty()) result = kScriptFailed;
    if (flat) {
        std::vector<std::string> problems = flat->Problems();
        for (const std::string& problem : problems) PrintError(problem);
        if (!problems.empty() && result == kSuccess) result = kNotFlat;
    }
    return result;
}

int HostSession::Close(int result)
{
    StopDialogAutomation();
    if (options.Scripted() && !options.shutdown && !pluginShutDown) {
        // As when a browser is ended: nothing more reaches the plug-in.
        fflush(stdout);
        ExitProcess(static_cast<UINT>(result));
    }
    if (!pluginShutDown) {
        ShutDownPlugin(options.UnloadDelayMs());
        PrintFigures("after the shut-down");
    }
    if (HeldPageObjects() > 0) {
        PrintError("the plug-in still holds " + std::to_string(HeldPageObjects()) +
                   " references to the page's objects after NP_Shutdown");
        if (result == kSuccess) result = kScriptFailed;
    }
    StopDdeServer();
    return result;
}

// The page goes, then the library: at once, or after `unloadDelayMs` of an idle browser.
void HostSession::ShutDownPlugin(DWORD unloadDelayMs)
{
    shown->DestroyInstances();
    if (unloadDelayMs > 0) {
        PrintLine("vxhost", "the plug-in stays loaded " + std::to_string(unloadDelayMs) + " ms after its last instance");
        PumpMessagesFor(unloadDelayMs);
    }
    NPError error = plugin.Shutdown();
    pluginShutDown = true;
    PrintLine("vxhost", "shut down (NP_Shutdown answered " + std::to_string(error) + ")");
}

void HostSession::RunDialogAction(const std::string& text)
{
    DialogAction action = ParseAction(text);
    if (action.kind == DialogAction::kPass) return;
    const bool shutsDown = action.kind == DialogAction::kShutdown || action.kind == DialogAction::kUnload;
    if (shutsDown && pluginShutDown) {
        PrintError("the plug-in is shut down already");
        actionFailed = true;
        return;
    }
    bool done = true;
    std::string problem;
    if (shutsDown) {
        ShutDownPlugin(0);
        if (action.kind == DialogAction::kUnload) {
            // The library's code is still on this thread's stack, below the open dialog.
            const std::string path = plugin.Path();
            plugin.Unload();
            PrintLine("vxhost", std::string("unloaded (FreeLibrary); the library is ") +
                                    (GetModuleHandleA(path.c_str()) ? "still mapped" : "unmapped"));
        }
    } else if (action.kind == DialogAction::kDestroy) {
        NPError answered = NPERR_NO_ERROR;
        done = shown->DestroyInstance(action.number, answered, problem);
        if (done)
            PrintLine("vxhost", "instance " + std::to_string(action.number) + " destroyed (NPP_Destroy answered " +
                                    std::to_string(answered) + ")");
    } else {
        int outer = runningClick.exchange(action.number);
        ClickOutcome outcome = shown->Click(action.number);
        runningClick = outer;
        problem = outcome.problem;
        done = outcome.clicked && ReportClick(action.number, outcome);
    }
    if (!problem.empty()) PrintError(problem);
    if (!done) actionFailed = true;
    PrintFigures("after \"" + text + "\"");
}

void HostSession::PrintFigures(const std::string& when, const ProcessFigures& figures) const
{
    DWORD elapsed = firstClickTick ? GetTickCount() - firstClickTick : 0;
    PrintLine("figures", when + ": " + DescribeFigures(figures) + ", plug-in blocks " +
                             std::to_string(PluginBlocksInUse()) + ", elapsed ms " + std::to_string(elapsed));
}

void HostSession::PrintFigures(const std::string& when) const
{
    if (options.figures) PrintFigures(when, ReadProcessFigures());
}

// After `made` of `total` clicks: the figures printed by --figures (the first ten, every 100th, the
// last), and those --flat compares (from its click on, at the same points). One reading for both.
void HostSession::FiguresAfterClicks(size_t made, size_t total, FlatnessCheck* flat) const
{
    bool printed = options.figures && (made <= 10 || made % 100 == 0 || made == total);
    bool compared = flat && made >= flat->From() && (made == flat->From() || made % 100 == 0 || made == total);
    if (!printed && !compared) return;
    ProcessFigures figures = ReadProcessFigures();
    if (printed) PrintFigures("after " + std::to_string(made) + " click" + (made == 1 ? "" : "s"), figures);
    if (compared) flat->Note(static_cast<unsigned>(made), figures, PluginBlocksInUse());
}

std::string HostSession::OnInstanceName(NPP instance)
{
    return running && running->shown ? running->shown->NameOf(instance) : "an instance";
}

void HostSession::OnStatus(NPP instance, const char* text)
{
    if (running && running->shown) running->shown->ShowStatus(instance, text);
    else PrintLine("status", text);
}

// Runs inside the modal loop of an open dialog, from the dialog automation's timer: nothing may
// unwind through the dialog's frames.
void HostSession::OnDialogAction(const std::string& text)
{
    if (!running) return;
    try {
        running->RunDialogAction(text);
    } catch (const std::exception& e) {
        PrintError("while a dialog was open, \"" + text + "\" failed: " + e.what());
        running->actionFailed = true;
    }
}
