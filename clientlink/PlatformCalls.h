// The user-interface and process calls of the product go through this table so that tests can
// record their exact arguments and script the user's answers. It starts out pointing at Win32.
//
// Errors: each call answers as the Win32 function it stands for (its result, and its last-error
// code or CommDlgExtendedError); nothing here throws.
#pragma once

#include <windows.h>
#include <commdlg.h>

struct PlatformCalls {
    int(WINAPI* MessageBoxA)(HWND owner, LPCSTR text, LPCSTR caption, UINT style);
    BOOL(WINAPI* GetSaveFileNameA)(LPOPENFILENAMEA request);
    BOOL(WINAPI* GetOpenFileNameA)(LPOPENFILENAMEA request);
    DWORD(WINAPI* CommDlgExtendedError)(void);
    BOOL(WINAPI* CreateProcessA)(LPCSTR applicationName, LPSTR commandLine,
                                 LPSECURITY_ATTRIBUTES processAttributes,
                                 LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles,
                                 DWORD creationFlags, LPVOID environment, LPCSTR currentDirectory,
                                 LPSTARTUPINFOA startupInfo, LPPROCESS_INFORMATION processInfo);
};

extern PlatformCalls platform;
extern const PlatformCalls realPlatformCalls;

// The real file dialogs load comdlg32 at their first call; NP_Shutdown lets it go again unless a
// dialog is still open.
void ReleaseCommonDialogs();
