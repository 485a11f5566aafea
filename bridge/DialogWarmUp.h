// What a spare host does before its click: the work every click's dialogs would otherwise do first.
#pragma once

// Loads the libraries of the confirmation, the message boxes and the Save-As and Open dialogs, and
// makes and destroys a hidden dialog with the confirmation's controls and font, so that the window
// system, the input method and theme libraries and the fonts are ready. Shows nothing, takes no
// focus and keeps nothing but the loaded libraries.
void WarmUpDialogs() noexcept;
