#include "request/FileDialogs.h"

#include <cstddef>
#include <cstring>

#include "win/SystemCalls.h"

// The layout without the later extension fields (pvReserved, dwReserved, FlagsEx), which every
// version of the dialogs accepts: 76 bytes in a 32-bit process, 136 in a 64-bit one.
// (OPENFILENAME_SIZE_VERSION_400A is this sum, written in a form that is no constant expression.)
static_assert(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR) == (sizeof(void*) == 8 ? 136 : 76),
              "OPENFILENAMEA up to lpTemplateName");

OPENFILENAMEA FileDialogRequest(HWND owner, char* fileName, DWORD fileNameSize, const char* title, DWORD flags)
{
    static const char filter[] = "All Files \0 *.*\0";  // the literal adds the closing NUL
    OPENFILENAMEA dialog;
    std::memset(&dialog, 0, sizeof dialog);
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = fileName;
    dialog.nMaxFile = fileNameSize;
    dialog.lpstrTitle = title;
    dialog.Flags = flags;
    return dialog;
}

std::string AskFileToSend(const ClickDialogs& dialogs)
{
    char fileName[512] = {};
    const std::string title = TitleAskedBy("Select : package to deliver ...", dialogs.site);
    OPENFILENAMEA dialog = FileDialogRequest(dialogs.owner, fileName, sizeof fileName, title.c_str(),
                                             OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST |
                                                 OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_LONGNAMES);
    if (!systemCalls.GetOpenFileNameA(&dialog)) {
        systemCalls.CommDlgExtendedError();
        return std::string();
    }
    fileName[sizeof fileName - 1] = '\0';
    return fileName;
}
