// Base64 of the standard alphabet with "=" padding, read strictly: no whitespace, no missing
// padding, no stray bits in the last group.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

enum class Base64Result { decoded, invalid, tooLarge };

// Decodes `text` into `bytes` (cleared first). tooLarge when it would give more than `largest` bytes;
// that is found from the length alone, before anything is decoded.
Base64Result DecodeBase64(std::string_view text, std::size_t largest, std::string& bytes);
