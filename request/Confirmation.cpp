#include "request/Confirmation.h"

#include "win/ConfirmationDialog.h"
#include "win/SystemCalls.h"

namespace {
std::string OrNoneGiven(const std::string& value) { return value.empty() ? "(none given)" : value; }
}  // namespace

bool ConfirmPageNamedFile(const PageNamedFile& file, HWND owner)
{
    Confirmation question;
    question.caption = "Tolvane Message ";
    question.opening = "This page asks to send your file";
    question.fields = {{"File:", file.fullPath},
                       {"To:", file.recipients},
                       {"Server:", file.serverName},
                       {"Port:", OrNoneGiven(file.serverPort)},
                       {"HTTP port:", OrNoneGiven(file.httpServerPort)}};
    question.question = "Do you want to send it?";
    return systemCalls.AskConfirmation(question, owner);
}
