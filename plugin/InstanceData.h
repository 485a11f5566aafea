// The per-instance record: filled from the embed attributes by NPP_New, kept in the NPP's pdata.
#pragma once

#include "plugin/npapi.h"

struct InstanceData {
    NPWindow* window;      // last NPWindow given to NPP_SetWindow; null until then
    uint16_t mode;         // NP_EMBED or NP_FULL, recorded only
    HWND hwnd;             // browser window currently subclassed, or null
    HWND button;           // the push button, or null
    int16_t hasSrc;        // 1 when the element carries a src attribute
    int16_t isUpload;      // 1 when upload="true" (any case)
    char* file;            // file attribute, or the first streamed request file
    char* caption;         // caption attribute, or "Vexo Save File"
    char* downloadUrl;
    char* serverName;
    char* name;
    char* size;
    char* port;
    char* contentType;
    char* recipients;
    WNDPROC savedWndProc;  // the procedure hwnd had before we subclassed it
    NPP instance;          // for NPN_Status

    // A click runs modal loops, during which the browser may destroy the instance. The record and
    // its attribute copies then outlive NPP_Destroy until the last running dispatch returns.
    int dispatchDepth;     // dispatches of this record now running
    int16_t destroyed;     // NPP_Destroy ran: no status texts, no window calls, release at the end

    // The streamed request file's bytes, read at NPP_StreamAsFile: the browser may delete its copy
    // as soon as the stream ends, long before the click. Null when `file` is not the stream's, or
    // the file could not be read whole within the request-file bound.
    char* fileBytes;
    uint32_t fileSize;
};

// The record of an instance, or null when the instance or its record is missing.
inline InstanceData* RecordOf(NPP instance)
{
    return instance ? static_cast<InstanceData*>(instance->pdata) : nullptr;
}
