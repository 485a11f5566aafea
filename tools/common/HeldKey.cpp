#include "common/HeldKey.h"

#include "win/AsciiText.h"

namespace {

void SendKey(WORD key, bool up)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
}

}  // namespace

WORD KeyNamed(const std::string& name)
{
    static const struct {
        const char* name;
        WORD key;
    } named[] = {{"Enter", VK_RETURN}, {"Space", VK_SPACE}, {"Escape", VK_ESCAPE}, {"Tab", VK_TAB}};
    for (const auto& each : named)
        if (ascii::EqualsIgnoringCase(name.c_str(), each.name)) return each.key;
    if (name.size() != 1) return 0;
    const char c = ascii::ToUpper(name[0]);
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ? static_cast<WORD>(c) : 0;
}

KeyHolding::KeyHolding(WORD key, Way way, DWORD now) : key_(key), way_(way), lastStroke_(now) { Stroke(); }

void KeyHolding::Continue(DWORD now)
{
    if (!holding_ || now - lastStroke_ < kStrokeIntervalMs) return;
    lastStroke_ = now;
    Stroke();
}

void KeyHolding::Release()
{
    if (!holding_) return;
    holding_ = false;
    if (way_ == Way::held) SendKey(key_, true);
}

void KeyHolding::Stroke()
{
    SendKey(key_, false);
    if (way_ == Way::pressedAgain) SendKey(key_, true);
}
