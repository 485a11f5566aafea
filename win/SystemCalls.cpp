#include "win/SystemCalls.h"

#include <cstring>
#include <ctime>

#ifdef _WIN32
#include <cderr.h>

#include "win/ConfirmationDialog.h"
#else
#include <sys/time.h>
#endif

namespace {

UtcTime RealUtcNow()
{
#ifdef _WIN32
    // The system time in UTC, as _ftime gives it, without the time-zone look-up _ftime makes on
    // every call.
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const std::uint64_t hundredNanoseconds =
        (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    const std::uint64_t kMillisecondsFrom1601To1970 = 11644473600000ull;
    const std::uint64_t milliseconds = hundredNanoseconds / 10000 - kMillisecondsFrom1601To1970;
#else
    timeval now{};
    gettimeofday(&now, nullptr);
    const std::uint64_t milliseconds =
        static_cast<std::uint64_t>(now.tv_sec) * 1000u + static_cast<std::uint64_t>(now.tv_usec) / 1000u;
#endif
    return {static_cast<std::uint32_t>(milliseconds / 1000), static_cast<unsigned>(milliseconds % 1000)};
}

LocalStamp RealLocalNow()
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    // msvcrt keeps localtime's result per thread.
    const std::tm* converted = std::localtime(&now);
    if (converted) local = *converted;
#else
    localtime_r(&now, &local);
#endif
    char date[16] = "";
    char time[16] = "";
    std::strftime(date, sizeof date, "%m/%d/%y", &local);
    std::strftime(time, sizeof time, "%H:%M:%S", &local);
    return {date, time};
}

#ifdef _WIN32

// The common dialogs are loaded at the first dialog of a click, not with the plug-in: comdlg32 and
// the shell libraries it brings cost the browser several milliseconds at every start, and most
// starts never show a dialog.
HMODULE commonDialogs = nullptr;
// Dialogs of ours now open: comdlg32 is never let go while its code is on the stack.
int dialogsOpen = 0;

class OpenDialog {
public:
    OpenDialog() { ++dialogsOpen; }
    ~OpenDialog() { --dialogsOpen; }
    OpenDialog(const OpenDialog&) = delete;
    OpenDialog& operator=(const OpenDialog&) = delete;
};

template <typename Function>
Function CommonDialogFunction(const char* name)
{
    if (!commonDialogs) commonDialogs = LoadLibraryA("comdlg32.dll");
    FARPROC address = commonDialogs ? GetProcAddress(commonDialogs, name) : nullptr;
    Function function;
    static_assert(sizeof function == sizeof address, "function pointers differ in size");
    std::memcpy(&function, &address, sizeof function);
    return function;
}

using FileDialogFunction = BOOL(WINAPI*)(LPOPENFILENAMEA);
using ExtendedErrorFunction = DWORD(WINAPI*)(void);

// Without comdlg32 a dialog fails as one that could not start.
BOOL WINAPI GetSaveFileNameOnDemand(LPOPENFILENAMEA request)
{
    OpenDialog open;
    FileDialogFunction function = CommonDialogFunction<FileDialogFunction>("GetSaveFileNameA");
    return function ? function(request) : FALSE;
}

BOOL WINAPI GetOpenFileNameOnDemand(LPOPENFILENAMEA request)
{
    OpenDialog open;
    FileDialogFunction function = CommonDialogFunction<FileDialogFunction>("GetOpenFileNameA");
    return function ? function(request) : FALSE;
}

DWORD WINAPI CommDlgExtendedErrorOnDemand(void)
{
    ExtendedErrorFunction function = CommonDialogFunction<ExtendedErrorFunction>("CommDlgExtendedError");
    return function ? function() : CDERR_INITIALIZATION;
}

// MessageBoxA turns its text into a counted Unicode string of at most 32766 characters: beyond that
// Wine's reads freed memory and crashes, and Windows shows no box. A text a page made that long
// (a request file shown whole) is cut, at a character boundary, and marked as cut.
const std::size_t kLongestBoxText = 32766;

int WINAPI BoundedMessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style)
{
    if (!text || std::strlen(text) <= kLongestBoxText) return ::MessageBoxA(owner, text, caption, style);
    static const char kCutMark[] = "...";
    const std::size_t room = kLongestBoxText - (sizeof kCutMark - 1);
    std::size_t kept = 0;
    while (kept < room) {
        const std::size_t step = IsDBCSLeadByte(static_cast<BYTE>(text[kept])) ? 2 : 1;
        if (kept + step > room) break;
        kept += step;
    }
    static char shown[kLongestBoxText + 1];  // the user-interface thread's alone
    std::memcpy(shown, text, kept);
    std::memcpy(shown + kept, kCutMark, sizeof kCutMark);
    return ::MessageBoxA(owner, shown, caption, style);
}

#endif

}  // namespace

#ifdef _WIN32

void ReleaseCommonDialogs()
{
    if (!commonDialogs || dialogsOpen > 0) return;
    FreeLibrary(commonDialogs);
    commonDialogs = nullptr;
}

const SystemCalls realSystemCalls = {
    RealUtcNow,           RealLocalNow,     BoundedMessageBoxA, GetSaveFileNameOnDemand,
    GetOpenFileNameOnDemand, CommDlgExtendedErrorOnDemand, AskConfirmation, ::CreateProcessA,
    ::GetDriveTypeA,      ::WriteFile,      nullptr,          ::GetTickCount,
};

#else

const SystemCalls realSystemCalls = {RealUtcNow, RealLocalNow};

#endif

SystemCalls systemCalls = realSystemCalls;
