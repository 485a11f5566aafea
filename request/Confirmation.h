// The user's consent to what a page asks to send.
#pragma once

#include <windows.h>

#include <string>

// A local file named by the page, not chosen by the user, is handed to the client only after the
// user answers Yes in the confirmation that names it as it is submitted, the recipients, and the
// server and port it goes to.
bool ConfirmPageNamedFile(const std::string& fullPath, const std::string& recipients,
                          const std::string& serverName, const std::string& serverPort, HWND owner);
