#include "request/Confirmation.h"

#include "win/ConfirmationDialog.h"
#include "win/SystemCalls.h"

bool ConfirmPageNamedFile(const std::string& fullPath, const std::string& recipients,
                          const std::string& serverName, const std::string& serverPort, HWND owner)
{
    Confirmation question;
    question.caption = "Tolvane Message ";
    question.opening = "This page asks to send your file";
    question.fields = {{"", fullPath},
                       {"to: ", recipients},
                       {"through the server: ", serverName},
                       {"port: ", serverPort.empty() ? "(none given)" : serverPort}};
    question.question = "Do you want to send it?";
    return systemCalls.AskConfirmation(question, owner);
}
