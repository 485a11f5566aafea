#include "client/LoadRequestSignal.h"

#include <climits>
#include <cstdio>
#include <string>

#include "client/SettingsStore.h"
#include "win/AsciiText.h"
#include "win/Registry.h"

namespace {

const char* const kSignalValueName = "Value";

std::string SignalKeyPath() { return std::string(kProductKeyPath) + "\\LoadRequestSignal"; }

// As "%ld" reads: leading whitespace, an optional sign, digits up to the first other character;
// no number at all gives 0. Out-of-range digits saturate instead of overflowing.
long ParseSignal(const std::string& text)
{
    std::size_t position = 0;
    while (position < text.size() && ascii::IsSpace(text[position])) ++position;
    bool negative = false;
    if (position < text.size() && (text[position] == '+' || text[position] == '-')) {
        negative = text[position] == '-';
        ++position;
    }
    const long long limit = negative ? -static_cast<long long>(LONG_MIN) : LONG_MAX;
    long long magnitude = 0;
    while (position < text.size() && text[position] >= '0' && text[position] <= '9') {
        magnitude = magnitude * 10 + (text[position] - '0');
        if (magnitude > limit) magnitude = limit;
        ++position;
    }
    return static_cast<long>(negative ? -magnitude : magnitude);
}

}  // namespace

long ReadLoadRequestSignal()
{
    std::string text;
    if (!ReadRegistryString(SignalKeyPath(), kSignalValueName, text)) return 0;
    return ParseSignal(text);
}

void WriteLoadRequestSignal(long value)
{
    char text[16];
    std::snprintf(text, sizeof(text), "%ld", value);
    WriteRegistryString(SignalKeyPath(), kSignalValueName, text);
}

void BumpLoadRequestSignal()
{
    long current = ReadLoadRequestSignal();
    if (current < 0) return;  // a negative value belongs to the client: leave it as it is
    // At the top of the range the counter starts again at 1, so that it keeps changing.
    WriteLoadRequestSignal(current == LONG_MAX ? 1 : current + 1);
}
