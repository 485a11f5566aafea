#include "support/DialogDriver.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

struct Driving {
    const Confirmation& what;
    const std::function<void(HWND, DWORD)>& step;
    HWND dialog = nullptr;
    DWORD shownAt = 0;
} * driving;

void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD)
{
    for (HWND window = GetTopWindow(nullptr); !driving->dialog && window; window = GetWindow(window, GW_HWNDNEXT)) {
        if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId() && IsWindowVisible(window) &&
            TextOf(window) == driving->what.caption) {
            driving->dialog = window;
            driving->shownAt = GetTickCount();
        }
    }
    if (!driving->dialog || !IsWindow(driving->dialog)) return;
    const DWORD since = GetTickCount() - driving->shownAt;
    if (since > 20000) {
        ADD_FAILURE() << "the dialog was still open after 20 s";
        EndDialog(driving->dialog, IDNO);
    }
    driving->step(driving->dialog, since);
}

}  // namespace

bool AskWhileDriving(const Confirmation& what, HWND owner, const std::function<void(HWND, DWORD)>& step)
{
    Driving state{what, step};
    driving = &state;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, OnTick);
    const bool answer = AskConfirmation(what, owner);
    KillTimer(nullptr, timer);
    EXPECT_NE(nullptr, state.dialog) << "the dialog was never seen";
    return answer;
}

std::string TextOf(HWND window)
{
    char text[2048] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::vector<HWND> Children(HWND dialog, const char* windowClass)
{
    std::vector<HWND> found;
    char name[32];
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (GetClassNameA(child, name, sizeof name) && _stricmp(name, windowClass) == 0) found.push_back(child);
    return found;
}

WindowAnswerer* WindowAnswerer::current = nullptr;

WindowAnswerer::WindowAnswerer(std::string title, std::function<void(HWND)> answer, UINT milliseconds)
    : title(std::move(title)), answer(std::move(answer))
{
    current = this;
    timer = SetTimer(nullptr, 0, milliseconds, OnTick);
}

WindowAnswerer::~WindowAnswerer()
{
    KillTimer(nullptr, timer);
    current = nullptr;
}

void CALLBACK WindowAnswerer::OnTick(HWND, UINT, UINT_PTR, DWORD)
{
    if (current) EnumThreadWindows(GetCurrentThreadId(), AnswerIfItIs, 0);
}

BOOL CALLBACK WindowAnswerer::AnswerIfItIs(HWND candidate, LPARAM)
{
    if (TextOf(candidate) != current->title || !IsWindowVisible(candidate)) return TRUE;
    current->answer(candidate);
    ++current->answered;
    return FALSE;
}
