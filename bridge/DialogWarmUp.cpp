#include "bridge/DialogWarmUp.h"

#include <objbase.h>
#include <windows.h>

#include "win/Owned.h"
#include "win/ThisModule.h"

namespace {

// A control of the confirmation's kinds in the hidden dialog, in its font, with a line of text.
void AddControl(HWND dialog, const char* windowClass, DWORD style, DWORD extendedStyle, HFONT font)
{
    const HWND control = CreateWindowExA(extendedStyle, windowClass, "Tolvane Delivery", WS_CHILD | WS_VISIBLE | style,
                                         0, 0, 200, 40, dialog, nullptr, ThisModule(), nullptr);
    if (control) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

// The dialog is kept, hidden, until the program ends: while the thread has a window, it keeps the
// input method window and the rest that its first window set up, which the click's windows would
// otherwise set up again.
void MakeHiddenDialog()
{
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    // Outlives the dialog, whose controls use it.
    static OwnedFont font;
    font.reset(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)
                   ? CreateFontIndirectA(&metrics.lfMessageFont)
                   : nullptr);
    const HFONT shown = font ? font.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));

    // A window of the dialogs' own class, not WS_VISIBLE and never shown: the user sees nothing and
    // keeps the focus where it is.
    static OwnedWindow dialog;
    dialog.reset(CreateWindowExA(WS_EX_DLGMODALFRAME, WC_DIALOG, "Tolvane Delivery", WS_POPUP | WS_CAPTION | WS_SYSMENU,
                                 0, 0, 400, 300, nullptr, nullptr, ThisModule(), nullptr));
    if (!dialog) return;
    AddControl(dialog.get(), "STATIC", SS_LEFT, 0, shown);
    AddControl(dialog.get(), "EDIT", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL, WS_EX_CLIENTEDGE, shown);
    AddControl(dialog.get(), "BUTTON", BS_DEFPUSHBUTTON, 0, shown);
    // Measured as the confirmation measures its values, which loads the font's glyphs.
    if (const HDC dc = GetDC(dialog.get())) {
        const HGDIOBJ before = SelectObject(dc, shown);
        RECT bounds{0, 0, 200, 0};
        DrawTextA(dc, "Tolvane Delivery", -1, &bounds, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
        SelectObject(dc, before);
        ReleaseDC(dialog.get(), dc);
    }
}

}  // namespace

void WarmUpDialogs(const std::function<bool()>& clickArrived)
{
    if (clickArrived()) return;
    MakeHiddenDialog();
    if (clickArrived()) return;
    // COM, which the first window that takes the focus starts on its thread.
    using InitializeFunction = HRESULT(WINAPI*)(void*, DWORD);
    if (const HMODULE com = LoadLibraryA("ole32.dll")) {
        const auto initialize = reinterpret_cast<InitializeFunction>(
            reinterpret_cast<void (*)()>(GetProcAddress(com, "CoInitializeEx")));
        if (initialize) initialize(nullptr, COINIT_APARTMENTTHREADED);
    }
    // Kept loaded for the click: the Save-As and Open dialogs' library brings the common controls
    // and the shell, and their drawing the image library (as a trace of a click shows them loaded).
    for (const char* library : {"comdlg32.dll", "msimg32.dll"}) {
        if (clickArrived()) return;
        LoadLibraryA(library);
    }
}
