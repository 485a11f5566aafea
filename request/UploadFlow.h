// The upload flow: a local file to send to recipients, handed to the client. Returns as the save
// flow does (request/SaveFlow.h).
#pragma once

#include <windows.h>

#include "client/KeyValueMap.h"
#include "request/ClickDialogs.h"

// dialogs.confirmsEveryRequest: the Open dialog comes only after ConfirmChoosingFileToSend.
int SubmitUploadRequest(CKeyValueMap& settings, CKeyValueMap& request, const ClickDialogs& dialogs);
