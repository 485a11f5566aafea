// Just enough HTML for a plug-in page: the <embed> and <object> elements with their attributes in
// the order written, the <param> children of objects, and the page title.
#pragma once

#include <string>
#include <utility>
#include <vector>

using Attribute = std::pair<std::string, std::string>;

struct PageElement {
    std::string tag;                    // "embed" or "object", lower case
    std::vector<Attribute> attributes;  // names as written, values with entities decoded
    std::vector<Attribute> params;      // <param name= value=> inside an <object>
    int line = 0;                       // where the tag starts, 1-based
    int enclosingObject = -1;           // index of the <object> this element is fallback content of
};

struct HtmlPage {
    std::string title;
    std::string text;  // the visible text, blanks collapsed
    std::vector<PageElement> elements;
};

// Throws std::runtime_error with "line N: ..." for text that cannot be read as a page
// (a tag, comment, quoted value or object left open at the end).
HtmlPage ParseHtmlPage(const std::string& text);

// The value of the first attribute whose name matches without regard to ASCII case.
const std::string* FindAttribute(const std::vector<Attribute>& attributes, const std::string& name);

bool EqualsIgnoringCase(const std::string& a, const std::string& b);
bool EndsWithIgnoringCase(const std::string& text, const std::string& suffix);
