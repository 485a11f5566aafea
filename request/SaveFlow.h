// The save flow: a download request, from a page's attributes or its request file, completed with
// the user and handed to the client. The flows answer submitted when a submission file was written,
// cancelled when the user said no, failed when the flow stopped after its own box; malformed
// requests raise FormatException, file errors CFileException.
#pragma once

#include <windows.h>

#include <string>

#include "client/KeyValueMap.h"
#include "request/ClickDialogs.h"
#include "request/PageRequest.h"
#include "request/RequestOutcome.h"

// dialogs.confirmsEveryRequest: a download whose package no other confirmation named (TYPE RICH, or
// PLAIN before its Save-As; not a request file's FILE, confirmed already) goes on only after
// ConfirmRequestedPackage.
RequestOutcome SubmitSaveRequest(CKeyValueMap& settings, CKeyValueMap& request, const ClickDialogs& dialogs);
RequestOutcome SubmitSaveRequestFile(CKeyValueMap& settings, const char* fileName, const ClickDialogs& dialogs,
                                     const KeptRequestFile* kept = nullptr);
// The Save-As dialog "Tolvane : deliver package to ..." (TitleAskedBy), proposing DestBaseName in
// DestInitialDir; the chosen path (and DestBaseName, DestInitialDir from it), or empty when
// cancelled.
std::string AskSavePath(CKeyValueMap& request, const ClickDialogs& dialogs);
