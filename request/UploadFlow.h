// The upload flow: a local file to send to recipients, handed to the client. Returns as the save
// flow does (request/SaveFlow.h).
#pragma once

#include <windows.h>

#include "client/KeyValueMap.h"

int SubmitUploadRequest(CKeyValueMap& settings, CKeyValueMap& request, HWND owner);
