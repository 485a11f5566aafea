// A loaded page as a browser shows it: a top-level window with a status bar, and one plug-in
// instance per matching <embed> or <object>, each in a real child window of the element's size,
// with its src streamed to it.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "plugin/npapi.h"
#include "vxhost/HtmlPage.h"
#include "vxhost/PluginModule.h"

struct SelectedElement {
    const PageElement* element;
    std::vector<Attribute> arguments;  // what NPP_New gets as argn/argv, in order
    std::string mimeType;              // the type attribute, or the plug-in's first MIME type
    std::string src;                   // src (embed) or data (object); empty when none
    int width;
    int height;
};

// The elements of the page that the plug-in handles, in page order; fallback content of a
// selected <object> is left out, as browsers do.
std::vector<SelectedElement> SelectPluginElements(const HtmlPage& page, const PluginInfo& plugin);

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
    BrowserPage(PluginModule& plugin, std::string pagePath, std::string cacheFolder);
    ~BrowserPage();
    BrowserPage(const BrowserPage&) = delete;
    BrowserPage& operator=(const BrowserPage&) = delete;

    // The top-level window and its status bar; before NP_Initialize, since the browser exists first.
    void CreateBrowserWindow(const std::string& title, const std::string& pageText);
    HWND BrowserWindow() const { return mainWindow; }

    // NPP_New, a child window and NPP_SetWindow, then the src stream, for every element.
    void CreateInstances(const std::vector<SelectedElement>& elements);
    size_t InstanceCount() const { return instances.size(); }

    // Clicks the button of instance `number` (1-based) and returns when its click has been handled.
    // Re-entrant: another instance may be clicked from inside a dialog of this click.
    ClickOutcome Click(int number);

    // NPP_Destroy for every instance that NPP_New created, then the windows go.
    void DestroyInstances();

    // NPP_Destroy for one instance, then its window goes; also from inside a click of it.
    // Returns false with `problem` set when there is no such live instance.
    bool DestroyInstance(int number, NPError& answered, std::string& problem);

    // Status texts an instance showed after its NPP_Destroy (each is also reported as an error).
    const std::vector<std::string>& StatusesAfterDestroy() const { return statusesAfterDestroy; }

    // NPN_Status: the text goes to the status bar and to standard output.
    void ShowStatus(NPP instance, const std::string& text);

    void Show();

private:
    struct Instance;
    struct ActiveClick;
    void StreamSource(Instance& instance);
    NPError DestroyOne(Instance& instance);
    Instance* InstanceOf(NPP npp);
    std::string CacheCopy(int number, const std::string& sourcePath, const std::string& bytes);

    PluginModule& plugin;
    std::string pagePath;
    std::string cacheFolder;
    HWND mainWindow = nullptr;
    HWND statusBar = nullptr;
    HWND titleLabel = nullptr;
    std::vector<std::unique_ptr<Instance>> instances;
    std::vector<ActiveClick*> activeClicks;  // innermost last
    std::vector<std::string> statusesAfterDestroy;
};

// Runs the thread's messages for the given time.
void PumpMessagesFor(DWORD milliseconds);
