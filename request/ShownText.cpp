#include "request/ShownText.h"

#include "client/KeyNames.h"
#include "client/KeyValueMap.h"
#include "request/RequestText.h"

#include <climits>
#include <vector>

namespace {

struct CodePointRange {
    char32_t first;
    char32_t last;
};

// Unicode's controls, White_Space and Default_Ignorable_Code_Point, plus the characters that are
// drawn as an empty cell (the braille blank) or hide text (the interlinear annotation marks).
// U+0020 is the one blank a value may hold: the user sees it as the gap it is.
constexpr CodePointRange kInvisible[] = {
    {0x0000, 0x001F}, {0x007F, 0x00A0}, {0x00AD, 0x00AD}, {0x034F, 0x034F},
    {0x061C, 0x061C}, {0x115F, 0x1160}, {0x1680, 0x1680}, {0x17B4, 0x17B5},
    {0x180B, 0x180F}, {0x2000, 0x200F}, {0x2028, 0x202F}, {0x205F, 0x206F},
    {0x2800, 0x2800}, {0x3000, 0x3000}, {0x3164, 0x3164}, {0xFE00, 0xFE0F},
    {0xFEFF, 0xFEFF}, {0xFFA0, 0xFFA0}, {0xFFF0, 0xFFFB}, {0x1BCA0, 0x1BCA3},
    {0x1D173, 0x1D17A}, {0xE0000, 0xE0FFF},
};

bool IsInvisible(char32_t codePoint)
{
    for (const CodePointRange& range : kInvisible)
        if (codePoint >= range.first && codePoint <= range.last) return true;
    return false;
}

bool IsHighSurrogate(wchar_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(wchar_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

namespace {

// value read in codePage, with each unit's CT_CTYPE1 type; false for an invalid sequence.
bool DecodeInCodePage(const std::string& value, UINT codePage, std::vector<wchar_t>& wide, std::vector<WORD>& types)
{
    wide.clear();
    types.clear();
    if (value.empty()) return true;
    if (value.size() > INT_MAX) return false;
    const int length = static_cast<int>(value.size());
    const int units = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, value.data(), length, nullptr, 0);
    if (units <= 0) return false;
    wide.resize(units);
    if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, value.data(), length, wide.data(), units) != units)
        return false;
    types.resize(units);
    return GetStringTypeW(CT_CTYPE1, wide.data(), units, types.data()) != 0;
}

}  // namespace

bool IsPlainShownText(const std::string& value, UINT codePage)
{
    std::vector<wchar_t> wide;
    std::vector<WORD> types;
    if (!DecodeInCodePage(value, codePage, wide, types)) return false;
    const std::size_t units = wide.size();

    for (std::size_t i = 0; i < units; ++i) {
        const wchar_t unit = wide[i];
        if (IsHighSurrogate(unit)) {
            if (i + 1 == units || !IsLowSurrogate(wide[i + 1])) return false;
            const char32_t codePoint = 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(wide[i + 1]) - 0xDC00);
            if (IsInvisible(codePoint)) return false;
            ++i;
            continue;
        }
        if (IsLowSurrogate(unit)) return false;
        if (unit == L' ') continue;
        // The system's own classification catches what the table above does not name.
        if (IsInvisible(unit) || (types[i] & (C1_CNTRL | C1_SPACE | C1_BLANK))) return false;
    }
    return true;
}

bool IsServerNameInCodePage(const std::string& value, UINT codePage)
{
    std::vector<wchar_t> wide;
    std::vector<WORD> types;
    if (!DecodeInCodePage(value, codePage, wide, types)) return false;
    for (std::size_t i = 0; i < wide.size(); ++i)
        if (wide[i] >= 0x80 && !(types[i] & C1_ALPHA)) return false;
    return true;
}

std::optional<UnshowableValue> FindValueNotShown(const CKeyValueMap& request)
{
    if (std::optional<UnshowableValue> refused = FindUnshowableValue(request)) return refused;
    for (const char* key : kShownKeys) {
        std::string value;
        if (!request.Lookup(key, value)) continue;
        if (!IsPlainShownText(value)) return UnshowableValue{key, ShownValueFault::invisibleCharacter};
    }
    std::string serverName;
    if (request.Lookup(kServerNameKey, serverName) && !IsServerNameInCodePage(serverName))
        return UnshowableValue{kServerNameKey, ShownValueFault::notAServerName};
    return std::nullopt;
}

bool ShowsWhatItSends(const CKeyValueMap& request) { return !FindValueNotShown(request); }
