#include "common/DialogAnswering.h"

#include <cstring>
#include <vector>

#include "win/AsciiText.h"

namespace {

// Control ids of the common file dialogs: the file-name combo box (Explorer style) and the edit
// of the old style.
constexpr int kFileNameCombo = 0x47C;
constexpr int kFileNameEdit = 0x480;
constexpr UINT kAnswerTimeoutMs = 1000;

BOOL CALLBACK CollectChildren(HWND child, LPARAM context)
{
    reinterpret_cast<std::vector<HWND>*>(context)->push_back(child);
    return TRUE;
}

std::string TrimRight(std::string text)
{
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

}  // namespace

std::string WindowText(HWND window)
{
    char buffer[2048] = "";
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer),
                             SMTO_ABORTIFHUNG | SMTO_BLOCK, kAnswerTimeoutMs, &copied))
        return std::string();
    buffer[sizeof buffer - 1] = '\0';
    return buffer;
}

std::string WindowClassName(HWND window)
{
    char buffer[256] = "";
    GetClassNameA(window, buffer, sizeof buffer);
    return buffer;
}

bool IsVisibleDialog(HWND window) { return IsWindowVisible(window) && WindowClassName(window) == "#32770"; }

bool IsFileDialog(HWND dialog) { return GetDlgItem(dialog, kFileNameCombo) || GetDlgItem(dialog, kFileNameEdit); }

std::string DialogText(HWND dialog)
{
    std::vector<HWND> children;
    EnumChildWindows(dialog, CollectChildren, reinterpret_cast<LPARAM>(&children));
    std::string statics;
    std::string fields;
    for (size_t i = 0; i < children.size(); ++i) {
        if (WindowClassName(children[i]) != "Static") continue;
        std::string text = WindowText(children[i]);
        if (i + 1 < children.size() && ascii::EqualsIgnoringCase(WindowClassName(children[i + 1]), std::string("Edit")))
            fields += (fields.empty() ? "" : " | ") + text + " " + WindowText(children[i + 1]);
        else if (!text.empty())
            statics += (statics.empty() ? "" : " | ") + text;
    }
    return fields.empty() ? statics : fields;
}

bool SameTitle(const std::string& answerTitle, const std::string& dialogTitle)
{
    return answerTitle == dialogTitle || TrimRight(answerTitle) == TrimRight(dialogTitle);
}

int ButtonFor(const std::string& value)
{
    static const struct {
        const char* name;
        int id;
    } buttons[] = {{"OK", IDOK}, {"Cancel", IDCANCEL}, {"Yes", IDYES}, {"No", IDNO},
                   {"Retry", IDRETRY}, {"Ignore", IDIGNORE}, {"Abort", IDABORT}};
    for (const auto& button : buttons)
        if (ascii::EqualsIgnoringCase(value.c_str(), button.name)) return button.id;
    return 0;
}

bool ButtonNotReady(HWND dialog, const std::string& value)
{
    const int id = IsFileDialog(dialog) ? 0 : ButtonFor(value);
    HWND button = id ? GetDlgItem(dialog, id) : nullptr;
    return button && !IsWindowEnabled(button);
}

void PressButton(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

bool GiveAnswer(HWND dialog, const std::string& value)
{
    if (IsFileDialog(dialog)) {
        if (ascii::EqualsIgnoringCase(value.c_str(), "Cancel")) {
            PressButton(dialog, IDCANCEL);
            return true;
        }
        const int control = GetDlgItem(dialog, kFileNameCombo) ? kFileNameCombo : kFileNameEdit;
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(GetDlgItem(dialog, control), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str()),
                            SMTO_ABORTIFHUNG | SMTO_BLOCK, kAnswerTimeoutMs, &ignored);
        PressButton(dialog, IDOK);
        return true;
    }
    const int id = ButtonFor(value);
    if (id == 0 || !GetDlgItem(dialog, id)) return false;
    PressButton(dialog, id);
    return true;
}

void DismissDialog(HWND dialog)
{
    if (IsFileDialog(dialog)) {
        PressButton(dialog, IDCANCEL);
        return;
    }
    for (int id : {IDCANCEL, IDNO, IDOK, IDABORT}) {
        if (GetDlgItem(dialog, id)) {
            PressButton(dialog, id);
            return;
        }
    }
    PostMessageA(dialog, WM_CLOSE, 0, 0);
}
