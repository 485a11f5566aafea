// The host's command line: what a run does, read from its options.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "vxhost/BrowserProfile.h"
#include "vxhost/DialogAutomation.h"

enum ExitCode { kSuccess = 0, kSetupFailed = 1, kScriptFailed = 2, kTimedOut = 3, kCrashed = 4, kNotFlat = 5 };

extern const char kUsage[];

struct Options {
    std::string page;
    std::string url;  // the page's address as the browser names it; empty: the page file's file: URL
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
    std::string ddeName;
    std::string cache;
    BrowserProfile browser;
    unsigned reloads = 0;
    int unloadDelayMs = -1;  // the profile's own unless given

    // Clicks or a shut-down to make: the run ends by itself.
    bool Scripted() const { return !clicks.empty() || shutdown; }
    // The time-out in seconds; 0 for none.
    int TimeoutSeconds() const { return timeoutSeconds >= 0 ? timeoutSeconds : (Scripted() ? 60 : 0); }
    DWORD UnloadDelayMs() const
    {
        return unloadDelayMs >= 0 ? static_cast<DWORD>(unloadDelayMs) : browser.unloadDelayMs;
    }
};

class UsageError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Throws UsageError; --help prints the usage and ends the process.
Options ParseOptions(int argc, char** argv);

// What --during may do while a dialog is open.
struct DialogAction {
    enum Kind { kPass, kClick, kDestroy, kShutdown, kUnload } kind;
    int number;
};

// Throws UsageError for anything but "pass", "shutdown", "unload", "click N" and "destroy N".
DialogAction ParseAction(const std::string& text);
