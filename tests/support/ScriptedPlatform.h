// Test stand-in for the product's user-interface and process calls: records every call with its
// exact arguments and answers from a script. Installed for the lifetime of the object.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct MessageBoxCall {
    HWND owner;
    std::string text;
    std::string caption;
    UINT style;
};

struct FileDialogCall {
    bool save;                  // GetSaveFileNameA, else GetOpenFileNameA
    OPENFILENAMEA request;      // the structure as passed (pointers valid only during the call)
    std::string filter;         // filter bytes up to and including the closing double NUL
    std::string initialFile;    // contents of the file buffer when the dialog opened
    std::string initialDir;     // lpstrInitialDir, or "<null>"
    std::string title;          // lpstrTitle, or "<null>"
};

// The plug-in's own confirmation, as asked.
struct ConfirmationCall {
    HWND owner;
    std::string caption;
    std::string opening;
    std::vector<std::pair<std::string, std::string>> fields;  // label, value
    std::string question;
};

struct ProcessCall {
    bool applicationNameNull;
    std::string commandLine;
    BOOL inheritHandles;
    DWORD creationFlags;
    bool environmentNull;
    bool currentDirectoryNull;
    STARTUPINFOA startupInfo;
};

class ScriptedPlatform {
public:
    ScriptedPlatform();
    ~ScriptedPlatform();
    ScriptedPlatform(const ScriptedPlatform&) = delete;
    ScriptedPlatform& operator=(const ScriptedPlatform&) = delete;

    // Answers, taken from the front; when empty, a box answers IDOK, a dialog is cancelled and a
    // confirmation answered No.
    std::deque<int> messageBoxAnswers;
    std::deque<bool> confirmationAnswers;
    std::deque<std::optional<std::string>> fileDialogAnswers;  // nullopt: cancel
    // Process creation: recorded, then passed to the real CreateProcessA unless this is false
    // (then it fails with ERROR_FILE_NOT_FOUND).
    bool realProcessCreation = true;
    // Runs inside every box, dialog or confirmation, before the answer (for example to destroy an
    // instance).
    std::function<void()> whileShown;

    std::vector<MessageBoxCall> messageBoxes;
    std::vector<ConfirmationCall> confirmations;
    std::vector<FileDialogCall> fileDialogs;
    std::vector<ProcessCall> processes;
    int extendedErrorCalls = 0;
};
