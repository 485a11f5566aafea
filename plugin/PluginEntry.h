// The plug-in functions handed to the browser, and the browser functions the plug-in calls.
#pragma once

#include "plugin/npapi.h"

extern "C" {
NPError NPP_Initialize(void);
void NPP_Shutdown(void);
NPError NPP_New(NPMIMEType pluginType, NPP instance, uint16_t mode, int16_t argc, char* argn[], char* argv[],
                NPSavedData* saved);
NPError NPP_Destroy(NPP instance, NPSavedData** save);
NPError NPP_SetWindow(NPP instance, NPWindow* window);
NPError NPP_NewStream(NPP instance, NPMIMEType type, NPStream* stream, NPBool seekable, uint16_t* stype);
NPError NPP_DestroyStream(NPP instance, NPStream* stream, NPReason reason);
void NPP_StreamAsFile(NPP instance, NPStream* stream, const char* fname);
int32_t NPP_WriteReady(NPP instance, NPStream* stream);
int32_t NPP_Write(NPP instance, NPStream* stream, int32_t offset, int32_t len, void* buffer);
void NPP_Print(NPP instance, NPPrint* platformPrint);
void NPP_URLNotify(NPP instance, const char* url, NPReason reason, void* notifyData);
}

// Browser calls; they do nothing when no browser table is known, nor when the table lacks the
// function (NPN_GetValue then answers NPERR_GENERIC_ERROR, NPN_GetProperty false).
void NPN_Status(NPP instance, const char* message);
void* NPN_MemAlloc(uint32_t size);
void NPN_MemFree(void* ptr);
NPError NPN_GetValue(NPP instance, NPNVariable variable, void* value);
NPIdentifier NPN_GetStringIdentifier(const NPUTF8* name);
bool NPN_GetProperty(NPP instance, NPObject* object, NPIdentifier propertyName, NPVariant* result);
void NPN_ReleaseObject(NPObject* object);
void NPN_ReleaseVariantValue(NPVariant* variant);
// Whether the browser has every function that reading a property and giving it back takes.
bool BrowserOffersPropertyReads();
