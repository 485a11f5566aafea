#include "win/ConfirmationDialog.h"

#include "win/SystemCalls.h"

bool AskConfirmation(const Confirmation& question, HWND)
{
    std::string text = question.opening;
    for (const ConfirmationField& field : question.fields) text += " \n" + field.label + field.value;
    text += " \n" + question.question;
    return systemCalls.MessageBoxA(nullptr, text.c_str(), question.caption.c_str(),
                                   MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2 | MB_SETFOREGROUND |
                                       MB_TOPMOST) == IDYES;
}
