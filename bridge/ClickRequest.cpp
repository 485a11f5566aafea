#include "bridge/ClickRequest.h"

#include <string>

#include "bridge/AnsiText.h"

PageRequest PageRequestFromClick(const BridgeClick& click, UINT codePage)
{
    PageRequest page;
    for (const auto& [name, value] : click.attributes) {
        std::string ansiName;
        std::string ansiValue;
        if (!Utf8ToAnsi(name, ansiName, codePage)) continue;
        if (!Utf8ToAnsi(value, ansiValue, codePage)) {
            if (IsRequestAttribute(ansiName.c_str()) && page.unrepresentableAttribute.empty())
                page.unrepresentableAttribute = ansiName;
            continue;
        }
        ApplyAttribute(page, ansiName.c_str(), ansiValue.c_str());
    }
    CompleteFromElement(page);

    const BridgeRequestFile& file = click.requestFile;
    using Kind = BridgeRequestFile::Kind;
    if (file.kind == Kind::bytes || file.kind == Kind::tooLarge) {
        std::string url;
        if (Utf8ToAnsi(file.url, url, codePage)) {
            page.requestFile = url;
            page.keptRequestFile = KeptRequestFile{file.kind == Kind::bytes ? file.bytes : std::string(),
                                                   file.kind == Kind::tooLarge};
        } else if (page.unrepresentableAttribute.empty()) {
            page.unrepresentableAttribute = "src";
        }
    }
    return page;
}
