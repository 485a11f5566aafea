#include "vxhost/PluginElements.h"

#include <cstdlib>

namespace {

constexpr int kDefaultWidth = 240;
constexpr int kDefaultHeight = 40;

int ParseDimension(const std::string* text, int fallback)
{
    if (!text || text->empty()) return fallback;
    char* end = nullptr;
    long value = std::strtol(text->c_str(), &end, 10);
    if (end == text->c_str() || (*end != 0 && *end != 'p' && *end != ' ') || value <= 0 || value > 4000)
        return fallback;
    return static_cast<int>(value);
}

}  // namespace

std::vector<SelectedElement> SelectPluginElements(const HtmlPage& page, const PluginInfo& plugin,
                                                  const BrowserProfile& profile)
{
    std::vector<SelectedElement> selected;
    std::vector<bool> taken(page.elements.size(), false);
    for (size_t i = 0; i < page.elements.size(); ++i) {
        const PageElement& element = page.elements[i];
        if (element.enclosingObject >= 0 && taken[element.enclosingObject]) {
            taken[i] = true;  // fallback of an object that is shown: nested content is not shown either
            continue;
        }
        bool isObject = element.tag == "object";
        const std::string* type = FindAttribute(element.attributes, "type");
        const std::string* src = FindAttribute(element.attributes, isObject ? "data" : "src");
        if (isObject && !src) src = FindAttribute(element.attributes, "src");
        bool typeHandled = type && plugin.HandlesType(*type);
        if (!typeHandled && !(src && plugin.HandlesFileName(*src))) continue;
        taken[i] = true;
        selected.push_back({&element, PluginArguments(profile, element, src),
                            typeHandled ? *type : plugin.mimeTypes.front(), src ? *src : "",
                            ParseDimension(FindAttribute(element.attributes, "width"), kDefaultWidth),
                            ParseDimension(FindAttribute(element.attributes, "height"), kDefaultHeight)});
    }
    return selected;
}
