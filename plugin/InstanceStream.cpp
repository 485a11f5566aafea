// The stream of an element's src: the browser delivers the request file as a local file, which is
// kept for the click.
#include <string>

#include "diag/TraceEntries.h"
#include "diag/TraceLog.h"
#include "plugin/Boundary.h"
#include "plugin/InstanceData.h"
#include "plugin/ModuleState.h"
#include "plugin/PluginEntry.h"
#include "request/RequestFile.h"
#include "win/SystemCalls.h"

namespace {

const char kNoFileNameText[] =
    "Fatal Error : Could not retrieve the plugin data, disk space or Authorization may be the problem";
const char kNoFileNameTitle[] = "Plugin Error";

void RecordStreamFile(NPP instance, const char* fname)
{
    InstanceData* record = RecordOf(instance);
    if (!record) return;
    if (!fname) {
        TraceLogFileWrite(kPluginTraceSource, __LINE__, kNoFileNameText);
        ModalLoop inBox;
        systemCalls.MessageBoxA(nullptr, kNoFileNameText, kNoFileNameTitle, MB_OK);
        return;
    }
    // A file attribute wins over the stream, uploads never take one, and the first file counts.
    PageRequest& page = record->page;
    if (page.isUpload || page.file || page.requestFile) return;
    page.requestFile = fname;
    // A browser may delete its copy as soon as the stream ends, long before the click: the bytes are
    // kept now. What cannot be kept is left to the click, which then reads (or misses) the file by
    // its name.
    KeptRequestFile kept;
    if (ReadRequestFileBytes(fname, kept.bytes)) page.keptRequestFile = std::move(kept);
}

}  // namespace

extern "C" NPError NPP_NewStream(NPP instance, NPMIMEType, NPStream*, NPBool, uint16_t* stype)
{
    if (!instance) return NPERR_INVALID_INSTANCE_ERROR;
    if (stype) *stype = NP_ASFILE;
    return NPERR_NO_ERROR;
}

extern "C" int32_t NPP_WriteReady(NPP, NPStream*) { return NP_MAXREADY; }

extern "C" int32_t NPP_Write(NPP, NPStream*, int32_t, int32_t len, void*) { return len; }

extern "C" NPError NPP_DestroyStream(NPP instance, NPStream*, NPReason)
{
    return instance ? NPERR_NO_ERROR : NPERR_INVALID_INSTANCE_ERROR;
}

extern "C" void NPP_StreamAsFile(NPP instance, NPStream*, const char* fname)
{
    Guarded([&] { RecordStreamFile(instance, fname); });
}
