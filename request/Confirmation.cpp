#include "request/Confirmation.h"

#include <utility>
#include <vector>

#include "win/ConfirmationDialog.h"
#include "win/SystemCalls.h"

namespace {

std::string OrNoneGiven(const std::string& value) { return value.empty() ? "(none given)" : value; }

// Every question about a page's request has the product's caption and shows each value whole.
bool Ask(const char* opening, std::vector<ConfirmationField> fields, const char* question, HWND owner)
{
    const Confirmation asked{"Tolvane Message ", opening, std::move(fields), question};
    return systemCalls.AskConfirmation(asked, owner);
}

}  // namespace

bool ConfirmPageNamedFile(const PageNamedFile& file, HWND owner)
{
    return Ask("This page asks to send your file",
               {{"File:", file.fullPath},
                {"To:", file.recipients},
                {"Server:", file.serverName},
                {"Port:", OrNoneGiven(file.serverPort)},
                {"HTTP port:", OrNoneGiven(file.httpServerPort)}},
               "Do you want to send it?", owner);
}

bool ConfirmRequestedPackage(const RequestedPackage& package, HWND owner)
{
    return Ask("This page asks to deliver a package to you",
               {{"Package:", package.name},
                {"Server:", package.serverName},
                {"Port:", OrNoneGiven(package.serverPort)},
                {"HTTP port:", OrNoneGiven(package.httpServerPort)}},
               "Do you want to receive it?", owner);
}
