// What a spare host does before its click: the work every click's dialogs would otherwise do first.
#pragma once

#include <functional>

// Makes a hidden dialog with the confirmation's controls and font, so that the window system, the
// input method and theme libraries and the fonts are ready, starts COM on the thread and loads the
// libraries of the Save-As and Open dialogs. Shows nothing and takes no focus; the hidden dialog
// stays until the program ends. What every click needs comes first; once `clickArrived` answers
// true the rest is left to the click, which would otherwise wait for it.
void WarmUpDialogs(const std::function<bool()>& clickArrived);
