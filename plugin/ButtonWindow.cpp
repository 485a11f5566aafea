// The button class, NPP_SetWindow and the procedure we install on the browser's plug-in window.
#include "plugin/ButtonWindow.h"

#include "plugin/Boundary.h"
#include "plugin/InstanceBrowser.h"
#include "plugin/InstanceData.h"
#include "plugin/ModuleState.h"
#include "request/RequestDispatch.h"

namespace {

const char kRecordProperty[] = "instance->pdata";
// The procedure that was installed before ours, kept on the window for as long as ours may be in
// its chain: a procedure installed over ours still calls ours after the record has gone.
const char kChainProperty[] = "instance->chain";
const char kSystemButtonClass[] = "BUTTON";
const char kPluginButtonClass[] = "PluginButton";

HINSTANCE OwnModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&OwnModule), &module);
    return module;
}

bool OursIsInstalled(HWND window)
{
    return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC)) == InstanceWindowProc;
}

void ForgetProperty(HWND window, const InstanceData* record)
{
    if (GetPropA(window, kRecordProperty) == record) RemovePropA(window, kRecordProperty);
}

WNDPROC ChainOf(HWND window) { return reinterpret_cast<WNDPROC>(GetPropA(window, kChainProperty)); }

void Subclass(InstanceData* record, NPWindow* window, HWND handle)
{
    record->savedWndProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(InstanceWindowProc)));
    if (record->savedWndProc != InstanceWindowProc && !ChainOf(handle))
        SetPropA(handle, kChainProperty, reinterpret_cast<HANDLE>(record->savedWndProc));
    record->hwnd = handle;
    SetPropA(handle, kRecordProperty, record);
    InvalidateRect(handle, nullptr, TRUE);
    UpdateWindow(handle);
    record->window = window;

    RECT client{};
    GetClientRect(handle, &client);
    const char* className = moduleState.buttonClassName;
    // A "PluginButton" is created with the module its class was registered with (the system
    // button's, usually none), so that the class is found again.
    record->button = CreateWindowExA(0, className, record->page.caption ? record->page.caption->c_str() : nullptr,
                                     WS_CHILD | WS_VISIBLE, 0, 0, client.right - client.left,
                                     client.bottom - client.top, handle, static_cast<HMENU>(nullptr),
                                     className == kPluginButtonClass ? moduleState.buttonClassModule : OwnModule(),
                                     nullptr);
}

// The end of a click, however the dispatch ended.
void EndClick(InstanceData* record, HWND button)
{
    --record->dispatchDepth;
    if (record->destroyed) {
        // NPP_Destroy ran meanwhile and left the release to us; its windows are not ours any more.
        if (record->dispatchDepth == 0) ReleaseInstanceRecord(record);
        return;
    }
    if (record->dispatchDepth == 0 && IsWindow(button)) EnableWindow(button, TRUE);
}

// One click: the button stays disabled while the dispatch runs its dialogs.
void Click(InstanceData* record)
{
    HWND button = record->button;
    ++record->dispatchDepth;
    EnableWindow(button, FALSE);
    auto ended = OnScopeExit([&] { EndClick(record, button); });
    ModalLoop inDispatch;
    InstanceBrowser browser(*record);
    DispatchRequest(record->page, moduleState.settings, browser);
}

}  // namespace

void RegisterButtonClass()
{
    moduleState.buttonClassName = kSystemButtonClass;
    WNDCLASSA buttonClass{};
    if (!GetClassInfoA(nullptr, kSystemButtonClass, &buttonClass)) return;
    HCURSOR cursor = LoadCursorFromFileA("cursor1.cur");
    if (!cursor) return;
    buttonClass.hCursor = cursor;
    buttonClass.lpszClassName = kPluginButtonClass;
    if (RegisterClassA(&buttonClass)) {
        moduleState.buttonClassName = kPluginButtonClass;
        moduleState.buttonClassModule = buttonClass.hInstance;
    } else if (GetLastError() == ERROR_CLASS_ALREADY_EXISTS) {
        // Registered by an earlier start in this process; it keeps the cursor it got then.
        DestroyCursor(cursor);
        moduleState.buttonClassName = kPluginButtonClass;
        moduleState.buttonClassModule = buttonClass.hInstance;
    } else {
        DestroyCursor(cursor);
    }
}

void RestoreWindowProcedure(InstanceData* record)
{
    HWND window = record->hwnd;
    if (window) {
        if (OursIsInstalled(window)) {
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(record->savedWndProc));
            // Out of the chain altogether, unless what comes back is ours again (another record's).
            if (record->savedWndProc != InstanceWindowProc) RemovePropA(window, kChainProperty);
        } else {
            // We cannot leave someone else's chain. Without the record property, whatever still
            // reaches us there goes on down the chain, as it did before we came.
            ForgetProperty(window, record);
        }
    }
    record->savedWndProc = nullptr;
    record->hwnd = nullptr;
}

void DetachInstanceWindow(InstanceData* record)
{
    if (record->hwnd) ForgetProperty(record->hwnd, record);
    RestoreWindowProcedure(record);
}

namespace {

NPError SetWindow(NPP instance, NPWindow* window)
{
    InstanceData* record = RecordOf(instance);
    if (!record) return NPERR_INVALID_INSTANCE_ERROR;
    HWND given = window ? static_cast<HWND>(window->window) : nullptr;

    if (record->window) {
        if (given && given == record->hwnd) {
            InvalidateRect(given, nullptr, TRUE);
            UpdateWindow(given);
            record->window = window;
            return NPERR_NO_ERROR;
        }
        RestoreWindowProcedure(record);
    }
    if (!given) {
        record->window = window;
        return NPERR_NO_ERROR;
    }
    Subclass(record, window, given);
    return NPERR_NO_ERROR;
}

LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    InstanceData* record = static_cast<InstanceData*>(GetPropA(window, kRecordProperty));
    if (message == WM_COMMAND) {
        if (record && !record->destroyed && record->button &&
            reinterpret_cast<HWND>(lParam) == record->button && HIWORD(wParam) == BN_CLICKED)
            Click(record);
        return 0;
    }

    // Only the window the record subclassed has its procedure in savedWndProc. Without one, or
    // when it is ours again (a window that two records subclassed in turn), the message goes on to
    // the procedure that was there before ours came: the browser's window still paints and closes.
    WNDPROC saved = (record && record->hwnd == window) ? record->savedWndProc : nullptr;
    if (!saved || saved == InstanceWindowProc) saved = ChainOf(window);
    if (!saved || saved == InstanceWindowProc)
        return DefWindowProcA(window, message, wParam, lParam);

    if (message == WM_NCDESTROY) {
        // The window goes before the browser told us: forget it now, so that a later window
        // with the same handle value is never taken for ours.
        RemovePropA(window, kChainProperty);
        if (record && record->hwnd == window) {
            RemovePropA(window, kRecordProperty);
            record->savedWndProc = nullptr;
            record->hwnd = nullptr;
            record->button = nullptr;
        }
    }
    return CallWindowProcA(saved, window, message, wParam, lParam);
}

}  // namespace

// Also when the button cannot be made, NPP_SetWindow answers 0: only a missing instance is an error.
extern "C" NPError NPP_SetWindow(NPP instance, NPWindow* window)
{
    return Guarded(NPERR_NO_ERROR, NPERR_NO_ERROR,
                   [&]() -> NPError { return SetWindow(instance, window); });
}

LRESULT CALLBACK InstanceWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return Guarded(LRESULT(0), LRESULT(0),
                   [&] { return HandleMessage(window, message, wParam, lParam); });
}
