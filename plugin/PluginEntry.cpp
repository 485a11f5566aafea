// The three exports and the instance operations: a thin boundary between the browser and the
// instance record. Nothing thrown inside may reach the browser.
#include "plugin/PluginEntry.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "ClientApp/RequestDispatch.h"
#include "ClientApp/VexoRequest.h"
#include "clientlink/BrowserHandoff.h"
#include "clientlink/PlatformCalls.h"
#include "diag/Diagnostics.h"
#include "diag/TraceLog.h"
#include "plugin/Boundary.h"
#include "plugin/ButtonWindow.h"
#include "plugin/InstanceData.h"
#include "win/Owned.h"

NPNetscapeFuncs* browserFuncs = nullptr;
NPPluginFuncs* pluginFuncs = nullptr;
int modalLoopsRunning = 0;

namespace {

const char kDefaultCaption[] = "Vexo Save File";
const char kNoFileNameText[] =
    "Fatal Error : Could not retrieve the plugin data, disk space or Authorization may be the problem";
const char kNoFileNameTitle[] = "Plugin Error";
const char kEntrySource[] = "plugin/PluginEntry";

// NUL-terminated copy of exactly strlen + 1 bytes from the C runtime heap; null when there is
// nothing to copy or no memory.
char* CopyText(const char* text)
{
    if (!text) return nullptr;
    size_t size = std::strlen(text) + 1;
    char* copy = static_cast<char*>(std::malloc(size));
    if (copy) std::memcpy(copy, text, size);
    return copy;
}

// Attribute names are matched with ASCII case folding only, whatever the process locale says.
char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(const char* given, const char* wanted)
{
    for (; *given && *wanted; ++given, ++wanted)
        if (FoldCase(*given) != FoldCase(*wanted)) return false;
    return *given == *wanted;
}

// The last occurrence wins: the earlier copy goes, also when the new one cannot be made.
void ReplaceCopy(char*& field, const char* value)
{
    std::free(field);
    field = CopyText(value);
}

// The attributes kept as owned copies: NPP_New fills these fields from them, and releasing a
// record releases exactly these.
struct CopiedAttribute {
    const char* name;
    char* InstanceData::*field;
};
const CopiedAttribute kCopiedAttributes[] = {
    {"caption", &InstanceData::caption},       {"downloadurl", &InstanceData::downloadUrl},
    {"servername", &InstanceData::serverName}, {"name", &InstanceData::name},
    {"port", &InstanceData::port},             {"contenttype", &InstanceData::contentType},
    {"file", &InstanceData::file},             {"RECIPIENTS", &InstanceData::recipients},
    {"size", &InstanceData::size},
};

void ApplyAttribute(InstanceData* record, const char* name, const char* value)
{
    if (!name) return;
    if (SameName(name, "src")) {
        record->hasSrc = 1;
        return;
    }
    if (SameName(name, "upload")) {
        if (value && SameName(value, "true")) record->isUpload = 1;
        return;
    }
    for (const CopiedAttribute& attribute : kCopiedAttributes) {
        if (SameName(name, attribute.name)) {
            ReplaceCopy(record->*attribute.field, value);
            return;
        }
    }
}

void ReleaseAttributeCopies(InstanceData* record)
{
    for (const CopiedAttribute& attribute : kCopiedAttributes) {
        std::free(record->*attribute.field);
        record->*attribute.field = nullptr;
    }
    std::free(record->fileBytes);
    record->fileBytes = nullptr;
    record->fileSize = 0;
}

// Keeps the request the stream delivered: a browser may delete the file when the stream ends.
// What cannot be kept is left to the click, which then reads (or misses) the file by its name.
void KeepRequestBytes(InstanceData* record, const char* fileName)
{
    std::string bytes;
    if (!ReadRequestFileBytes(fileName, bytes)) return;
    char* copy = static_cast<char*>(std::malloc(bytes.empty() ? 1 : bytes.size()));
    if (!copy) return;
    if (!bytes.empty()) std::memcpy(copy, bytes.data(), bytes.size());
    record->fileBytes = copy;
    record->fileSize = static_cast<uint32_t>(bytes.size());
}

}  // namespace

void NPN_Status(NPP instance, const char* message)
{
    if (browserFuncs && browserFuncs->status) browserFuncs->status(instance, message);
}

void* NPN_MemAlloc(uint32_t size)
{
    if (browserFuncs && browserFuncs->memalloc) return browserFuncs->memalloc(size);
    return nullptr;
}

void NPN_MemFree(void* ptr)
{
    if (browserFuncs && browserFuncs->memfree) browserFuncs->memfree(ptr);
}

void ReleaseInstanceRecord(InstanceData* record)
{
    if (!record) return;
    ReleaseAttributeCopies(record);
    NPN_MemFree(record);
}

// ---- Exports ----

extern "C" NPError NP_EXPORT_CALL NP_GetEntryPoints(NPPluginFuncs* funcs)
{
    if (!funcs) return NPERR_INVALID_FUNCTABLE_ERROR;
    return Guarded(NPERR_INVALID_FUNCTABLE_ERROR, NPERR_INVALID_FUNCTABLE_ERROR, [&]() -> NPError {
        funcs->version = (NP_VERSION_MAJOR << 8) | NP_VERSION_MINOR;
        funcs->newp = NPP_New;
        funcs->destroy = NPP_Destroy;
        funcs->setwindow = NPP_SetWindow;
        funcs->newstream = NPP_NewStream;
        funcs->destroystream = NPP_DestroyStream;
        funcs->asfile = NPP_StreamAsFile;
        funcs->writeready = NPP_WriteReady;
        funcs->write = NPP_Write;
        funcs->print = NPP_Print;
        funcs->event = nullptr;
        pluginFuncs = funcs;
        return NPERR_NO_ERROR;
    });
}

extern "C" NPError NP_EXPORT_CALL NP_Initialize(NPNetscapeFuncs* funcs)
{
    if (!funcs) return NPERR_INVALID_FUNCTABLE_ERROR;
    return Guarded(NPERR_INVALID_FUNCTABLE_ERROR, NPERR_INVALID_FUNCTABLE_ERROR, [&]() -> NPError {
        browserFuncs = funcs;
        if ((funcs->version >> 8) != NP_VERSION_MAJOR) return NPERR_INCOMPATIBLE_VERSION_ERROR;
        if ((funcs->version & 0xFF) >= NP_VERSION_MINOR && pluginFuncs) {
            pluginFuncs->urlnotify = NPP_URLNotify;
            pluginFuncs->javaClass = nullptr;
        }
        return NPP_Initialize();
    });
}

extern "C" NPError NP_EXPORT_CALL NP_Shutdown(void)
{
    // Called from inside a box or dialog of ours (the browser runs its messages there), the browser
    // may unload the library next, and the box would return into unmapped code. The library is then
    // kept loaded until the process ends.
    if (modalLoopsRunning > 0) {
        HMODULE pinned = nullptr;
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                           reinterpret_cast<LPCSTR>(&NP_Shutdown), &pinned);
    }
    Guarded(NPP_Shutdown);
    browserFuncs = nullptr;
    return NPERR_NO_ERROR;
}

// ---- Plug-in functions ----
// Those whose bodies only compare and assign (NPP_NewStream, NPP_WriteReady, NPP_Write,
// NPP_DestroyStream, NPP_Print, NPP_URLNotify) cannot throw and run unguarded.

extern "C" NPError NPP_Initialize(void)
{
    // Each step on its own: none of them may keep the others from running or fail the start.
    // The trace log first, so that it also records the boxes of the configuration check.
    Guarded(OpenTraceLogWhenSwitchedOn);
    InitializeDde();
    RegisterButtonClass();
    Guarded(CheckConfiguration);
    return NPERR_NO_ERROR;
}

extern "C" void NPP_Shutdown(void)
{
    if (ddeInitResult == DMLERR_NO_ERROR) UninitializeDde();
    ReleaseCommonDialogs();
    CloseTraceLogOpenedAtStartUp();
}

namespace {

NPError NewInstance(NPP instance, uint16_t mode, int16_t argc, char* argn[], char* argv[])
{
    if (!instance) return NPERR_INVALID_INSTANCE_ERROR;
    InstanceData* record = static_cast<InstanceData*>(NPN_MemAlloc(sizeof(InstanceData)));
    instance->pdata = record;
    if (!record) return NPERR_OUT_OF_MEMORY_ERROR;
    std::memset(record, 0, sizeof *record);
    // The browser does not destroy an instance whose creation failed: an unfinished record goes.
    auto unfinished = OnScopeExit([&] {
        instance->pdata = nullptr;
        ReleaseInstanceRecord(record);
    });
    record->mode = mode;
    record->instance = instance;

    if (argn && argv) {
        for (int index = 0; index < argc; ++index) ApplyAttribute(record, argn[index], argv[index]);
    }
    if (!record->caption) record->caption = CopyText(kDefaultCaption);
    // An element with src is a request the browser fetched for the page: only the file the
    // browser delivers for that stream is parsed. A file attribute there would be a path on the
    // user's disk that the page chose, opened (and shown in the report of a bad request) before
    // any question to the user.
    if (record->hasSrc) ReplaceCopy(record->file, nullptr);
    ReadBrowserDdeName();
    unfinished.dismiss();
    return NPERR_NO_ERROR;
}

NPError DestroyInstance(NPP instance)
{
    InstanceData* record = RecordOf(instance);
    if (!record) return NPERR_INVALID_INSTANCE_ERROR;
    instance->pdata = nullptr;

    DetachInstanceWindow(record);
    if (record->dispatchDepth > 0) {
        // A click of this instance is inside a modal loop: its dispatch still reads the record
        // and the attribute copies, and the window procedure releases them when it returns.
        // The NPWindow is the browser's and goes with the instance.
        record->destroyed = 1;
        record->window = nullptr;
        return NPERR_NO_ERROR;
    }
    ReleaseInstanceRecord(record);
    return NPERR_NO_ERROR;
}

void RecordStreamFile(NPP instance, const char* fname)
{
    InstanceData* record = RecordOf(instance);
    if (!record) return;
    if (!fname) {
        TraceLogFileWrite(kEntrySource, __LINE__, kNoFileNameText);
        ModalLoop inBox;
        platform.MessageBoxA(nullptr, kNoFileNameText, kNoFileNameTitle, MB_OK);
        return;
    }
    // A file attribute wins over the stream, uploads never take one, and the first file counts.
    if (record->isUpload || record->file) return;
    record->file = CopyText(fname);
    if (record->file) KeepRequestBytes(record, fname);
}

}  // namespace

// Out of memory is the one failure NPP_New may report; whatever went wrong, no instance was made.
extern "C" NPError NPP_New(NPMIMEType, NPP instance, uint16_t mode, int16_t argc, char* argn[],
                           char* argv[], NPSavedData*)
{
    return Guarded(NPERR_OUT_OF_MEMORY_ERROR, NPERR_OUT_OF_MEMORY_ERROR,
                   [&]() -> NPError { return NewInstance(instance, mode, argc, argn, argv); });
}

// NPP_Destroy answers 0, or 2 for an instance it does not know; the browser forgets the instance
// either way.
extern "C" NPError NPP_Destroy(NPP instance, NPSavedData**)
{
    return Guarded(NPERR_NO_ERROR, NPERR_NO_ERROR,
                   [&]() -> NPError { return DestroyInstance(instance); });
}

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

extern "C" void NPP_Print(NPP instance, NPPrint* platformPrint)
{
    if (instance && platformPrint && platformPrint->mode == NP_FULL)
        platformPrint->print.fullPrint.pluginPrinted = false;
}

extern "C" void NPP_URLNotify(NPP, const char*, NPReason, void*) {}
