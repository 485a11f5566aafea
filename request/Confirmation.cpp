#include "request/Confirmation.h"

#include <utility>
#include <vector>

#include "win/ConfirmationDialog.h"
#include "win/SystemCalls.h"

namespace {

std::string OrNoneGiven(const std::string& value) { return value.empty() ? "(none given)" : value; }

// Every question about a page's request has the product's caption, opens with who asks and shows
// each value whole.
bool Ask(const ClickDialogs& dialogs, const char* asks, std::vector<ConfirmationField> fields, const char* question)
{
    const Confirmation asked{"Tolvane Message ", SubjectOf(dialogs.site) + " " + asks, std::move(fields), question};
    return systemCalls.AskConfirmation(asked, dialogs.owner);
}

}  // namespace

bool ConfirmPageNamedFile(const PageNamedFile& file, const ClickDialogs& dialogs)
{
    return Ask(dialogs, "asks to send your file",
               {{"File:", file.fullPath},
                {"To:", file.recipients},
                {"Server:", file.serverName},
                {"Port:", OrNoneGiven(file.serverPort)},
                {"HTTP port:", OrNoneGiven(file.httpServerPort)}},
               "Do you want to send it?");
}

bool ConfirmRequestedPackage(const RequestedPackage& package, const ClickDialogs& dialogs)
{
    std::vector<ConfirmationField> fields = {{"Package:", package.name}};
    if (package.proposedFileName) fields.push_back({"File name:", OrNoneGiven(*package.proposedFileName)});
    fields.push_back({"Server:", package.serverName});
    fields.push_back({"Port:", OrNoneGiven(package.serverPort)});
    fields.push_back({"HTTP port:", OrNoneGiven(package.httpServerPort)});
    return Ask(dialogs, "asks to deliver a package to you", std::move(fields), "Do you want to receive it?");
}

bool ConfirmChoosingFileToSend(const UploadDestination& destination, const ClickDialogs& dialogs)
{
    return Ask(dialogs, "asks you to choose a file to send",
               {{"To:", destination.recipients},
                {"Server:", destination.serverName},
                {"Port:", destination.serverPort},
                {"HTTP port:", destination.httpServerPort}},
               "Do you want to choose the file?");
}
