#include "support/Attributes.h"

Attributes::Attributes(std::initializer_list<std::pair<Text, Text>> list)
{
    for (const auto& attribute : list) {
        const Text& name = attribute.first;
        const Text& value = attribute.second;
        Add(name.isNull ? nullptr : name.text.c_str(), value.isNull ? nullptr : value.text.c_str());
    }
}

Attributes::Attributes(const List& list)
{
    for (const Pair& attribute : list) Add(attribute.first, attribute.second);
}

void Attributes::Add(const std::string& name, const std::string& value)
{
    names.push_back(Own(name));
    values.push_back(Own(value));
}

void Attributes::Add(const char* name, const char* value)
{
    names.push_back(name ? Own(name) : nullptr);
    values.push_back(value ? Own(value) : nullptr);
}

void Attributes::AddNull(bool nullName, bool nullValue)
{
    Add(nullName ? nullptr : "name", nullValue ? nullptr : "value");
}

char* Attributes::Own(const std::string& text)
{
    storage.emplace_back(text.begin(), text.end());
    storage.back().push_back('\0');
    return storage.back().data();
}
