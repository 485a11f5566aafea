// What a click does: configuration check, request map from the instance, flow, signal, settings.
#pragma once

struct InstanceData;

// 1 when the settings could be loaded (and the client was started if needed), 0 when not.
// Malformed settings answer 0; only std::bad_alloc gets out.
int CheckConfiguration();
// 1 when a request was submitted, 0 otherwise. Every failure of the request is told to the user
// here (status text, box); only an exception of the browser's status call or of a box itself gets
// out, to the window procedure's guard.
int DispatchRequest(InstanceData* record, const char* fileName, int hasSrc);
