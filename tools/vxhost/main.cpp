// vxhost: a small browser that hosts an NPAPI plug-in on a local page, for people and for scripts.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/ToolFiles.h"
#include "common/ToolNames.h"
#include "common/ToolText.h"
#include "vxhost/BrowserFunctions.h"
#include "vxhost/BrowserPage.h"
#include "vxhost/BrowserProfile.h"
#include "vxhost/DdeServer.h"
#include "vxhost/DialogAutomation.h"
#include "vxhost/HostOutput.h"
#include "vxhost/HtmlPage.h"
#include "vxhost/HostWindows.h"
#include "vxhost/PluginElements.h"
#include "vxhost/PluginModule.h"
#include "vxhost/ProcessFigures.h"

namespace {

enum ExitCode { kSuccess = 0, kSetupFailed = 1, kScriptFailed = 2, kTimedOut = 3, kCrashed = 4, kNotFlat = 5 };

const char kUsage[] =
    "usage: vxhost [options] PAGE.html\n"
    "  --plugin PATH         load this plug-in instead of the one registered under MozillaPlugins\n"
    "  --browser NAME        call the plug-in as this browser did: classic (the default), gecko or\n"
    "                        chromium (their orders of NPP_New arguments, NPP_SetWindow calls, stream\n"
    "                        writes, local copies and teardown; see the README)\n"
    "  --click N             click the button of plug-in instance N (1-based); repeatable; scripted mode\n"
    "  --clicks N,M,...      several clicks in order\n"
    "  --repeat N            make the clicks N times over (between them only waiting messages run)\n"
    "  --answer TITLE=VALUE  answer the dialog titled TITLE: a path for file dialogs (or Cancel),\n"
    "                        Yes, No, OK or Cancel for message boxes; repeatable, each used once\n"
    "  --answer-delay MS     leave each dialog open this long before answering it\n"
    "  --pause MS            wait this long after the page is shown, before the first click\n"
    "  --timeout SECONDS     end with an error after this long (scripted mode: 60 unless given)\n"
    "  --during TITLE=ACTION while the dialog titled TITLE is open, before it is answered: \"click N\",\n"
    "                        \"destroy N\" (NPP_Destroy of instance N), \"shutdown\" (NPP_Destroy of every\n"
    "                        instance, then NP_Shutdown) or \"unload\" (the same, then FreeLibrary, as a\n"
    "                        browser that lets the page go); repeatable, each used once, in order (\"pass\"\n"
    "                        does nothing, so that the next action waits for a later dialog)\n"
    "  --figures             print the process's handles and memory before the clicks, after each of the\n"
    "                        first ten clicks, every 100th and the last, after each --during action and\n"
    "                        after the shut-down\n"
    "  --flat N              exit with 5 unless the figures read after click N, every 100th click and the\n"
    "                        last stay within a tolerance of those at click N, either way: handles 5,\n"
    "                        private bytes 256 KiB, working set 512 KiB, heap in use 16 KiB, the\n"
    "                        plug-in's live allocations 0\n"
    "  --reload N            after the clicks, load the page N times again and make the clicks again each\n"
    "                        time (gecko keeps the plug-in loaded; the others shut it down and start it)\n"
    "  --shutdown            after the clicks (if any), NPP_Destroy every instance and call NP_Shutdown\n"
    "  --unload-delay MS     how long the library stays loaded after the last instance before\n"
    "                        NP_Shutdown (gecko: 30000; the others: 0)\n"
    "  --dde-name NAME       DDE service name for WWW_OpenURL (default VXHOST)\n"
    "  --cache DIR           folder for the local copies of streamed files\n"
    "  --list                print the plug-in and the page's plug-in elements, load nothing\n"
    "Without --click or --shutdown the page stays open until its window is closed.\n";

struct Options {
    std::string page;
    std::string plugin;
    std::vector<int> clicks;
    std::vector<DialogAnswer> answers;
    std::vector<DialogAnswer> actions;
    unsigned repeat = 1;
    bool figures = false;
    unsigned flatFrom = 0;  // 0: no flatness check
    unsigned answerDelayMs = 0;
    unsigned pauseMs = 0;
    int timeoutSeconds = -1;
    bool shutdown = false;
    bool list = false;
    std::string ddeName = kHostDdeService;
    std::string cache;
    BrowserProfile browser;
    unsigned reloads = 0;
    int unloadDelayMs = -1;  // the profile's own unless given
};

class UsageError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

unsigned ParseNumber(const std::string& text, const std::string& option)
{
    char* end = nullptr;
    unsigned long value = std::strtoul(text.c_str(), &end, 10);
    if (text.empty() || *end != 0 || value > 10000000) throw UsageError(option + " needs a number, not \"" + text + "\"");
    return static_cast<unsigned>(value);
}

// What --during may do while a dialog is open.
struct DialogAction {
    enum Kind { kPass, kClick, kDestroy, kShutdown, kUnload } kind;
    int number;
};

DialogAction ParseAction(const std::string& text)
{
    if (text == "pass") return {DialogAction::kPass, 0};
    if (text == "shutdown") return {DialogAction::kShutdown, 0};
    if (text == "unload") return {DialogAction::kUnload, 0};
    for (const auto& verb : {std::make_pair("click ", DialogAction::kClick), std::make_pair("destroy ", DialogAction::kDestroy)}) {
        std::string prefix = verb.first;
        if (text.compare(0, prefix.size(), prefix) == 0)
            return {verb.second, static_cast<int>(ParseNumber(text.substr(prefix.size()), "--during"))};
    }
    throw UsageError("--during does \"click N\", \"destroy N\", \"shutdown\", \"unload\" or \"pass\", not \"" + text +
                     "\"");
}

Options ParseOptions(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) throw UsageError(argument + " needs a value");
            return argv[++i];
        };
        if (argument == "--plugin") options.plugin = value();
        else if (argument == "--click") options.clicks.push_back(static_cast<int>(ParseNumber(value(), argument)));
        else if (argument == "--clicks") {
            std::stringstream list(value());
            std::string number;
            while (std::getline(list, number, ','))
                options.clicks.push_back(static_cast<int>(ParseNumber(number, argument)));
        } else if (argument == "--answer") {
            try {
                options.answers.push_back(ParseDialogAnswer(value()));
            } catch (const std::invalid_argument& e) {
                throw UsageError(e.what());
            }
        } else if (argument == "--during") {
            try {
                options.actions.push_back(ParseDialogAnswer(value()));
            } catch (const std::invalid_argument& e) {
                throw UsageError(e.what());
            }
            ParseAction(options.actions.back().value);
        } else if (argument == "--repeat") {
            options.repeat = ParseNumber(value(), argument);
            if (options.repeat == 0) throw UsageError("--repeat needs at least 1");
        } else if (argument == "--figures") options.figures = true;
        else if (argument == "--flat") {
            options.flatFrom = ParseNumber(value(), argument);
            if (options.flatFrom == 0) throw UsageError("--flat needs a click number of at least 1");
        }
        else if (argument == "--answer-delay") options.answerDelayMs = ParseNumber(value(), argument);
        else if (argument == "--pause") options.pauseMs = ParseNumber(value(), argument);
        else if (argument == "--timeout") options.timeoutSeconds = static_cast<int>(ParseNumber(value(), argument));
        else if (argument == "--shutdown") options.shutdown = true;
        else if (argument == "--list") options.list = true;
        else if (argument == "--dde-name") options.ddeName = value();
        else if (argument == "--cache") options.cache = value();
        else if (argument == "--browser") {
            try {
                options.browser = ParseBrowserProfile(value());
            } catch (const std::invalid_argument& e) {
                throw UsageError(e.what());
            }
        } else if (argument == "--reload") options.reloads = ParseNumber(value(), argument);
        else if (argument == "--unload-delay") options.unloadDelayMs = static_cast<int>(ParseNumber(value(), argument));
        else if (argument == "--help" || argument == "-h") {
            fputs(kUsage, stdout);
            exit(kSuccess);
        } else if (argument.compare(0, 2, "--") == 0) throw UsageError("unknown option " + argument);
        else if (options.page.empty()) options.page = argument;
        else throw UsageError("only one page, not also " + argument);
    }
    if (options.page.empty()) throw UsageError("no page given");
    return options;
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

std::string ReadPage(const std::string& path)
{
    std::string text;
    if (!ReadWholeFile(path, text)) throw std::runtime_error("page not found: " + path);
    return text;
}

// ---- the time-out and crash guards ----

HANDLE finished = nullptr;
std::atomic<int> runningClick{0};
int timeoutSeconds = 0;

DWORD WINAPI Watchdog(LPVOID)
{
    if (WaitForSingleObject(finished, static_cast<DWORD>(timeoutSeconds) * 1000) != WAIT_TIMEOUT) return 0;
    std::string where = runningClick ? "during click " + std::to_string(runningClick.load()) : "outside a click";
    std::string dialogs;
    for (const std::string& title : OpenDialogTitles()) dialogs += (dialogs.empty() ? "" : ", ") + ("\"" + title + "\"");
    PrintError("time-out after " + std::to_string(timeoutSeconds) + " s " + where +
               (dialogs.empty() ? "" : "; open dialogs: " + dialogs));
    TerminateProcess(GetCurrentProcess(), kTimedOut);
    return 0;
}

LONG WINAPI OnCrash(EXCEPTION_POINTERS* pointers)
{
    char text[160];
    snprintf(text, sizeof text, "crashed with exception 0x%08lX at address %p",
             static_cast<unsigned long>(pointers->ExceptionRecord->ExceptionCode),
             pointers->ExceptionRecord->ExceptionAddress);
    PrintError(text);
    TerminateProcess(GetCurrentProcess(), kCrashed);
    return EXCEPTION_EXECUTE_HANDLER;
}

BrowserPage* shownPage = nullptr;
PluginModule* loadedPlugin = nullptr;
bool pluginShutDown = false;
bool printFigures = false;
bool actionFailed = false;
DWORD firstClickTick = 0;

void PrintFigures(const std::string& when, const ProcessFigures& figures)
{
    DWORD elapsed = firstClickTick ? GetTickCount() - firstClickTick : 0;
    PrintLine("figures", when + ": " + DescribeFigures(figures) + ", plug-in blocks " +
                             std::to_string(PluginBlocksInUse()) + ", elapsed ms " + std::to_string(elapsed));
}

void PrintFigures(const std::string& when)
{
    if (printFigures) PrintFigures(when, ReadProcessFigures());
}

// After `made` of `total` clicks: the figures printed by --figures (the first ten, every 100th, the
// last), and those --flat compares (from its click on, at the same points). One reading for both.
void FiguresAfterClicks(size_t made, size_t total, FlatnessCheck* flat)
{
    bool printed = printFigures && (made <= 10 || made % 100 == 0 || made == total);
    bool compared = flat && made >= flat->From() && (made == flat->From() || made % 100 == 0 || made == total);
    if (!printed && !compared) return;
    ProcessFigures figures = ReadProcessFigures();
    if (printed) PrintFigures("after " + std::to_string(made) + " click" + (made == 1 ? "" : "s"), figures);
    if (compared) flat->Note(static_cast<unsigned>(made), figures, PluginBlocksInUse());
}

void OnStatus(NPP instance, const char* text)
{
    if (shownPage) shownPage->ShowStatus(instance, text);
    else PrintLine("status", text);
}

PluginInfo ChoosePlugin(const Options& options, const HtmlPage& page)
{
    if (!options.plugin.empty()) return ReadPluginInfo(FullPath(options.plugin));
    std::vector<std::string> skipped;
    std::vector<PluginInfo> registered = FindRegisteredPlugins(skipped);
    for (const std::string& note : skipped) PrintLine("vxhost", "skipped " + note);
    for (const PluginInfo& candidate : registered)
        if (!SelectPluginElements(page, candidate, options.browser).empty()) return candidate;
    if (registered.empty())
        throw std::runtime_error(std::string("no plug-in registered under HKCU\\") + kMozillaPluginsKey +
                                 " (give one with --plugin PATH)");
    return registered.front();
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

// The page goes, then the library: at once, or after `unloadDelayMs` of an idle browser.
void ShutDownPlugin(DWORD unloadDelayMs = 0)
{
    shownPage->DestroyInstances();
    if (unloadDelayMs > 0) {
        PrintLine("vxhost", "the plug-in stays loaded " + std::to_string(unloadDelayMs) + " ms after its last instance");
        PumpMessagesFor(unloadDelayMs);
    }
    NPError error = loadedPlugin->Shutdown();
    pluginShutDown = true;
    PrintLine("vxhost", "shut down (NP_Shutdown answered " + std::to_string(error) + ")");
}

void RunDialogActionInside(const std::string& text)
{
    DialogAction action = ParseAction(text);
    if (action.kind == DialogAction::kPass) return;
    if (action.kind == DialogAction::kShutdown || action.kind == DialogAction::kUnload) {
        if (pluginShutDown) {
            PrintError("the plug-in is shut down already");
            actionFailed = true;
            return;
        }
        ShutDownPlugin();
        if (action.kind == DialogAction::kUnload) {
            // The library's code is still on this thread's stack, below the open dialog.
            const std::string path = loadedPlugin->Path();
            loadedPlugin->Unload();
            PrintLine("vxhost", std::string("unloaded (FreeLibrary); the library is ") +
                                    (GetModuleHandleA(path.c_str()) ? "still mapped" : "unmapped"));
        }
    } else if (action.kind == DialogAction::kDestroy) {
        NPError answered = NPERR_NO_ERROR;
        std::string problem;
        if (!shownPage->DestroyInstance(action.number, answered, problem)) {
            PrintError(problem);
            actionFailed = true;
        } else {
            PrintLine("vxhost", "instance " + std::to_string(action.number) + " destroyed (NPP_Destroy answered " +
                                    std::to_string(answered) + ")");
        }
    } else {
        int outer = runningClick.exchange(action.number);
        ClickOutcome outcome = shownPage->Click(action.number);
        runningClick = outer;
        if (!outcome.clicked) {
            PrintError(outcome.problem);
            actionFailed = true;
        } else if (!ReportClick(action.number, outcome)) {
            actionFailed = true;
        }
    }
    PrintFigures("after \"" + text + "\"");
}

// Runs inside the modal loop of an open dialog, from the dialog automation's timer: nothing may
// unwind through the dialog's frames.
void RunDialogAction(const std::string& text)
{
    try {
        RunDialogActionInside(text);
    } catch (const std::exception& e) {
        PrintError("while a dialog was open, \"" + text + "\" failed: " + e.what());
        actionFailed = true;
    }
}

struct ClickCount {
    size_t total;  // of the whole run
    size_t made;
    FlatnessCheck* flat;  // null without --flat
};

// The click list, `repeat` times over. False when the script cannot go on.
bool MakeClicks(const Options& options, BrowserPage& shown, ClickCount& count, int& result)
{
    for (unsigned round = 0; round < options.repeat; ++round) {
        for (int number : options.clicks) {
            runningClick = number;
            ClickOutcome outcome = shown.Click(number);
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
void ReloadPage(const Options& options, const std::string& pluginPath, const std::vector<SelectedElement>& elements,
                PluginModule& plugin, BrowserPage& shown, NPNetscapeFuncs& browserFuncs)
{
    shown.DestroyInstances();
    shown.ForgetInstances();
    if (options.browser.keepsLibraryLoaded) {
        PrintLine("vxhost", "page loaded again; the plug-in stayed loaded");
    } else {
        NPError error = plugin.Shutdown();
        plugin.Unload();
        plugin.Load(pluginPath);
        plugin.Initialize(&browserFuncs);
        PrintLine("vxhost", "page loaded again; the plug-in was shut down (NP_Shutdown answered " +
                                std::to_string(error) + ") and started again");
    }
    shown.CreateInstances(elements);
    shown.Show();
    PumpMessagesFor(100);
}

int Run(const Options& options)
{
    std::string pagePath = FullPath(options.page);
    HtmlPage page;
    try {
        page = ParseHtmlPage(ReadPage(pagePath));
    } catch (const std::runtime_error& e) {
        std::string what = e.what();
        throw std::runtime_error(what.compare(0, 5, "line ") == 0 ? pagePath + ": " + what.substr(5) : what);
    }
    PluginInfo info = ChoosePlugin(options, page);
    std::vector<SelectedElement> elements = SelectPluginElements(page, info, options.browser);
    std::string mimeList;
    for (const std::string& mime : info.mimeTypes) mimeList += (mimeList.empty() ? "" : "|") + mime;
    PrintLine("vxhost", "plug-in " + info.path + " (" + mimeList + ")" +
                            (info.registryKey.empty() ? "" : " from " + info.registryKey));
    if (elements.empty()) throw std::runtime_error("no <embed> or <object> for " + mimeList + " in " + pagePath);
    PrintLine("vxhost", "page " + pagePath + ": " + std::to_string(elements.size()) + " plug-in element" +
                            (elements.size() == 1 ? "" : "s"));
    if (options.list) {
        for (size_t i = 0; i < elements.size(); ++i) {
            std::string arguments;
            for (const PluginArgument& argument : elements[i].arguments)
                arguments += " " + argument.name + (argument.hasValue ? "=\"" + argument.value + "\"" : "=(null)");
            PrintLine("vxhost", "element " + std::to_string(i + 1) + ": <" + elements[i].element->tag + "> " +
                                    std::to_string(elements[i].width) + "x" + std::to_string(elements[i].height) +
                                    " " + elements[i].mimeType + arguments);
        }
        return kSuccess;
    }

    bool scripted = !options.clicks.empty() || options.shutdown;
    // The browser is up before any plug-in: its window, its DDE name and the dialog automation.
    PluginModule plugin;
    BrowserPage shown(plugin, options.browser, pagePath, CopyFolder(options));
    shown.CreateBrowserWindow(page.title.empty() ? pagePath : page.title, page.text);
    shownPage = &shown;
    try {
        StartDdeServer(options.ddeName);
    } catch (const std::exception& e) {
        PrintLine("vxhost", std::string("warning: ") + e.what());
    }
    if (scripted || !options.answers.empty()) StartDialogAutomation(options.answers, scripted, options.answerDelayMs);
    loadedPlugin = &plugin;
    printFigures = options.figures;
    if (!options.actions.empty()) SetDialogActions(options.actions, RunDialogAction);

    BrowserCallbacks callbacks;
    callbacks.status = OnStatus;
    callbacks.browserWindow = shown.BrowserWindow();
    static NPNetscapeFuncs browserFuncs;
    FillBrowserFunctions(browserFuncs, callbacks);
    plugin.Load(info.path);
    plugin.Initialize(&browserFuncs);

    shown.CreateInstances(elements);
    shown.Show();
    PumpMessagesFor(100);
    PrintLine("vxhost", "page shown");

    int result = kSuccess;
    if (!scripted) {
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    } else {
        PumpMessagesFor(options.pauseMs);
        if (options.figures) {
            ProcessFigures figures = ReadProcessFigures();
            PrintLine("vxhost", std::string("figures: handles counted by ") + figures.handleSource);
            PrintFigures("before the clicks");
        }
        std::unique_ptr<FlatnessCheck> flat;
        if (options.flatFrom) flat.reset(new FlatnessCheck(options.flatFrom));
        firstClickTick = GetTickCount();
        ClickCount count{options.clicks.size() * options.repeat * (options.reloads + 1), 0, flat.get()};
        bool going = MakeClicks(options, shown, count, result);
        for (unsigned load = 0; load < options.reloads && going && !pluginShutDown; ++load) {
            ReloadPage(options, info.path, elements, plugin, shown, browserFuncs);
            going = MakeClicks(options, shown, count, result);
        }
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
        if (actionFailed || !shown.StatusesAfterDestroy().empty()) result = kScriptFailed;
        if (flat) {
            std::vector<std::string> problems = flat->Problems();
            for (const std::string& problem : problems) PrintError(problem);
            if (!problems.empty() && result == kSuccess) result = kNotFlat;
        }
    }
    StopDialogAutomation();
    if (scripted && !options.shutdown && !pluginShutDown) {
        // As when a browser is ended: nothing more reaches the plug-in.
        fflush(stdout);
        ExitProcess(static_cast<UINT>(result));
    }
    if (!pluginShutDown) {
        ShutDownPlugin(options.unloadDelayMs >= 0 ? static_cast<DWORD>(options.unloadDelayMs)
                                                  : options.browser.unloadDelayMs);
        PrintFigures("after the shut-down");
    }
    StopDdeServer();
    shownPage = nullptr;
    loadedPlugin = nullptr;
    return result;
}

}  // namespace

int main(int argc, char** argv)
{
    // Plain line feeds: the output is read by scripts as much as by people.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(OnCrash);
    Options options;
    try {
        options = ParseOptions(argc, argv);
    } catch (const UsageError& e) {
        PrintError(e.what());
        fputs(kUsage, stderr);
        return kSetupFailed;
    }
    bool scripted = !options.clicks.empty() || options.shutdown;
    timeoutSeconds = options.timeoutSeconds >= 0 ? options.timeoutSeconds : (scripted ? 60 : 0);
    finished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE watchdog = nullptr;
    if (timeoutSeconds > 0) watchdog = CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr);
    int result;
    try {
        result = Run(options);
    } catch (const std::exception& e) {
        PrintError(e.what());
        result = kSetupFailed;
    }
    SetEvent(finished);
    if (watchdog) {
        WaitForSingleObject(watchdog, INFINITE);
        CloseHandle(watchdog);
    }
    // The plug-in may have started processes that inherited our handles; end without waiting on them.
    fflush(stdout);
    ExitProcess(static_cast<UINT>(result));
}
