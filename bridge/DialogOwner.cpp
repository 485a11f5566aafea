#include "bridge/DialogOwner.h"

#include "win/ThisModule.h"

namespace {

constexpr char kOwnerClass[] = "VxBridgeDialogOwner";
constexpr char kOwnerTitle[] = "Tolvane Delivery";

bool RegisterOwnerClass()
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = ThisModule();
    windowClass.lpszClassName = kOwnerClass;
    return RegisterClassA(&windowClass) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// The browser is in the foreground after the user's click; the host was started for that click,
// usually through a shell, and may not have inherited the right to take the foreground. Sharing the
// input state of the foreground window's thread for the moment of the call passes it on.
void TakeForeground(HWND window)
{
    if (SetForegroundWindow(window) && GetForegroundWindow() == window) return;
    const DWORD ownThread = GetCurrentThreadId();
    const DWORD foregroundThread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    if (foregroundThread == 0 || foregroundThread == ownThread) return;
    if (!AttachThreadInput(ownThread, foregroundThread, TRUE)) return;
    SetForegroundWindow(window);
    AttachThreadInput(ownThread, foregroundThread, FALSE);
}

}  // namespace

DialogOwner::DialogOwner(HWND browserWindow) : browserWindow(browserWindow)
{
    if (browserWindow || !RegisterOwnerClass()) return;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    POINT middle{GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2};
    if (GetMonitorInfoA(MonitorFromWindow(GetForegroundWindow(), MONITOR_DEFAULTTOPRIMARY), &monitor))
        middle = {(monitor.rcWork.left + monitor.rcWork.right) / 2, (monitor.rcWork.top + monitor.rcWork.bottom) / 2};
    own.reset(CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kOwnerClass, kOwnerTitle, WS_POPUP, middle.x,
                              middle.y, 0, 0, nullptr, nullptr, ThisModule(), nullptr));
    if (!own) return;
    ShowWindow(own.get(), SW_SHOWNORMAL);
    TakeForeground(own.get());
}
