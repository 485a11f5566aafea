// Any map whose keys are made of key characters: FormatText with each separator the codec allows,
// then ParseText into a fresh map, gives back the entries with a non-empty value.
//
// Input layout, repeated until the bytes run out: one byte for the key's length (1 to 16), that many
// bytes each picking a key character, two bytes for the value's length, the value's bytes as they are.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "client/KeyValueMap.h"

namespace {

const char kKeyCharacters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_.";

class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : position(data), end(data + size) {}
    bool Empty() const { return position == end; }
    std::uint8_t Byte() { return position == end ? 0 : *position++; }
    std::string Bytes(std::size_t count)
    {
        const std::size_t available = static_cast<std::size_t>(end - position);
        if (count > available) count = available;
        std::string bytes(reinterpret_cast<const char*>(position), count);
        position += count;
        return bytes;
    }

private:
    const std::uint8_t* position;
    const std::uint8_t* end;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ByteReader reader(data, size);
    CKeyValueMap original;
    while (!reader.Empty()) {
        std::string key(1 + reader.Byte() % 16, 'A');
        for (char& c : key) c = kKeyCharacters[reader.Byte() % (sizeof kKeyCharacters - 1)];
        std::size_t valueLength = reader.Byte();
        valueLength = valueLength << 8 | reader.Byte();
        original[key] = reader.Bytes(valueLength);
    }

    static const char* const separators[] = {"", " ", "\n", "\t", "\r\n", "\r", "\v", "\f", "  ", " \t\r\n\v\f"};
    for (const char* separator : separators) {
        CKeyValueMap parsed;
        try {
            parsed.ParseText(original.FormatText(separator));
        } catch (const FormatException&) {
            std::abort();
        }
        auto next = parsed.begin();
        for (const auto& entry : original) {
            if (entry.second.empty()) continue;
            if (next == parsed.end() || next->first != entry.first || next->second != entry.second) std::abort();
            ++next;
        }
        if (next != parsed.end()) std::abort();
    }
    return 0;
}
