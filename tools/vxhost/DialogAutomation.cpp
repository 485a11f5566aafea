#include "vxhost/DialogAutomation.h"

#include <windows.h>

#include <set>
#include <stdexcept>

#include "common/DialogAnswering.h"
#include "vxhost/HostOutput.h"

namespace {

constexpr UINT kTimerPeriodMs = 100;

struct PendingDialog {
    HWND window;
    DWORD firstSeen;
    bool isFileDialog;
    std::string title;
    std::string text;
    int answerIndex;  // -1: unexpected
    int actionIndex;  // -1: none
};

struct AutomationState {
    std::vector<DialogAnswer> answers;
    std::vector<bool> used;
    bool strict = false;
    unsigned answerDelayMs = 0;
    UINT_PTR timer = 0;
    DWORD thread = 0;
    std::set<HWND> answered;
    std::vector<PendingDialog> pending;
    std::vector<std::string> failures;
    bool insideTimer = false;
    std::vector<DialogAnswer> actions;
    std::vector<bool> actionsUsed;
    void (*runAction)(const std::string& action) = nullptr;
};

AutomationState state;

BOOL CALLBACK CollectDialogs(HWND window, LPARAM context)
{
    if (IsVisibleDialog(window))
        reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
    return TRUE;
}

std::vector<HWND> VisibleDialogs()
{
    std::vector<HWND> dialogs;
    if (state.thread) EnumThreadWindows(state.thread, CollectDialogs, reinterpret_cast<LPARAM>(&dialogs));
    return dialogs;
}

int FindAnswer(const std::string& title)
{
    for (size_t i = 0; i < state.answers.size(); ++i)
        if (!state.used[i] && state.answers[i].title == title) return static_cast<int>(i);
    for (size_t i = 0; i < state.answers.size(); ++i)
        if (!state.used[i] && SameTitle(state.answers[i].title, title)) return static_cast<int>(i);
    return -1;
}

int FindAction(const std::string& title)
{
    for (size_t i = 0; i < state.actions.size(); ++i)
        if (!state.actionsUsed[i] && SameTitle(state.actions[i].title, title)) return static_cast<int>(i);
    return -1;
}

// The plug-in's confirmation enables Yes only after a delay: an answer waits until its button takes
// input, as a person would.
bool WaitsForItsButton(const PendingDialog& dialog)
{
    return dialog.answerIndex >= 0 && ButtonNotReady(dialog.window, state.answers[dialog.answerIndex].value);
}

void Fail(const std::string& text)
{
    state.failures.push_back(text);
    PrintError(text);
}

void Answer(const PendingDialog& dialog)
{
    const char* kind = dialog.isFileDialog ? "file dialog" : "box";
    std::string described = std::string(kind) + " \"" + dialog.title + "\"" +
                            (dialog.text.empty() ? "" : ": " + dialog.text);
    if (dialog.answerIndex < 0) {
        if (state.strict) {
            Fail("unexpected " + described);
            // Closed, so that the click can end and the run report it.
            DismissDialog(dialog.window);
        } else {
            PrintLine("dialog", described + " (left to the user)");
        }
        return;
    }
    const std::string& value = state.answers[dialog.answerIndex].value;
    if (!GiveAnswer(dialog.window, value)) {
        Fail(described + " has no button \"" + value + "\"");
        DismissDialog(dialog.window);
        return;
    }
    PrintLine("dialog", described + " -> " + value);
}

void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD)
{
    // A box shown from inside this procedure would run its own loop and call it again.
    if (state.insideTimer) return;
    state.insideTimer = true;
    DWORD now = GetTickCount();
    for (HWND window : VisibleDialogs()) {
        if (state.answered.count(window)) continue;
        bool known = false;
        for (const PendingDialog& dialog : state.pending)
            if (dialog.window == window) known = true;
        if (known) continue;
        PendingDialog dialog{window, now, IsFileDialog(window), WindowText(window), "", -1, -1};
        if (!dialog.isFileDialog) dialog.text = DialogText(window);
        dialog.answerIndex = FindAnswer(dialog.title);
        if (dialog.answerIndex >= 0) state.used[dialog.answerIndex] = true;
        dialog.actionIndex = state.runAction ? FindAction(dialog.title) : -1;
        if (dialog.actionIndex >= 0) state.actionsUsed[dialog.actionIndex] = true;
        PrintLine("dialog", std::string(dialog.isFileDialog ? "file dialog" : "box") + " \"" + dialog.title + "\" open");
        state.pending.push_back(dialog);
    }
    std::vector<PendingDialog> due;
    for (auto it = state.pending.begin(); it != state.pending.end();) {
        if (!IsWindow(it->window)) {
            it = state.pending.erase(it);
        } else if (now - it->firstSeen >= state.answerDelayMs && !WaitsForItsButton(*it)) {
            due.push_back(*it);
            state.answered.insert(it->window);
            it = state.pending.erase(it);
        } else {
            ++it;
        }
    }
    for (const PendingDialog& dialog : due) {
        if (dialog.actionIndex >= 0) {
            // The dialog is marked answered already, so the timer calls inside the action (in the
            // modal loops of dialogs it leads to) leave it alone until the action is over.
            PrintLine("dialog", "while \"" + dialog.title + "\" is open: " + state.actions[dialog.actionIndex].value);
            state.insideTimer = false;
            state.runAction(state.actions[dialog.actionIndex].value);
            state.insideTimer = true;
            if (!IsWindow(dialog.window)) {
                PrintLine("dialog", "\"" + dialog.title + "\" closed during the action");
                continue;
            }
        }
        Answer(dialog);
    }
    state.insideTimer = false;
}

}  // namespace

DialogAnswer ParseDialogAnswer(const std::string& text)
{
    size_t equals = text.rfind('=');
    if (equals == std::string::npos || equals == 0 || equals + 1 == text.size())
        throw std::invalid_argument("an answer is written \"Title=Value\": " + text);
    return DialogAnswer{text.substr(0, equals), text.substr(equals + 1)};
}

void StartDialogAutomation(const std::vector<DialogAnswer>& answers, bool strict, unsigned answerDelayMs)
{
    state.answers = answers;
    state.used.assign(answers.size(), false);
    state.strict = strict;
    state.answerDelayMs = answerDelayMs;
    state.thread = GetCurrentThreadId();
    state.timer = SetTimer(nullptr, 0, kTimerPeriodMs, OnTimer);
}

void StopDialogAutomation()
{
    if (state.timer) KillTimer(nullptr, state.timer);
    state.timer = 0;
}

void SetDialogActions(const std::vector<DialogAnswer>& actions, void (*run)(const std::string& action))
{
    state.actions = actions;
    state.actionsUsed.assign(actions.size(), false);
    state.runAction = run;
}

std::vector<DialogAnswer> UnusedActions()
{
    std::vector<DialogAnswer> unused;
    for (size_t i = 0; i < state.actions.size(); ++i)
        if (!state.actionsUsed[i]) unused.push_back(state.actions[i]);
    return unused;
}

std::vector<std::string> DialogFailures() { return state.failures; }

std::vector<DialogAnswer> UnusedAnswers()
{
    std::vector<DialogAnswer> unused;
    for (size_t i = 0; i < state.answers.size(); ++i)
        if (!state.used[i]) unused.push_back(state.answers[i]);
    return unused;
}

std::vector<std::string> OpenDialogTitles()
{
    std::vector<std::string> titles;
    // Called from another thread while this one may hang: never wait on the window's thread.
    for (HWND window : VisibleDialogs()) {
        char buffer[512] = "";
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer),
                            SMTO_ABORTIFHUNG | SMTO_BLOCK, 200, &ignored);
        titles.push_back(buffer);
    }
    return titles;
}
