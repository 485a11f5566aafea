// The plug-in's own confirmation: a question about what a page asks to send, with every value
// labelled on a line of its own.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct ConfirmationField {
    std::string label;  // "File:", "To:", ...
    std::string value;
};

struct Confirmation {
    std::string caption;
    std::string opening;  // the sentence before the fields
    std::vector<ConfirmationField> fields;
    std::string question;  // the sentence after them, answered Yes or No
};

// True only when the user answered Yes.
bool AskConfirmation(const Confirmation& question, HWND owner);
