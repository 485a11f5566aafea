// Embed attributes as the browser hands them to NPP_New: names and values alive for the call, any
// of them possibly null.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

class Attributes {
public:
    // A pair of the list: texts, or null for "no string at all".
    using Pair = std::pair<const char*, const char*>;
    using List = std::vector<Pair>;

    // A name or value written in a test: a text, or null where a null pointer is given.
    struct Text {
        Text(const char* text) : isNull(text == nullptr), text(text ? text : "") {}
        Text(const std::string& text) : text(text) {}
        bool isNull = false;
        std::string text;
    };

    Attributes() = default;
    Attributes(std::initializer_list<std::pair<Text, Text>> list);
    explicit Attributes(const List& list);
    Attributes(const Attributes&) = delete;
    Attributes& operator=(const Attributes&) = delete;

    void Add(const std::string& name, const std::string& value);
    void Add(const char* name, const char* value);  // either may be null
    void AddNull(bool nullName, bool nullValue);    // "name" and "value", or null in their place

    int16_t Count() const { return static_cast<int16_t>(names.size()); }
    char** Names() { return names.data(); }
    char** Values() { return values.data(); }

private:
    char* Own(const std::string& text);
    std::vector<std::vector<char>> storage;  // moving an inner vector keeps its bytes in place
    std::vector<char*> names, values;
};
