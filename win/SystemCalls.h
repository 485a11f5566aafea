// The system calls that tests replace, in one table. It starts out pointing at the real functions;
// a test swaps in recorders that check the exact arguments and give scripted answers, and puts the
// real ones back (realSystemCalls). The call sites read as plain Win32: systemCalls.MessageBoxA(...).
//
// Errors: each call answers as the function it stands for (its result, its last-error code or
// CommDlgExtendedError); nothing here throws.
#pragma once

#include <cstdint>
#include <string>

#ifdef _WIN32
#include <windows.h>
#include <commdlg.h>
#endif

// Coordinated universal time: seconds since 1970 and the milliseconds within that second.
struct UtcTime {
    std::uint32_t seconds;
    unsigned milliseconds;
};

// Local date as MM/DD/YY and time as HH:MM:SS.
struct LocalStamp {
    std::string date;
    std::string time;
};

#ifdef _WIN32
struct Confirmation;
#endif

struct SystemCalls {
    UtcTime (*UtcNow)();
    LocalStamp (*LocalNow)();
#ifdef _WIN32
    int(WINAPI* MessageBoxA)(HWND owner, LPCSTR text, LPCSTR caption, UINT style);
    BOOL(WINAPI* GetSaveFileNameA)(LPOPENFILENAMEA request);
    BOOL(WINAPI* GetOpenFileNameA)(LPOPENFILENAMEA request);
    DWORD(WINAPI* CommDlgExtendedError)(void);
    // The plug-in's own confirmation dialog (win/ConfirmationDialog.h): true only for the user's Yes.
    bool (*AskConfirmation)(const Confirmation& question, HWND owner);
    BOOL(WINAPI* CreateProcessA)(LPCSTR applicationName, LPSTR commandLine,
                                 LPSECURITY_ATTRIBUTES processAttributes,
                                 LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles,
                                 DWORD creationFlags, LPVOID environment, LPCSTR currentDirectory,
                                 LPSTARTUPINFOA startupInfo, LPPROCESS_INFORMATION processInfo);
    // The kind of drive a path a page named is on.
    UINT(WINAPI* GetDriveTypeA)(LPCSTR root);
    // The writes of a submission file's bytes.
    BOOL(WINAPI* WriteFile)(HANDLE file, LPCVOID bytes, DWORD size, LPDWORD written,
                            LPOVERLAPPED overlapped);
    // Called by the settings load after it has sized its buffers and before it reads the values,
    // so that a test can change the key under it. Does nothing in the product.
    void (*SettingsEnumerationStarts)(HKEY key);
    // The confirmation's clock for its arming delay.
    DWORD(WINAPI* GetTickCount)(void);
#endif
};

extern SystemCalls systemCalls;
extern const SystemCalls realSystemCalls;

#ifdef _WIN32
// The real file dialogs load comdlg32 at their first call; the plug-in's shut-down lets it go again
// unless a dialog is still open.
void ReleaseCommonDialogs();
#endif
