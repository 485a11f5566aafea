// vxanswer: answers a dialog of another process, for tests of programs whose dialogs no automation
// inside them answers (vxbridge.exe, started by a browser). Runs in the same Wine prefix and desktop.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "common/DialogAnswering.h"
#include "common/HeldKey.h"
#include "common/TextEscapes.h"

namespace {

enum ExitCode { kAnswered = 0, kNotAnswered = 1, kUsage = 2 };

const char kUsageText[] =
    "usage: vxanswer [--timeout SECONDS] [--poll MS] [--hold KEY | --press KEY [--for MS]] TITLE=ANSWER...\n"
    "  Waits for dialogs of other processes and answers each TITLE=ANSWER once, in the order the\n"
    "  dialogs appear (the title compared exactly, then without trailing blanks):\n"
    "    a Save-As or Open dialog: ANSWER is the path typed into its file name, then OK; or Cancel\n"
    "    a box or the confirmation: Yes, No, OK, Cancel, Retry, Ignore or Abort, pressed once the\n"
    "    button takes input (the confirmation's Yes after about a second in the foreground)\n"
    "  Prints each dialog it sees, whether it is in the foreground, and each answer.\n"
    "  Looks for new dialogs every 100 ms unless --poll gives another interval (1 to 1000 ms).\n"
    "  --hold KEY holds KEY down from the start (a press, then an auto-repeat every 50 ms), --press KEY\n"
    "  presses and releases it every 50 ms, as a person's keyboard does (the foreground window gets it),\n"
    "  until the first dialog an answer is for has been open --for MS (1 to 60000; 2000 unless given)\n"
    "  or has closed; no answer is given before. KEY: Enter, Space, Escape, Tab, a letter or a digit.\n"
    "  Prints whether that dialog stayed open and when the answer's button took input meanwhile.\n"
    "  Exit 0 when every answer was given; 1 after the time-out (30 s unless given) or for a box\n"
    "  without the button; 2 for a usage error.\n";

struct Answer {
    std::string title;
    std::string value;
    bool given = false;
};

struct SeenDialog {
    HWND window;
    int answer;  // -1: none of ours
};

void Print(const std::string& text)
{
    std::printf("vxanswer: %s\n", EscapeControls(text).c_str());
    std::fflush(stdout);
}

BOOL CALLBACK CollectOthersDialogs(HWND window, LPARAM context)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() && IsVisibleDialog(window))
        reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
    return TRUE;
}

std::vector<HWND> OthersDialogs()
{
    std::vector<HWND> dialogs;
    EnumWindows(CollectOthersDialogs, reinterpret_cast<LPARAM>(&dialogs));
    return dialogs;
}

int FindAnswer(const std::vector<Answer>& answers, const std::vector<SeenDialog>& seen, const std::string& title)
{
    auto taken = [&](size_t index) {
        for (const SeenDialog& dialog : seen)
            if (dialog.answer == static_cast<int>(index)) return true;
        return false;
    };
    for (size_t i = 0; i < answers.size(); ++i)
        if (!taken(i) && answers[i].title == title) return static_cast<int>(i);
    for (size_t i = 0; i < answers.size(); ++i)
        if (!taken(i) && SameTitle(answers[i].title, title)) return static_cast<int>(i);
    return -1;
}

std::string Described(HWND dialog)
{
    const bool file = IsFileDialog(dialog);
    const std::string text = file ? std::string() : DialogText(dialog);
    return std::string(file ? "file dialog" : "box") + " \"" + WindowText(dialog) + "\"" +
           (text.empty() ? "" : ": " + text);
}

const char* Foreground(HWND dialog)
{
    return GetForegroundWindow() == dialog ? "in the foreground" : "not in the foreground";
}

struct Hold {
    std::string keyName;  // as given
    WORD key = 0;
    KeyHolding::Way way = KeyHolding::Way::held;
    DWORD forMs = 2000;
};

// The first dialog an answer is for, watched while the key is held.
struct HeldOver {
    HWND dialog = nullptr;
    std::string named;       // box "TITLE"
    std::string buttonName;  // the answer's button, "Yes"; empty for a file dialog
    DWORD openedAt = 0;
    std::optional<DWORD> tookInputAfter;
};

// Ends the hold once the watched dialog has been open long enough, or has closed, and says which.
void WatchWhileHolding(KeyHolding& holding, HeldOver& over, const Hold& hold)
{
    const DWORD now = GetTickCount();
    holding.Continue(now);
    if (!over.dialog) return;
    const bool held = hold.way == KeyHolding::Way::held;
    const std::string open = std::to_string(now - over.openedAt) + " ms";
    if (!IsWindow(over.dialog)) {
        holding.Release();
        Print(over.named + " closed while " + hold.keyName + (held ? " was held" : " was pressed again and again") +
              ", after " + open);
        return;
    }
    const int id = over.buttonName.empty() ? 0 : ButtonFor(over.buttonName);
    HWND button = id ? GetDlgItem(over.dialog, id) : nullptr;
    if (button && IsWindowEnabled(button) && !over.tookInputAfter) over.tookInputAfter = now - over.openedAt;
    if (now - over.openedAt < hold.forMs) return;
    holding.Release();
    std::string verdict = "it stayed open";
    if (button && over.tookInputAfter)
        verdict += " and its " + over.buttonName + " took input after " + std::to_string(*over.tookInputAfter) + " ms";
    else if (button)
        verdict += " and its " + over.buttonName + " took no input";
    Print((held ? "released " : "stopped pressing ") + hold.keyName + " after " + over.named + " was open " +
          std::to_string(hold.forMs) + " ms: " + verdict);
}

// Gives each answer whose dialog is open and whose button takes input; false for a box without it.
bool GiveDueAnswers(std::vector<Answer>& answers, const std::vector<SeenDialog>& seen, size_t& left)
{
    for (const SeenDialog& dialog : seen) {
        if (dialog.answer < 0 || answers[dialog.answer].given || !IsWindow(dialog.window)) continue;
        Answer& answer = answers[dialog.answer];
        if (ButtonNotReady(dialog.window, answer.value)) continue;
        const std::string described = Described(dialog.window);
        const char* foreground = Foreground(dialog.window);
        if (!GiveAnswer(dialog.window, answer.value)) {
            Print(described + " has no button \"" + answer.value + "\"");
            return false;
        }
        answer.given = true;
        --left;
        Print(described + " (" + foreground + ") -> " + answer.value);
    }
    return true;
}

int Run(std::vector<Answer>& answers, DWORD timeoutMs, DWORD pollMs, const std::optional<Hold>& hold)
{
    std::vector<SeenDialog> seen;
    const DWORD start = GetTickCount();
    size_t left = answers.size();
    std::optional<KeyHolding> holding;
    HeldOver heldOver;
    if (hold) {
        holding.emplace(hold->key, hold->way, start);
        Print(hold->way == KeyHolding::Way::held ? "holding " + hold->keyName + " down, auto-repeated every 50 ms"
                                                 : "pressing " + hold->keyName + " every 50 ms");
    }
    while (left > 0) {
        for (HWND window : OthersDialogs()) {
            bool known = false;
            for (const SeenDialog& dialog : seen) known = known || dialog.window == window;
            if (known) continue;
            const int answer = FindAnswer(answers, seen, WindowText(window));
            seen.push_back({window, answer});
            Print(Described(window) + " (open, " + Foreground(window) + ")" + (answer < 0 ? ", not ours" : ""));
            if (holding && holding->Holding() && answer >= 0 && !heldOver.dialog) {
                const bool file = IsFileDialog(window);
                heldOver = {window, std::string(file ? "file dialog" : "box") + " \"" + WindowText(window) + "\"",
                            file ? std::string() : answers[answer].value, GetTickCount()};
            }
        }
        // Nobody answers while the key is down: the person holding it is not clicking.
        if (holding && holding->Holding())
            WatchWhileHolding(*holding, heldOver, *hold);
        else if (!GiveDueAnswers(answers, seen, left))
            return kNotAnswered;
        if (left == 0) break;
        if (GetTickCount() - start >= timeoutMs) {
            std::string open;
            for (HWND window : OthersDialogs()) open += (open.empty() ? "\"" : ", \"") + WindowText(window) + "\"";
            std::string missing;
            for (const Answer& answer : answers)
                if (!answer.given) missing += (missing.empty() ? "" : ", ") + answer.title + "=" + answer.value;
            Print("time-out after " + std::to_string(timeoutMs / 1000) + " s; dialogs open: " +
                  (open.empty() ? "none" : open) + "; not given: " + missing);
            return kNotAnswered;
        }
        Sleep(holding && holding->Holding() ? std::min(pollMs, KeyHolding::kStrokeIntervalMs) : pollMs);
    }
    return kAnswered;
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        DWORD timeoutMs = 30000;
        DWORD pollMs = 100;
        std::optional<Hold> hold;
        bool forGiven = false;
        DWORD forMs = 0;
        std::vector<Answer> answers;
        // A number option's value: a whole number from 1 to LARGEST, else 0.
        auto number = [](const char* text, unsigned long largest) -> DWORD {
            char* end = nullptr;
            const unsigned long value = std::strtoul(text, &end, 10);
            return *end != '\0' || value == 0 || value > largest ? 0 : static_cast<DWORD>(value);
        };
        for (int i = 1; i < argc; ++i) {
            const std::string argument = argv[i];
            if ((argument == "--timeout" || argument == "--poll") && i + 1 < argc) {
                const bool timeout = argument == "--timeout";
                const DWORD value = number(argv[++i], timeout ? 3600 : 1000);
                if (value == 0) {
                    std::fputs(kUsageText, stderr);
                    return kUsage;
                }
                if (timeout)
                    timeoutMs = value * 1000;
                else
                    pollMs = value;
                continue;
            }
            if ((argument == "--hold" || argument == "--press") && i + 1 < argc && !hold) {
                hold.emplace();
                hold->keyName = argv[++i];
                hold->key = KeyNamed(hold->keyName);
                hold->way = argument == "--hold" ? KeyHolding::Way::held : KeyHolding::Way::pressedAgain;
                if (hold->key == 0) {
                    std::fputs(kUsageText, stderr);
                    return kUsage;
                }
                continue;
            }
            if (argument == "--for" && i + 1 < argc) {
                forGiven = true;
                forMs = number(argv[++i], 60000);
                if (forMs == 0) {
                    std::fputs(kUsageText, stderr);
                    return kUsage;
                }
                continue;
            }
            const size_t equals = argument.rfind('=');
            if (equals == std::string::npos || equals == 0 || equals + 1 == argument.size()) {
                std::fputs(kUsageText, stderr);
                return kUsage;
            }
            answers.push_back({argument.substr(0, equals), argument.substr(equals + 1)});
        }
        if (answers.empty() || (forGiven && !hold)) {
            std::fputs(kUsageText, stderr);
            return kUsage;
        }
        if (hold && forGiven) hold->forMs = forMs;
        return Run(answers, timeoutMs, pollMs, hold);
    } catch (...) {
        std::fputs("vxanswer: out of memory\n", stderr);
        return kNotAnswered;
    }
}
