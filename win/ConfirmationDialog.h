// The question asked before a file the page named is handed on: a dialog of the plug-in's own that
// shows each value whole in a labelled field of its own, always inside the work area, with No as
// the default and a plain Yes (no accelerator) that only a press begun after it armed answers.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct ConfirmationField {
    std::string label;  // "File:"
    std::string value;  // shown whole in a read-only field that wraps, and scrolls when it must
};

struct Confirmation {
    std::string caption;   // the title; the host's automation finds the dialog by it
    std::string opening;   // the sentence above the fields
    std::vector<ConfirmationField> fields;
    std::string question;  // the sentence above the buttons
};

// How long the dialog must be visible and in the foreground, with no key or mouse button down and
// every field that scrolls read to its end, before Yes takes input: a key or click meant for the
// page, held or repeated as the dialog appears, must not answer it.
constexpr DWORD kConfirmationArmDelayMs = 1000;

// Shows the dialog modally, owned by the top-level window of owner (which it disables meanwhile);
// without an owner it is topmost and brought to the foreground. True only for Yes once armed, by a
// press that began after that (an auto-repeat or the release of an earlier press never answers);
// false for No, Escape, the close box and a dialog that could not be shown. Never throws.
bool AskConfirmation(const Confirmation& what, HWND owner) noexcept;
