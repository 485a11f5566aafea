// Drives real dialogs and boxes from inside their modal loops, as a person at the screen would.
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

// Answers a real window of this thread from a timer, while the object lives: `answer` runs on a
// visible window of that title each time the timer finds one (and is to close it).
class WindowAnswerer {
public:
    WindowAnswerer(std::string title, std::function<void(HWND)> answer, UINT milliseconds);
    ~WindowAnswerer();
    WindowAnswerer(const WindowAnswerer&) = delete;
    WindowAnswerer& operator=(const WindowAnswerer&) = delete;

    int answered = 0;

private:
    static void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD);
    static BOOL CALLBACK AnswerIfItIs(HWND candidate, LPARAM);

    static WindowAnswerer* current;
    std::string title;
    std::function<void(HWND)> answer;
    UINT_PTR timer = 0;
};
