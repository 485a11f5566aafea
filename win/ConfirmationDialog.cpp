#include "win/ConfirmationDialog.h"

#include <algorithm>
#include <iterator>
#include <new>
#include <vector>

#include "win/Owned.h"
#include "win/SystemCalls.h"
#include "win/ThisModule.h"

namespace {

constexpr int kOpeningId = 100;
constexpr int kQuestionId = 101;
constexpr int kScrollNoticeId = 102;
constexpr int kFirstLabelId = 200;
constexpr int kFirstFieldId = 300;
constexpr UINT_PTR kArmingTimer = 1;
constexpr UINT kArmingCheckMs = 100;
constexpr char kScrollNotice[] = "Scroll each field to its end to answer Yes.";
// The window property that leads the input filter from a dialog to its state.
constexpr char kStateProperty[] = "VxConfirmationState";

// What the dialog saw of one key or mouse button (by virtual-key code).
struct Press {
    bool seen = false;        // its last down came to the dialog
    bool sinceArmed = false;  // and Yes was armed then
};

struct DialogState {
    const Confirmation& what;
    HFONT font;
    HWND placedBy;  // the window whose monitor the dialog opens on
    bool armed = false;
    bool inForeground = false;
    bool inputSinceCheck = false;  // a key or mouse button message came since the last check
    DWORD settledSince = 0;
    Press presses[256] = {};
    std::vector<HWND> unreadFields{};  // fields that scroll and have not yet shown their end
    bool confirmed = false;
};

// ---- Geometry ----
//
// Every value gets a row of its own: its label on the left, a read-only field on the right that
// wraps the value and scrolls it when it needs more lines than the field shows. The dialog is as
// wide as a comfortable line (narrower on a narrow work area) and as tall as its rows need; when
// that is taller than the work area, the value fields shrink (the tallest first, to one common
// height, never below two lines unless even that does not fit) so that the opening sentence, the
// question and the buttons stay on the screen. The dialog is centred in the work area of the
// monitor of its owner (or of the foreground window) and never placed outside it.

struct Metrics {
    int lineHeight;
    int margin;  // around the client area
    int gap;     // between rows, and between a label and its field
    int buttonWidth;
    int buttonHeight;
    int preferredWidth;  // of the client area
};

Metrics MetricsOf(const TEXTMETRICA& text)
{
    const int baseX = std::max<int>(text.tmAveCharWidth, 1);
    const int baseY = std::max<int>(text.tmHeight, 1);
    // Dialog units: 4 per average character across, 8 per line down.
    return Metrics{baseY,
                   MulDiv(7, baseX, 4),
                   MulDiv(4, baseY, 8),
                   MulDiv(50, baseX, 4),
                   MulDiv(14, baseY, 8),
                   MulDiv(420, baseX, 4)};
}

// Each field as tall as its whole value when all fit in available; otherwise, the shortest first,
// each gets at most an even share of what is left, so the taller ones end at one common height.
// The floor is two lines (one when space is short): then the fields may need more than available.
std::vector<int> FitFieldHeights(const std::vector<int>& wanted, int oneLine, int available)
{
    std::vector<size_t> order(wanted.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return wanted[a] < wanted[b]; });
    const int floor = wanted.empty() ? 0 : std::clamp(available / static_cast<int>(wanted.size()), oneLine, 2 * oneLine);
    std::vector<int> heights(wanted.size());
    int left = static_cast<int>(wanted.size());
    for (size_t i : order) {
        heights[i] = std::min(wanted[i], std::max(available / left--, floor));
        available -= heights[i];
    }
    return heights;
}

RECT WorkAreaFor(HWND window)
{
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &info)) return info.rcWork;
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

HWND AddControl(HWND dialog, const DialogState& state, const char* windowClass, const std::string& text,
                DWORD style, DWORD extendedStyle, int id)
{
    HWND control = CreateWindowExA(extendedStyle, windowClass, text.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0,
                                   10, 10, dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   ThisModule(), nullptr);
    if (!control) throw std::bad_alloc();
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(state.font), FALSE);
    return control;
}

int TextHeight(HDC dc, const std::string& text, int width)
{
    RECT bounds{0, 0, width, 0};
    DrawTextA(dc, text.c_str(), -1, &bounds, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    return bounds.bottom;
}

void Place(HWND control, int x, int y, int width, int height)
{
    SetWindowPos(control, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

// A value's read-only field: wraps at its width, scrolls when it has a scroll bar. Made with its
// text, at its final width; the height is set later.
HWND AddField(HWND dialog, const DialogState& state, int index, int x, int width, bool scrolls)
{
    HWND field = AddControl(dialog, state, "EDIT", "",
                            WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | (scrolls ? WS_VSCROLL : 0),
                            WS_EX_CLIENTEDGE, kFirstFieldId + index);
    Place(field, x, 0, width, 100);
    SetWindowTextA(field, state.what.fields[index].value.c_str());
    return field;
}

// The height that shows the field's whole value: its lines, as the field itself wraps them, and
// its border.
int HeightOfWhole(HWND field, int lineHeight)
{
    RECT outer{};
    RECT inner{};
    GetWindowRect(field, &outer);
    GetClientRect(field, &inner);
    const int border = (outer.bottom - outer.top) - inner.bottom;
    const int lines = std::max<int>(1, static_cast<int>(SendMessageA(field, EM_GETLINECOUNT, 0, 0)));
    // Two pixels more, so that the last line is never clipped by the field's own insets.
    return lines * lineHeight + border + 2;
}

// Creates the controls and sizes and places everything. A value too long to be shown whole keeps a
// scroll bar, and a line above the buttons asks to scroll it to its end, which Yes waits for.
void BuildDialog(HWND dialog, DialogState& state)
{
    const Confirmation& what = state.what;
    HDC dc = GetDC(dialog);
    if (!dc) throw std::bad_alloc();
    auto releaseDc = OnScopeExit([&] { ReleaseDC(dialog, dc); });
    HGDIOBJ oldFont = SelectObject(dc, state.font);
    auto restoreFont = OnScopeExit([&] { SelectObject(dc, oldFont); });

    TEXTMETRICA text{};
    GetTextMetricsA(dc, &text);
    const Metrics metrics = MetricsOf(text);

    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrA(dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(dialog, GWL_EXSTYLE)));
    const int frameWidth = frame.right - frame.left;
    const int frameHeight = frame.bottom - frame.top;
    const RECT work = WorkAreaFor(state.placedBy);
    const int workWidth = work.right - work.left;
    const int workHeight = work.bottom - work.top;

    const int clientWidth = std::min(metrics.preferredWidth, workWidth - frameWidth);
    const int textWidth = clientWidth - 2 * metrics.margin;
    int labelWidth = 0;
    for (const ConfirmationField& field : what.fields) {
        SIZE extent{};
        GetTextExtentPoint32A(dc, field.label.c_str(), static_cast<int>(field.label.size()), &extent);
        labelWidth = std::max<int>(labelWidth, extent.cx);
    }
    const int fieldX = metrics.margin + labelWidth + metrics.gap;
    const int fieldWidth = std::max(clientWidth - metrics.margin - fieldX, 4 * metrics.lineHeight);

    const int openingHeight = TextHeight(dc, what.opening, textWidth);
    const int questionHeight = TextHeight(dc, what.question, textWidth);
    const int rows = static_cast<int>(what.fields.size());
    const int fixedHeight = 2 * metrics.margin + openingHeight + questionHeight + metrics.buttonHeight +
                            (rows + 2) * metrics.gap;

    HWND opening = AddControl(dialog, state, "STATIC", what.opening, SS_LEFT | SS_NOPREFIX, 0, kOpeningId);
    std::vector<HWND> labels;
    std::vector<HWND> fields;
    std::vector<int> wanted;
    for (size_t i = 0; i < what.fields.size(); ++i) {
        const int index = static_cast<int>(i);
        labels.push_back(AddControl(dialog, state, "STATIC", what.fields[i].label, SS_LEFT | SS_NOPREFIX, 0,
                                    kFirstLabelId + index));
        fields.push_back(AddField(dialog, state, index, fieldX, fieldWidth, true));
        wanted.push_back(HeightOfWhole(fields.back(), metrics.lineHeight));
    }
    const int available = workHeight - frameHeight - fixedHeight;
    std::vector<int> fitted = FitFieldHeights(wanted, metrics.lineHeight, available);
    const auto anyScrolls = [&] {
        for (size_t i = 0; i < fields.size(); ++i)
            if (fitted[i] < wanted[i]) return true;
        return false;
    };
    const bool withNotice = anyScrolls();
    const int noticeHeight = withNotice ? TextHeight(dc, kScrollNotice, textWidth) : 0;
    if (withNotice) fitted = FitFieldHeights(wanted, metrics.lineHeight, available - noticeHeight - metrics.gap);
    std::vector<int> heights;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (fitted[i] < wanted[i]) {
            heights.push_back(fitted[i]);
            state.unreadFields.push_back(fields[i]);
            continue;
        }
        // Shown whole: no scroll bar, which would only look as if there were more. Without it the
        // value takes as many lines as with it, or fewer.
        DestroyWindow(fields[i]);
        fields[i] = AddField(dialog, state, static_cast<int>(i), fieldX, fieldWidth, false);
        SetWindowPos(fields[i], labels[i], 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        heights.push_back(std::min(fitted[i], HeightOfWhole(fields[i], metrics.lineHeight)));
    }
    HWND question = AddControl(dialog, state, "STATIC", what.question, SS_LEFT | SS_NOPREFIX, 0, kQuestionId);
    HWND notice = withNotice ? AddControl(dialog, state, "STATIC", kScrollNotice, SS_LEFT | SS_NOPREFIX, 0, kScrollNoticeId)
                             : nullptr;
    // No accelerator: the plain key Y must never answer Yes.
    HWND yes = AddControl(dialog, state, "BUTTON", "Yes", WS_TABSTOP | WS_DISABLED | BS_PUSHBUTTON, 0, IDYES);
    HWND no = AddControl(dialog, state, "BUTTON", "&No", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, IDNO);

    int y = metrics.margin;
    Place(opening, metrics.margin, y, textWidth, openingHeight);
    y += openingHeight + metrics.gap;
    for (int i = 0; i < rows; ++i) {
        Place(labels[i], metrics.margin, y + 2, labelWidth, metrics.lineHeight);
        Place(fields[i], fieldX, y, fieldWidth, heights[i]);
        y += heights[i] + metrics.gap;
    }
    Place(question, metrics.margin, y, textWidth, questionHeight);
    y += questionHeight + metrics.gap;
    if (notice) {
        Place(notice, metrics.margin, y, textWidth, noticeHeight);
        y += noticeHeight + metrics.gap;
    }
    const int buttonsRight = clientWidth - metrics.margin;
    Place(no, buttonsRight - metrics.buttonWidth, y, metrics.buttonWidth, metrics.buttonHeight);
    Place(yes, buttonsRight - 2 * metrics.buttonWidth - metrics.gap, y, metrics.buttonWidth, metrics.buttonHeight);
    y += metrics.buttonHeight + metrics.margin;

    const int width = std::min(clientWidth + frameWidth, workWidth);
    const int height = std::min(y + frameHeight, workHeight);
    SetWindowPos(dialog, nullptr, work.left + (workWidth - width) / 2, work.top + (workHeight - height) / 2, width,
                 height, SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---- Arming and input ----
//
// Yes takes input once the dialog has been visible and in the foreground, with no key or mouse
// button down anywhere and every field that scrolls read to its end, for the whole delay: any key
// or button pressed or held meanwhile starts it again. Even then only a press that began after Yes
// armed answers: every key and mouse message passes a filter before the dialog manager sees it, and
// an auto-repeat, or the release of a press that began before, goes no further. So a key held or
// pressed again and again from before the dialog, or a button held over Yes, never answers it.

// A press still in progress in the dialog (a button pushed, holding the mouse) ends unanswered.
void CancelPressIn(HWND dialog)
{
    HWND captured = GetCapture();
    if (captured && (captured == dialog || IsChild(dialog, captured))) ReleaseCapture();
}

void Disarm(HWND dialog, DialogState& state)
{
    state.inForeground = false;
    std::fill(std::begin(state.presses), std::end(state.presses), Press{});
    if (!state.armed) return;
    state.armed = false;
    HWND yes = GetDlgItem(dialog, IDYES);
    // The focus leaves Yes first: a disabled control holding it would leave the keyboard nowhere.
    if (GetFocus() == yes) SetFocus(GetDlgItem(dialog, IDNO));
    EnableWindow(yes, FALSE);
}

// Whether any key or mouse button is down now, wherever its press went.
bool AnyKeyOrButtonDown()
{
    for (int key = 1; key < 0xFF; ++key)
        if (GetAsyncKeyState(key) & 0x8000) return true;
    return false;
}

bool ShowsItsEnd(HWND field)
{
    SCROLLINFO scroll{};
    scroll.cbSize = sizeof scroll;
    scroll.fMask = SIF_PAGE | SIF_POS | SIF_RANGE;
    return GetScrollInfo(field, SB_VERT, &scroll) && scroll.nPos + static_cast<int>(scroll.nPage) > scroll.nMax;
}

void UpdateArming(HWND dialog, DialogState& state)
{
    if (!IsWindowVisible(dialog) || IsIconic(dialog) || GetForegroundWindow() != dialog) {
        Disarm(dialog, state);
        return;
    }
    if (state.armed) return;
    // A field once read to its end stays read.
    std::vector<HWND>& unread = state.unreadFields;
    unread.erase(std::remove_if(unread.begin(), unread.end(), ShowsItsEnd), unread.end());
    const DWORD now = systemCalls.GetTickCount();
    const bool settled = state.inForeground && !state.inputSinceCheck && unread.empty() && !AnyKeyOrButtonDown();
    state.inForeground = true;
    state.inputSinceCheck = false;
    if (!settled) {
        state.settledSince = now;
    } else if (now - state.settledSince >= kConfirmationArmDelayMs) {
        state.armed = true;
        EnableWindow(GetDlgItem(dialog, IDYES), TRUE);
    }
}

enum class Stroke { none, down, repeat, up, character, repeatedCharacter };

struct Input {
    Stroke stroke;
    BYTE key;  // the virtual-key code of the key or mouse button
};

// Each mouse button's messages, in the client area and outside it; the key 0 stands for the X
// buttons, which the message's wParam tells apart.
constexpr struct {
    UINT down, doubleClick, up, outsideDown, outsideDoubleClick, outsideUp;
    BYTE key;
} kMouseButtons[] = {
    {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_LBUTTONUP, WM_NCLBUTTONDOWN, WM_NCLBUTTONDBLCLK, WM_NCLBUTTONUP, VK_LBUTTON},
    {WM_RBUTTONDOWN, WM_RBUTTONDBLCLK, WM_RBUTTONUP, WM_NCRBUTTONDOWN, WM_NCRBUTTONDBLCLK, WM_NCRBUTTONUP, VK_RBUTTON},
    {WM_MBUTTONDOWN, WM_MBUTTONDBLCLK, WM_MBUTTONUP, WM_NCMBUTTONDOWN, WM_NCMBUTTONDBLCLK, WM_NCMBUTTONUP, VK_MBUTTON},
    {WM_XBUTTONDOWN, WM_XBUTTONDBLCLK, WM_XBUTTONUP, WM_NCXBUTTONDOWN, WM_NCXBUTTONDBLCLK, WM_NCXBUTTONUP, 0},
};

Input InputOf(const MSG& message)
{
    // Bit 30 of a key message: the key was already down (an auto-repeat, or any release).
    const bool wasDown = (static_cast<DWORD>(message.lParam) & 0x40000000u) != 0;
    const UINT id = message.message;
    switch (id) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        return {wasDown ? Stroke::repeat : Stroke::down, LOBYTE(message.wParam)};
    case WM_KEYUP:
    case WM_SYSKEYUP:
        return {Stroke::up, LOBYTE(message.wParam)};
    case WM_CHAR:
    case WM_SYSCHAR:
    case WM_DEADCHAR:
    case WM_SYSDEADCHAR:
        return {wasDown ? Stroke::repeatedCharacter : Stroke::character, 0};
    }
    for (const auto& button : kMouseButtons) {
        const BYTE key = button.key ? button.key : HIWORD(message.wParam) == XBUTTON2 ? VK_XBUTTON2 : VK_XBUTTON1;
        if (id == button.down || id == button.doubleClick || id == button.outsideDown || id == button.outsideDoubleClick)
            return {Stroke::down, key};
        if (id == button.up || id == button.outsideUp) return {Stroke::up, key};
    }
    return {Stroke::none, 0};
}

// Keys whose repeats only move the focus or scroll a field, which answers nothing.
bool OnlyMovesOrScrolls(BYTE key) { return key == VK_TAB || (key >= VK_PRIOR && key <= VK_DOWN); }

// Whether a key or mouse message may go on to the dialog manager. A message judged more than once
// (two dialogs' filters on one thread, or two calls of the filter) gets the same verdict each time.
bool Admit(DialogState& state, const Input& input)
{
    if (input.stroke == Stroke::none) return true;
    if (!state.armed) state.inputSinceCheck = true;
    Press& press = state.presses[input.key];
    switch (input.stroke) {
    case Stroke::down:
        press = Press{true, state.armed};
        return true;
    case Stroke::repeat:
        return OnlyMovesOrScrolls(input.key);
    case Stroke::up:
        return press.seen && (press.sinceArmed || !state.armed);
    case Stroke::repeatedCharacter:
        return false;
    default:
        return true;
    }
}

// The filter of the dialog's modal loop: IsDialogMessage hands it each message first.
LRESULT CALLBACK FilterDialogInput(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == MSGF_DIALOGBOX) {
        const MSG& message = *reinterpret_cast<const MSG*>(lParam);
        HWND dialog = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
        auto* state = dialog ? static_cast<DialogState*>(GetPropA(dialog, kStateProperty)) : nullptr;
        const Input input = InputOf(message);
        if (state && !Admit(*state, input)) {
            if (input.stroke == Stroke::up) CancelPressIn(dialog);
            return TRUE;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

INT_PTR HandleMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        DialogState& state = *reinterpret_cast<DialogState*>(lParam);
        if (!SetPropA(dialog, kStateProperty, &state)) throw std::bad_alloc();
        SetWindowTextA(dialog, state.what.caption.c_str());
        BuildDialog(dialog, state);
        SendMessageA(dialog, DM_SETDEFID, IDNO, 0);
        if (!SetTimer(dialog, kArmingTimer, kArmingCheckMs, nullptr)) throw std::bad_alloc();
        SetFocus(GetDlgItem(dialog, IDNO));
        return FALSE;
    }
    auto* state = reinterpret_cast<DialogState*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (!state) return FALSE;
    switch (message) {
    case WM_TIMER:
        if (wParam != kArmingTimer) return FALSE;
        UpdateArming(dialog, *state);
        return TRUE;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) Disarm(dialog, *state);
        return FALSE;
    case WM_ACTIVATEAPP:
        if (!wParam) Disarm(dialog, *state);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDYES:
            // Posted commands and clicks sent to a disabled button arrive here too.
            if (state->armed && HIWORD(wParam) == BN_CLICKED) {
                state->confirmed = true;
                EndDialog(dialog, IDYES);
            }
            return TRUE;
        case IDNO:
        case IDCANCEL:
            EndDialog(dialog, IDNO);
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        EndDialog(dialog, IDNO);
        return TRUE;
    case WM_DESTROY:
        KillTimer(dialog, kArmingTimer);
        RemovePropA(dialog, kStateProperty);
        return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK ConfirmationProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    try {
        return HandleMessage(dialog, message, wParam, lParam);
    } catch (...) {
        // A dialog that cannot be shown as built answers No.
        EndDialog(dialog, IDABORT);
        return TRUE;
    }
}

OwnedFont MessageFont()
{
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return OwnedFont();
    return OwnedFont(CreateFontIndirectA(&metrics.lfMessageFont));
}

}  // namespace

bool AskConfirmation(const Confirmation& what, HWND owner) noexcept
{
    try {
        HWND root = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
        const OwnedFont messageFont = MessageFont();
        DialogState state{what,
                          messageFont ? messageFont.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)),
                          root ? root : GetForegroundWindow()};

        // No controls in the template: they are made and measured in WM_INITDIALOG.
        struct {
            DLGTEMPLATE header;
            WORD menu;
            WORD windowClass;
            WORD title;
        } layout{};
        layout.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_MODALFRAME | DS_SETFOREGROUND;
        layout.header.dwExtendedStyle = root ? 0 : WS_EX_TOPMOST;

        // Without its input filter the dialog is not shown: the answer is No.
        HHOOK filter = SetWindowsHookExA(WH_MSGFILTER, FilterDialogInput, nullptr, GetCurrentThreadId());
        if (!filter) return false;
        auto unhook = OnScopeExit([&] { UnhookWindowsHookEx(filter); });

        const INT_PTR result = DialogBoxIndirectParamA(ThisModule(), &layout.header, root, ConfirmationProcedure,
                                                       reinterpret_cast<LPARAM>(&state));
        return result == IDYES && state.confirmed;
    } catch (...) {
        return false;
    }
}
