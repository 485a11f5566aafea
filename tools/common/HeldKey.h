// A key held down, or pressed again and again, as a person's keyboard does it: by SendInput, so that
// each stroke goes where a person's would (the focus of the window in the foreground, whichever
// process owns it) and the system's key state shows the key down. Answering tools use it to show
// that a key held since before a dialog appeared answers nothing.
#pragma once

#include <windows.h>

#include <string>

// The virtual-key code of a key named "Enter", "Space", "Escape" or "Tab" (any letter case), or by
// one letter or digit; 0 for any other name.
WORD KeyNamed(const std::string& name);

class KeyHolding {
public:
    enum class Way {
        held,          // one press, then an auto-repeat (a press without a release) each interval
        pressedAgain,  // a press and its release each interval
    };
    static constexpr DWORD kStrokeIntervalMs = 50;

    // The first stroke, at `now` (a GetTickCount value).
    KeyHolding(WORD key, Way way, DWORD now);
    ~KeyHolding() { Release(); }
    KeyHolding(const KeyHolding&) = delete;
    KeyHolding& operator=(const KeyHolding&) = delete;

    // The strokes due by `now`, at most one per interval however late the call comes.
    void Continue(DWORD now);
    // The key up, once; nothing more afterwards.
    void Release();
    bool Holding() const { return holding_; }

private:
    void Stroke();

    WORD key_;
    Way way_;
    DWORD lastStroke_;
    bool holding_ = true;
};
