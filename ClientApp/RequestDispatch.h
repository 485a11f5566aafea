// What a click does: configuration check, request map from the instance, flow, signal, settings.
#pragma once

struct InstanceData;

// 1 when the settings could be loaded (and the client was started if needed), 0 when not.
int CheckConfiguration();
// 1 when a request was submitted, 0 otherwise. Never throws.
int DispatchRequest(InstanceData* record, const char* fileName, int hasSrc);
