// PLACEHOLDER: replaced by the entry points and instance lifecycle.
#include "plugin/PluginEntry.h"

NPNetscapeFuncs* browserFuncs = nullptr;
NPPluginFuncs* pluginFuncs = nullptr;

void NPN_Status(NPP, const char*) {}
void* NPN_MemAlloc(uint32_t) { return nullptr; }
void NPN_MemFree(void*) {}

extern "C" NPError NP_EXPORT_CALL NP_GetEntryPoints(NPPluginFuncs*) { return NPERR_GENERIC_ERROR; }
extern "C" NPError NP_EXPORT_CALL NP_Initialize(NPNetscapeFuncs*) { return NPERR_GENERIC_ERROR; }
extern "C" NPError NP_EXPORT_CALL NP_Shutdown(void) { return NPERR_NO_ERROR; }
