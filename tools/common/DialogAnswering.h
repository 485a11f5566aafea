// Answering a dialog as a person would, from the dialog's own thread (the host's automation) or from
// another process on the same desktop (vxanswer): its title and what it shows, a path typed into a
// Save-As or Open dialog, a button pressed. Texts are read with WM_GETTEXT, which also crosses
// processes (GetWindowText would give another process's edit fields as empty).
#pragma once

#include <windows.h>

#include <string>

// The window's text; empty when it has none or does not answer within a second.
std::string WindowText(HWND window);
std::string WindowClassName(HWND window);

// A visible window of the dialog class ("#32770"): a box, a file dialog, the confirmation.
bool IsVisibleDialog(HWND window);
// A Save-As or Open dialog: it has a file-name field.
bool IsFileDialog(HWND dialog);
// What a box shows: its static texts joined by " | "; for the confirmation, whose values stand in
// read-only fields after their labels, each "label value".
std::string DialogText(HWND dialog);
// The titles as an answer names them: equal, or equal without trailing blanks.
bool SameTitle(const std::string& answerTitle, const std::string& dialogTitle);

// The button an answer names (OK, Cancel, Yes, No, Retry, Ignore, Abort, in any letter case); 0 for
// none.
int ButtonFor(const std::string& value);
// The answer's button is there but takes no input yet, as the confirmation's Yes before it arms: a
// person would wait for it.
bool ButtonNotReady(HWND dialog, const std::string& value);
// Posts the button's click to the dialog.
void PressButton(HWND dialog, int id);

// Gives the answer: a file dialog gets the path typed into its file name, then OK (or "Cancel"); a
// box gets its button pressed. False, with nothing done, when a box has no such button.
bool GiveAnswer(HWND dialog, const std::string& value);
// Closes a dialog that no answer is for: Cancel, No, OK or Abort, whichever it has, else WM_CLOSE.
void DismissDialog(HWND dialog);
