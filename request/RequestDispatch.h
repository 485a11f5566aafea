// What a click does: the site policy, configuration check, the request from the page, the flow, the
// signal, the settings.
#pragma once

#include "client/KeyValueMap.h"
#include "request/BrowserServices.h"
#include "request/PageRequest.h"
#include "request/RequestOutcome.h"

// True when the settings could be loaded into `settings` (and the client was started if needed),
// false when not. Malformed settings answer false; only std::bad_alloc gets out.
bool CheckConfiguration(CKeyValueMap& settings, ClientStartStyle clientStart = ClientStartStyle::inheritHandles);

// Every failure of the request is told to the user here (status text, box); only an exception of
// the status call or of a box itself gets out, to the caller's guard.
RequestOutcome DispatchRequest(const PageRequest& page, CKeyValueMap& settings, BrowserServices& browser);
