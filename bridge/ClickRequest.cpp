#include "bridge/ClickRequest.h"

#include <string>
#include <vector>

#include "bridge/AnsiText.h"

PageRequest PageRequestFromClick(const BridgeClick& click, UINT codePage)
{
    bool unrepresentable = false;
    std::vector<std::string> names;
    std::vector<std::string> values;
    for (const auto& [name, value] : click.attributes) {
        std::string ansiName;
        std::string ansiValue;
        if (!Utf8ToAnsi(name, ansiName, codePage)) continue;
        if (!Utf8ToAnsi(value, ansiValue, codePage)) {
            if (IsRequestAttribute(ansiName.c_str())) unrepresentable = true;
            continue;
        }
        names.push_back(std::move(ansiName));
        values.push_back(std::move(ansiValue));
    }
    std::vector<const char*> namePointers;
    std::vector<const char*> valuePointers;
    for (std::size_t i = 0; i < names.size(); ++i) {
        namePointers.push_back(names[i].c_str());
        valuePointers.push_back(values[i].c_str());
    }
    PageRequest page = RequestFromAttributes(names.size(), namePointers.data(), valuePointers.data());

    const BridgeRequestFile& file = click.requestFile;
    using Kind = BridgeRequestFile::Kind;
    if (file.kind == Kind::bytes || file.kind == Kind::tooLarge) {
        std::string url;
        if (Utf8ToAnsi(file.url, url, codePage)) {
            page.requestFile = url;
            page.keptRequestFile = KeptRequestFile{file.kind == Kind::bytes ? file.bytes : std::string(),
                                                   file.kind == Kind::tooLarge};
        } else {
            unrepresentable = true;
        }
    }
    page.unrepresentableText = unrepresentable;
    return page;
}
