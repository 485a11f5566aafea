// Answers the real dialogs and message boxes of the host's thread from a script, as a person would:
// a thread timer walks the thread's windows, finds a dialog by its title, fills in the file name of
// a file dialog and presses its button, or presses a message box's button once it takes input.
#pragma once

#include <string>
#include <vector>

struct DialogAnswer {
    std::string title;  // the window title, compared exactly, then without trailing blanks
    std::string value;  // file dialogs: the path, or "Cancel"; boxes: Yes, No, OK, Cancel, Retry, Ignore, Abort
};

// Parses "Title=Value" (split at the last "="); throws std::invalid_argument.
DialogAnswer ParseDialogAnswer(const std::string& text);

// Starts the timer on the calling thread. With strict set, a dialog that no answer is left for is
// a failure: it is reported, dismissed, and recorded. answerDelayMs leaves each dialog open that
// long before it is answered (for screenshots).
void StartDialogAutomation(const std::vector<DialogAnswer>& answers, bool strict, unsigned answerDelayMs);
void StopDialogAutomation();

// Something the browser does while a dialog is open, before the dialog is answered: each action
// (title = the dialog's, value = what to do) is handed to `run` once, at the first dialog of its
// title. `run` may click, destroy or shut down; dialogs it leads to are answered meanwhile.
void SetDialogActions(const std::vector<DialogAnswer>& actions, void (*run)(const std::string& action));
std::vector<DialogAnswer> UnusedActions();

// Failures so far (unexpected dialogs, answers that could not be given).
std::vector<std::string> DialogFailures();
// Answers not used yet, in the order given.
std::vector<DialogAnswer> UnusedAnswers();
// Titles of the dialogs open now, for time-out reports.
std::vector<std::string> OpenDialogTitles();
