// The browser's DDE face: a server for the topic "WWW_OpenURL" under the host's own service name.
// A request is answered by printing the URL it asks to open.
#pragma once

#include <string>

// Throws std::runtime_error when DDE cannot be set up or the name cannot be registered.
void StartDdeServer(const std::string& serviceName);
void StopDdeServer();
// Requests handled so far.
int OpenUrlRequestCount();

// The URL of a WWW_OpenURL item: its first argument, without the quotes around it.
std::string UrlOfOpenUrlItem(const std::string& item);
