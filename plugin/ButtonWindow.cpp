// The button class, NPP_SetWindow and the procedure we install on the browser's plug-in window.
#include "plugin/ButtonWindow.h"

#include <string>

#include "plugin/Boundary.h"
#include "plugin/InstanceBrowser.h"
#include "plugin/InstanceData.h"
#include "plugin/ModuleState.h"
#include "request/RequestDispatch.h"
#include "win/ThisModule.h"

namespace {

const char kRecordProperty[] = "instance->pdata";
// The procedure that was installed before ours, kept on the window for as long as ours may be in
// its chain: a procedure installed over ours still calls ours after the record has gone.
const char kChainProperty[] = "instance->chain";
const char kSystemButtonClass[] = "BUTTON";
const char kPluginButtonClass[] = "PluginButton";

bool OursIsInstalled(HWND window)
{
    return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC)) == InstanceWindowProc;
}

// The one instance a window belongs to: the last that was given it and has not left it.
InstanceData* OwnerOf(HWND window) { return static_cast<InstanceData*>(GetPropA(window, kRecordProperty)); }

WNDPROC ChainOf(HWND window) { return reinterpret_cast<WNDPROC>(GetPropA(window, kChainProperty)); }

void Subclass(InstanceData* record, NPWindow* window, HWND handle)
{
    // An instance the browser gave this window before leaves it: a window that named two records
    // would keep naming one of them after it was released.
    InstanceData* previous = OwnerOf(handle);
    if (previous && previous != record) DetachInstanceWindow(previous);

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
    // A window given while a click of the instance waits for the user gets a button that takes no
    // click until that one ends.
    const DWORD style = WS_CHILD | WS_VISIBLE | (record->dispatchDepth > 0 ? WS_DISABLED : 0);
    // A "PluginButton" is created with the module its class was registered with (the system
    // button's, usually none), so that the class is found again.
    record->button = CreateWindowExA(0, className, record->page.caption ? record->page.caption->c_str() : nullptr,
                                     style, 0, 0, client.right - client.left,
                                     client.bottom - client.top, handle, static_cast<HMENU>(nullptr),
                                     className == kPluginButtonClass ? moduleState.buttonClassModule : ThisModule(),
                                     nullptr);
}

// The end of a click, however the dispatch ended: the instance's button, which may be another one
// by now, takes clicks again.
void EndClick(InstanceData* record)
{
    --record->dispatchDepth;
    if (record->destroyed) {
        // NPP_Destroy ran meanwhile and left the release to us; its windows are not ours any more.
        if (record->dispatchDepth == 0) ReleaseInstanceRecord(record);
        return;
    }
    if (record->dispatchDepth == 0 && record->button && IsWindow(record->button))
        EnableWindow(record->button, TRUE);
}

// One click: the button stays disabled while the dispatch runs its dialogs.
void Click(InstanceData* record)
{
    ++record->dispatchDepth;
    EnableWindow(record->button, FALSE);
    auto ended = OnScopeExit([&] { EndClick(record); });
    ModalLoop inDispatch;
    InstanceBrowser browser(*record);
    DispatchRequest(record->page, moduleState.settings, browser);
}

}  // namespace

std::string PluginFolder()
{
    char path[MAX_PATH] = "";
    const DWORD length = GetModuleFileNameA(ThisModule(), path, sizeof path);
    if (length == 0 || length >= sizeof path) return std::string();
    const std::string full(path, length);
    const std::size_t cut = full.find_last_of('\\');
    return cut == std::string::npos ? std::string() : full.substr(0, cut);
}

void RegisterButtonClass(const std::string& cursorFolder)
{
    moduleState.buttonClassName = kSystemButtonClass;
    WNDCLASSA buttonClass{};
    if (cursorFolder.empty() || !GetClassInfoA(nullptr, kSystemButtonClass, &buttonClass)) return;
    HCURSOR cursor = LoadCursorFromFileA((cursorFolder + "\\cursor1.cur").c_str());
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

void DetachInstanceWindow(InstanceData* record)
{
    HWND window = record->hwnd;
    if (window) {
        if (OwnerOf(window) == record) RemovePropA(window, kRecordProperty);
        if (OursIsInstalled(window)) {
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(record->savedWndProc));
            // Out of the chain altogether, unless what comes back is ours again.
            if (record->savedWndProc != InstanceWindowProc) RemovePropA(window, kChainProperty);
        }
        // Otherwise a procedure installed over ours keeps calling ours: we cannot leave its chain,
        // and without the record property ours passes every message on down the chain.
        if (record->button && IsChild(window, record->button)) DestroyWindow(record->button);
    }
    record->button = nullptr;
    record->savedWndProc = nullptr;
    record->hwnd = nullptr;
}

namespace {

NPError SetWindow(NPP instance, NPWindow* window)
{
    InstanceData* record = RecordOf(instance);
    if (!record) return NPERR_INVALID_INSTANCE_ERROR;
    HWND given = window ? static_cast<HWND>(window->window) : nullptr;

    if (given && given == record->hwnd) {
        InvalidateRect(given, nullptr, TRUE);
        UpdateWindow(given);
        record->window = window;
        return NPERR_NO_ERROR;
    }
    if (record->hwnd) DetachInstanceWindow(record);
    record->window = window;
    if (given) Subclass(record, window, given);
    return NPERR_NO_ERROR;
}

LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    InstanceData* record = OwnerOf(window);
    if (message == WM_COMMAND) {
        // One click of an instance at a time.
        if (record && !record->destroyed && record->dispatchDepth == 0 && record->button &&
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
