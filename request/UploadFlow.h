// The upload flow: a local file to send to recipients, handed to the client. Answers as the save
// flow does (request/SaveFlow.h): a file that cannot be opened and an empty recipient list are
// failed, after their box.
#pragma once

#include <windows.h>

#include "client/KeyValueMap.h"
#include "request/ClickDialogs.h"
#include "request/RequestOutcome.h"

// dialogs.confirmsEveryRequest: the Open dialog comes only after ConfirmChoosingFileToSend.
RequestOutcome SubmitUploadRequest(CKeyValueMap& settings, CKeyValueMap& request, const ClickDialogs& dialogs);
