// One run of the host: the page, the plug-in and the browser around them, taken through the steps
// of Run. The browser's callbacks (status texts, actions inside dialogs) reach the session that runs.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "plugin/npapi.h"
#include "vxhost/BrowserPage.h"
#include "vxhost/HostOptions.h"
#include "vxhost/HtmlPage.h"
#include "vxhost/PluginElements.h"
#include "vxhost/PluginModule.h"
#include "vxhost/ProcessFigures.h"

class HostSession {
public:
    explicit HostSession(const Options& options);
    ~HostSession();
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    // Every step in turn; the exit code. Throws std::exception for a page, plug-in or window that
    // cannot be had. A scripted run without --shutdown ends the process here, as a browser ends.
    int Run();

    // The instance whose click runs now (0 outside a click), for the time-out's report.
    int RunningClick() const { return runningClick; }

private:
    struct ClickCount {
        size_t total;         // of the whole run
        size_t made;
        FlatnessCheck* flat;  // null without --flat
    };

    // The steps of Run, in order.
    void LoadPage();
    void ChoosePlugin();
    void ListElements() const;
    void OpenBrowser();
    void StartPlugin();
    void ShowPage();
    void WaitForTheUser();
    int RunScript();
    int Close(int result);

    // Parts of the script.
    bool MakeClicks(ClickCount& count, int& result);
    void ReloadPage();
    int ScriptEndResult(int result, FlatnessCheck* flat) const;
    void ShutDownPlugin(DWORD unloadDelayMs);
    void RunDialogAction(const std::string& text);
    void PrintFigures(const std::string& when, const ProcessFigures& figures) const;
    void PrintFigures(const std::string& when) const;
    void FiguresAfterClicks(size_t made, size_t total, FlatnessCheck* flat) const;

    static void OnStatus(NPP instance, const char* text);
    static std::string OnInstanceName(NPP instance);
    static void OnDialogAction(const std::string& text);
    static HostSession* running;  // the session the browser's callbacks reach

    const Options& options;
    std::string pagePath;
    HtmlPage page;
    PluginInfo info;
    std::vector<SelectedElement> elements;
    PluginModule plugin;
    std::unique_ptr<BrowserPage> shown;  // goes before the plug-in's library
    NPNetscapeFuncs browserFuncs{};
    std::atomic<int> runningClick{0};
    bool pluginShutDown = false;
    bool actionFailed = false;
    DWORD firstClickTick = 0;
};
