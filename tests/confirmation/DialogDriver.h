// Drives the confirmation dialog from inside its modal loop, as a person at the screen would.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "win/ConfirmationDialog.h"

// AskConfirmation(what, owner), with step called every 10 ms once the dialog is visible (with the
// dialog and the milliseconds since then). A dialog still open after 20 s is closed, failing the test.
bool AskWhileDriving(const Confirmation& what, HWND owner, const std::function<void(HWND, DWORD)>& step);

inline Confirmation Question(std::vector<ConfirmationField> fields)
{
    return Confirmation{"Tolvane Message ", "This page asks to send your file", fields, "Do you want to send it?"};
}

std::string TextOf(HWND window);
// The dialog's children of a window class, in the order they were made.
std::vector<HWND> Children(HWND dialog, const char* windowClass);
