#include "bridge/Base64.h"

#include <cstdint>

namespace {

int SextetOf(char c)
{
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

Base64Result DecodeBase64(std::string_view text, std::size_t largest, std::string& bytes)
{
    bytes.clear();
    if (text.size() % 4 != 0) return Base64Result::invalid;
    std::size_t padding = 0;
    while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == '=') ++padding;
    const std::size_t size = text.size() / 4 * 3 - padding;
    if (size > largest) return Base64Result::tooLarge;

    bytes.reserve(size);
    const std::size_t groups = text.size() / 4;
    for (std::size_t group = 0; group < groups; ++group) {
        const bool last = group + 1 == groups;
        const std::size_t used = last ? 4 - padding : 4;
        std::uint32_t bits = 0;
        for (std::size_t i = 0; i < 4; ++i) {
            int sextet = 0;
            if (i < used) {
                sextet = SextetOf(text[group * 4 + i]);
                if (sextet < 0) {
                    bytes.clear();
                    return Base64Result::invalid;
                }
            }
            bits = bits << 6 | std::uint32_t(sextet);
        }
        // The bits a padded group does not use must be zero, so that each byte string has one form.
        if ((padding == 1 && last && (bits & 0xFF) != 0) || (padding == 2 && last && (bits & 0xFFFF) != 0)) {
            bytes.clear();
            return Base64Result::invalid;
        }
        bytes += char(bits >> 16);
        if (used > 2) bytes += char(bits >> 8 & 0xFF);
        if (used > 3) bytes += char(bits & 0xFF);
    }
    return Base64Result::decoded;
}
