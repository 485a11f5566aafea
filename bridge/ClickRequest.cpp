#include "bridge/ClickRequest.h"

#include <string>

#include "bridge/AnsiText.h"
#include "win/AsciiText.h"

PageRequest PageRequestFromClick(const BridgeClick& click, UINT codePage)
{
    PageRequest page;
    for (const auto& [name, value] : click.attributes) {
        std::string ansiName;
        std::string ansiValue;
        if (!Utf8ToAnsi(name, ansiName, codePage)) continue;
        if (!Utf8ToAnsi(value, ansiValue, codePage)) {
            // A src counts by its presence alone, so that the route a click takes (the fetched
            // request file, never the page's file attribute) does not depend on the code page.
            const bool isSrc = ascii::EqualsIgnoringCase(ansiName.c_str(), "src");
            if (isSrc) ApplyAttribute(page, ansiName.c_str(), nullptr);
            if ((isSrc || IsRequestAttribute(ansiName.c_str())) && page.unrepresentableAttribute.empty())
                page.unrepresentableAttribute = isSrc ? "src" : ansiName;
            continue;
        }
        ApplyAttribute(page, ansiName.c_str(), ansiValue.c_str());
    }
    CompleteFromElement(page);
    page.origin = click.sender.origin;
    page.topOrigin = click.sender.topOrigin;
    page.crossSiteFrame = click.sender.frame == SenderFrame::crossSite;

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
