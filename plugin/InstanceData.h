// The per-instance record: made by NPP_New from the element's attributes, kept in the NPP's pdata.
#pragma once

#include "plugin/npapi.h"
#include "request/PageRequest.h"
#include "win/Owned.h"

struct InstanceData {
    NPP instance = nullptr;        // for NPN_Status
    uint16_t mode = 0;             // NP_EMBED or NP_FULL, recorded only
    NPWindow* window = nullptr;    // last NPWindow given to NPP_SetWindow; null until then
    HWND hwnd = nullptr;           // browser window currently subclassed, or null
    HWND button = nullptr;         // the push button, or null
    WNDPROC savedWndProc = nullptr;  // the procedure hwnd had before we subclassed it
    PageRequest page;              // the attributes, the origin the browser named at NPP_New, and
                                   // the request file the stream delivered

    // A click runs modal loops, during which the browser may destroy the instance. The record then
    // outlives NPP_Destroy until the last running dispatch returns.
    int dispatchDepth = 0;   // dispatches of this record now running
    bool destroyed = false;  // NPP_Destroy ran: no status texts, no window calls, release at the end
};

// The record of an instance, or null when the instance or its record is missing.
inline InstanceData* RecordOf(NPP instance)
{
    return instance ? static_cast<InstanceData*>(instance->pdata) : nullptr;
}

// Records live in memory of the browser's allocator (NPN_MemAlloc), as pdata always has.
// Null when there is no memory.
InstanceData* NewInstanceRecord();
// Ends the record and gives its memory back (NPN_MemFree). It must no longer be reachable from any
// window or NPP.
void ReleaseInstanceRecord(InstanceData* record);

struct InstanceRecordTraits {
    using Handle = InstanceData*;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle record) { ReleaseInstanceRecord(record); }
};
using OwnedInstanceRecord = Owned<InstanceRecordTraits>;
