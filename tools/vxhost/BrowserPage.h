// A loaded page as a browser shows it: a top-level window with a status bar, and one plug-in
// instance per matching <embed> or <object>, each in a real child window of the element's size,
// with its src streamed to it, all in the order and form of the browser the profile plays.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "plugin/npapi.h"
#include "vxhost/BrowserProfile.h"
#include "vxhost/PluginElements.h"
#include "vxhost/PluginModule.h"

struct ClickOutcome {
    bool clicked = false;              // the button was there and enabled
    std::string problem;               // why not, or what went wrong
    std::vector<std::string> statuses; // status texts of the clicked instance during the click, in order
    bool instanceDestroyed = false;    // NPP_Destroy of its instance ran while the click was inside
};

// A status text that closes a click: the dispatch shows one of these last on every path.
bool IsClosingStatus(const std::string& text);

class BrowserPage {
public:
    // Local copies of streamed files go into copyFolder.
    BrowserPage(PluginModule& plugin, const BrowserProfile& profile, std::string pagePath, std::string copyFolder);
    ~BrowserPage();
    BrowserPage(const BrowserPage&) = delete;
    BrowserPage& operator=(const BrowserPage&) = delete;

    // The top-level window and its status bar; before NP_Initialize, since the browser exists first.
    void CreateBrowserWindow(const std::string& title, const std::string& pageText);
    HWND BrowserWindow() const { return mainWindow; }

    // NPP_New, a child window and NPP_SetWindow, then the src stream, for every element; then the
    // page is laid out around them.
    void CreateInstances(const std::vector<SelectedElement>& elements);
    void Show();

    // Clicks the button of instance `number` (1-based) and returns when its click has been handled.
    // Re-entrant: another instance may be clicked from inside a dialog of this click.
    ClickOutcome Click(int number);

    // Tears every instance that NPP_New created down as the browser does when the page goes.
    void DestroyInstances();
    // NPP_Destroy for one instance, then its window goes; also from inside a click of it.
    // Returns false with `problem` set when there is no such live instance.
    bool DestroyInstance(int number, NPError& answered, std::string& problem);
    // After DestroyInstances: the page is empty, ready for CreateInstances again (a reload).
    void ForgetInstances();

    // Status texts an instance showed after its NPP_Destroy (each is also reported as an error).
    const std::vector<std::string>& StatusesAfterDestroy() const { return statusesAfterDestroy; }

    // "instance N" for an NPP of this page (also during its NPP_New), "an unknown instance" else.
    std::string NameOf(NPP instance);

    // NPN_Status: the text goes to the status bar and to standard output.
    void ShowStatus(NPP instance, const std::string& text);

private:
    struct Instance;
    struct ActiveClick;
    void CreateInstance(const SelectedElement& element, int top);
    NPError CallNew(Instance& instance);
    void CreateInstanceWindow(Instance& instance);
    void SetWindow(Instance& instance);
    void StreamSource(Instance& instance);
    void LayOut(int width, int height);
    void Scroll(int offset);
    NPError DestroyOne(Instance& instance);
    void DestroyWindowsOf(Instance& instance);
    Instance* InstanceOf(NPP npp);

    PluginModule& plugin;
    const BrowserProfile& profile;
    std::string pagePath;
    std::string copyFolder;
    HWND mainWindow = nullptr;
    HWND statusBar = nullptr;
    HWND titleLabel = nullptr;
    std::vector<std::unique_ptr<Instance>> instances;
    std::vector<std::unique_ptr<Instance>> forgotten;  // of earlier loads: their texts still count
    std::vector<ActiveClick*> activeClicks;  // innermost last
    std::vector<std::string> statusesAfterDestroy;
};
