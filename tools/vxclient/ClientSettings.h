// The client's side of the settings key it shares with the plug-in. Every value it writes is
// REG_SZ with a name of letters, digits, "_" and "." only: the plug-in refuses the whole key otherwise.
#pragma once

#include <string>

struct ClientSettings {
    std::string applicationPath;  // the command line that starts this client
    std::string requestDir;       // "LoadRequestDir": where submission files arrive
    std::string deliveryDir;      // "LoadDeliveryDir": proposed for downloads
    std::string dataDir;          // "ClientDataDir": journal, log, done and rejected folders
};

// Reads the settings key; false with the reason when it is missing or incomplete.
bool ReadClientSettings(ClientSettings& settings, std::string& problem);
// Writes the four values (creating the key); false with the reason on failure.
bool WriteClientSettings(const ClientSettings& settings, std::string& problem);
// Removes the settings key with everything below it; true when it is gone.
bool DeleteClientSettings(std::string& problem);

// The load-request signal's text, or "" when there is none.
std::string ReadSignalText();

