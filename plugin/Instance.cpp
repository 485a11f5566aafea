// NPP_New and NPP_Destroy: the instance record from the element's attributes, and its end.
#include <new>

#include "plugin/Boundary.h"
#include "plugin/ButtonWindow.h"
#include "plugin/InstanceData.h"
#include "plugin/ModuleState.h"
#include "plugin/PageOrigin.h"
#include "plugin/PluginEntry.h"

InstanceData* NewInstanceRecord()
{
    void* memory = NPN_MemAlloc(sizeof(InstanceData));
    return memory ? new (memory) InstanceData() : nullptr;
}

void ReleaseInstanceRecord(InstanceData* record)
{
    if (!record) return;
    record->~InstanceData();
    NPN_MemFree(record);
}

namespace {

NPError NewInstance(NPP instance, uint16_t mode, int16_t argc, char* argn[], char* argv[])
{
    if (!instance) return NPERR_INVALID_INSTANCE_ERROR;
    instance->pdata = nullptr;
    // The browser does not destroy an instance whose creation failed: an unfinished record goes.
    OwnedInstanceRecord record(NewInstanceRecord());
    if (!record) return NPERR_OUT_OF_MEMORY_ERROR;
    record.get()->instance = instance;
    record.get()->mode = mode;
    record.get()->page = RequestFromAttributes(argc > 0 ? static_cast<std::size_t>(argc) : 0, argn, argv);
    // Asked now, while the browser cannot reach the record yet: Gecko and Chromium both answer
    // during NPP_New (the element, its document and its frame's window exist before the call), and
    // whatever script a property read runs in the page cannot touch a half-made instance.
    record.get()->page.origin = AskDocumentOrigin(instance);
    moduleState.dde.ReadBrowserDdeName();
    instance->pdata = record.release();
    return NPERR_NO_ERROR;
}

NPError DestroyInstance(NPP instance)
{
    InstanceData* record = RecordOf(instance);
    if (!record) return NPERR_INVALID_INSTANCE_ERROR;
    instance->pdata = nullptr;

    DetachInstanceWindow(record);
    if (record->dispatchDepth > 0) {
        // A click of this instance is inside a modal loop: its dispatch still reads the record,
        // and the window procedure releases it when the click returns. The NPWindow is the
        // browser's and goes with the instance.
        record->destroyed = true;
        record->window = nullptr;
        return NPERR_NO_ERROR;
    }
    ReleaseInstanceRecord(record);
    return NPERR_NO_ERROR;
}

}  // namespace

// Out of memory is the one failure NPP_New may report; whatever went wrong, no instance was made.
extern "C" NPError NPP_New(NPMIMEType, NPP instance, uint16_t mode, int16_t argc, char* argn[], char* argv[],
                           NPSavedData*)
{
    return Guarded(NPERR_OUT_OF_MEMORY_ERROR, NPERR_OUT_OF_MEMORY_ERROR,
                   [&]() -> NPError { return NewInstance(instance, mode, argc, argn, argv); });
}

// NPP_Destroy answers 0, or 2 for an instance it does not know; the browser forgets the instance
// either way.
extern "C" NPError NPP_Destroy(NPP instance, NPSavedData**)
{
    return Guarded(NPERR_NO_ERROR, NPERR_NO_ERROR, [&]() -> NPError { return DestroyInstance(instance); });
}
