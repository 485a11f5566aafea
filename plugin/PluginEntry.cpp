// The three exports, the start and the end of the plug-in, and the browser's functions: a thin
// boundary between the browser and the module's state. Nothing thrown inside may reach the browser.
#include "plugin/PluginEntry.h"

#include <cstddef>

#include "diag/TraceSwitch.h"
#include "plugin/Boundary.h"
#include "plugin/ButtonWindow.h"
#include "plugin/ModuleState.h"
#include "request/RequestDispatch.h"
#include "win/SystemCalls.h"

ModuleState moduleState;

namespace {

// Whether a function table has room for a slot: its first member gives the size of the table the
// other side has.
template <typename Table, typename Slot>
bool TableHolds(const Table* funcs, Slot Table::*slot)
{
    const auto* table = reinterpret_cast<const char*>(funcs);
    const auto* member = reinterpret_cast<const char*>(&(funcs->*slot));
    return static_cast<std::size_t>(member - table) + sizeof(Slot) <= funcs->size;
}

// A browser function the browser's table has room for and fills, or null: an older browser's table
// ends before the scripting functions.
template <typename Slot>
Slot BrowserFunction(Slot NPNetscapeFuncs::*slot)
{
    const NPNetscapeFuncs* funcs = moduleState.browserFuncs;
    return funcs && TableHolds(funcs, slot) ? funcs->*slot : nullptr;
}

}  // namespace

void NPN_Status(NPP instance, const char* message)
{
    NPNetscapeFuncs* funcs = moduleState.browserFuncs;
    if (funcs && funcs->status) funcs->status(instance, message);
}

void* NPN_MemAlloc(uint32_t size)
{
    NPNetscapeFuncs* funcs = moduleState.browserFuncs;
    return funcs && funcs->memalloc ? funcs->memalloc(size) : nullptr;
}

void NPN_MemFree(void* ptr)
{
    NPNetscapeFuncs* funcs = moduleState.browserFuncs;
    if (funcs && funcs->memfree) funcs->memfree(ptr);
}

NPError NPN_GetValue(NPP instance, NPNVariable variable, void* value)
{
    NPN_GetValueProcPtr getValue = BrowserFunction(&NPNetscapeFuncs::getvalue);
    return getValue ? getValue(instance, variable, value) : NPERR_GENERIC_ERROR;
}

bool BrowserOffersPropertyReads()
{
    return BrowserFunction(&NPNetscapeFuncs::getstringidentifier) && BrowserFunction(&NPNetscapeFuncs::getproperty) &&
           BrowserFunction(&NPNetscapeFuncs::releaseobject) && BrowserFunction(&NPNetscapeFuncs::releasevariantvalue);
}

NPIdentifier NPN_GetStringIdentifier(const NPUTF8* name)
{
    NPN_GetStringIdentifierProcPtr identify = BrowserFunction(&NPNetscapeFuncs::getstringidentifier);
    return identify ? identify(name) : nullptr;
}

bool NPN_GetProperty(NPP instance, NPObject* object, NPIdentifier propertyName, NPVariant* result)
{
    NPN_GetPropertyProcPtr get = BrowserFunction(&NPNetscapeFuncs::getproperty);
    return get && get(instance, object, propertyName, result);
}

void NPN_ReleaseObject(NPObject* object)
{
    NPN_ReleaseObjectProcPtr release = BrowserFunction(&NPNetscapeFuncs::releaseobject);
    if (release && object) release(object);
}

void NPN_ReleaseVariantValue(NPVariant* variant)
{
    NPN_ReleaseVariantValueProcPtr release = BrowserFunction(&NPNetscapeFuncs::releasevariantvalue);
    if (release && variant) release(variant);
}

// ---- Exports ----

// A table too small for the functions every browser calls is refused rather than written past.
extern "C" NPError NP_EXPORT_CALL NP_GetEntryPoints(NPPluginFuncs* funcs)
{
    if (!funcs || !TableHolds(funcs, &NPPluginFuncs::event)) return NPERR_INVALID_FUNCTABLE_ERROR;
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
        moduleState.pluginFuncs = funcs;
        return NPERR_NO_ERROR;
    });
}

extern "C" NPError NP_EXPORT_CALL NP_Initialize(NPNetscapeFuncs* funcs)
{
    if (!funcs) return NPERR_INVALID_FUNCTABLE_ERROR;
    return Guarded(NPERR_INVALID_FUNCTABLE_ERROR, NPERR_INVALID_FUNCTABLE_ERROR, [&]() -> NPError {
        moduleState.browserFuncs = funcs;
        if ((funcs->version >> 8) != NP_VERSION_MAJOR) return NPERR_INCOMPATIBLE_VERSION_ERROR;
        NPPluginFuncs* plugin = moduleState.pluginFuncs;
        if ((funcs->version & 0xFF) >= NP_VERSION_MINOR && plugin) {
            if (TableHolds(plugin, &NPPluginFuncs::urlnotify)) plugin->urlnotify = NPP_URLNotify;
            if (TableHolds(plugin, &NPPluginFuncs::javaClass)) plugin->javaClass = nullptr;
        }
        return NPP_Initialize();
    });
}

extern "C" NPError NP_EXPORT_CALL NP_Shutdown(void)
{
    // Called from inside a box or dialog of ours (the browser runs its messages there), the browser
    // may unload the library next, and the box would return into unmapped code. The library is then
    // kept loaded until the process ends.
    if (moduleState.modalLoopsRunning > 0) {
        HMODULE pinned = nullptr;
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                           reinterpret_cast<LPCSTR>(&NP_Shutdown), &pinned);
    }
    Guarded(NPP_Shutdown);
    moduleState.browserFuncs = nullptr;
    return NPERR_NO_ERROR;
}

extern "C" NPError NPP_Initialize(void)
{
    // Each step on its own: none of them may keep the others from running or fail the start.
    // The trace log first, so that it also records the boxes of the configuration check.
    Guarded(OpenTraceLogWhenSwitchedOn);
    moduleState.dde.Initialize();
    RegisterButtonClass(PluginFolder());
    // The check may tell the user in its "Startup" box, a modal loop like a click's.
    Guarded([] {
        ModalLoop inStartupBox;
        CheckConfiguration(moduleState.settings);
    });
    return NPERR_NO_ERROR;
}

extern "C" void NPP_Shutdown(void)
{
    moduleState.dde.Uninitialize();
    ReleaseCommonDialogs();
    CloseTraceLogOpenedAtStartUp();
}

extern "C" void NPP_Print(NPP instance, NPPrint* platformPrint)
{
    if (instance && platformPrint && platformPrint->mode == NP_FULL)
        platformPrint->print.fullPrint.pluginPrinted = false;
}

extern "C" void NPP_URLNotify(NPP, const char*, NPReason, void*) {}
