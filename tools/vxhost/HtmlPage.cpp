#include "vxhost/HtmlPage.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

bool IsNameChar(char c)
{
    return !IsSpace(c) && c != '=' && c != '>' && c != '/' && c != '"' && c != '\'' && c != '<';
}

// &amp; &lt; &gt; &quot; &apos; &#NN; &#xNN; (byte values only); anything else stays as written.
std::string DecodeEntities(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            out += text[i];
            continue;
        }
        size_t end = text.find(';', i);
        if (end == std::string::npos || end - i > 10) {
            out += text[i];
            continue;
        }
        std::string name = text.substr(i + 1, end - i - 1);
        char decoded = 0;
        if (name == "amp") decoded = '&';
        else if (name == "lt") decoded = '<';
        else if (name == "gt") decoded = '>';
        else if (name == "quot") decoded = '"';
        else if (name == "apos") decoded = '\'';
        else if (name.size() > 1 && name[0] == '#') {
            bool hex = name[1] == 'x' || name[1] == 'X';
            std::string digits = name.substr(hex ? 2 : 1);
            char* stop = nullptr;
            long code = digits.empty() ? 0 : std::strtol(digits.c_str(), &stop, hex ? 16 : 10);
            if (!digits.empty() && *stop == 0 && code > 0 && code < 256) decoded = static_cast<char>(code);
        }
        if (decoded) {
            out += decoded;
            i = end;
        } else {
            out += text[i];
        }
    }
    return out;
}

class Scanner {
public:
    explicit Scanner(const std::string& text) : text(text) {}

    HtmlPage Run()
    {
        HtmlPage page;
        std::vector<int> openObjects;
        while (position < text.size()) {
            size_t lt = text.find('<', position);
            AppendVisibleText(page, text.substr(position, (lt == std::string::npos ? text.size() : lt) - position));
            if (lt == std::string::npos) break;
            position = lt;
            if (SkipCommentOrDeclaration()) continue;
            bool closing = position + 1 < text.size() && text[position + 1] == '/';
            size_t nameStart = position + (closing ? 2 : 1);
            size_t nameEnd = nameStart;
            while (nameEnd < text.size() && (isalnum(static_cast<unsigned char>(text[nameEnd])))) ++nameEnd;
            if (nameEnd == nameStart) {  // a lone "<" in text
                AppendVisibleText(page, "<");
                ++position;
                continue;
            }
            std::string name;
            for (size_t i = nameStart; i < nameEnd; ++i) name += Lower(text[i]);
            int line = LineAt(position);
            position = nameEnd;
            std::vector<Attribute> attributes = ReadAttributes(name, line);
            if (!closing) TakeTag(page, openObjects, name, line, std::move(attributes));
            else if (name == "object" && !openObjects.empty()) openObjects.pop_back();
        }
        if (!openObjects.empty())
            throw Error(page.elements[openObjects.back()].line, "<object> is not closed by </object>");
        page.text = Trim(page.text);
        return page;
    }

private:
    // At a "<": skips a comment, a declaration or a processing instruction; false for anything else.
    bool SkipCommentOrDeclaration()
    {
        if (StartsWith("<!--")) {
            SkipPast("-->", "comment");
            return true;
        }
        if (StartsWith("<!") || StartsWith("<?")) {
            SkipPast(">", "declaration");
            return true;
        }
        return false;
    }

    // An opening tag read up to its ">": what it means for the page. `openObjects` are the indexes
    // of the <object> elements not closed yet, innermost last.
    void TakeTag(HtmlPage& page, std::vector<int>& openObjects, const std::string& name, int line,
                 std::vector<Attribute> attributes)
    {
        if (name == "script" || name == "style" || name == "textarea") {
            SkipPast("</" + name, name);
        } else if (name == "title") {
            size_t end = FindIgnoringCase("</title", position);
            if (end == std::string::npos) throw Error(line, "<title> is not closed");
            page.title = DecodeEntities(Trim(text.substr(position, end - position)));
            position = end;
        } else if (name == "embed" || name == "object") {
            PageElement element;
            element.tag = name;
            element.attributes = std::move(attributes);
            element.line = line;
            element.enclosingObject = openObjects.empty() ? -1 : openObjects.back();
            page.elements.push_back(std::move(element));
            if (name == "object" && !selfClosed) openObjects.push_back(static_cast<int>(page.elements.size()) - 1);
        } else if (name == "param" && !openObjects.empty()) {
            const std::string* paramName = FindAttribute(attributes, "name");
            const std::string* paramValue = FindAttribute(attributes, "value");
            if (paramName)
                page.elements[openObjects.back()].params.emplace_back(*paramName, paramValue ? *paramValue : "");
        }
    }

    static void AppendVisibleText(HtmlPage& page, const std::string& raw)
    {
        for (char c : DecodeEntities(raw)) {
            if (IsSpace(c)) {
                if (!page.text.empty() && page.text.back() != ' ') page.text += ' ';
            } else {
                page.text += c;
            }
        }
    }

    static std::runtime_error Error(int line, const std::string& what)
    {
        return std::runtime_error("line " + std::to_string(line) + ": " + what);
    }

    static std::string Trim(const std::string& s)
    {
        size_t b = 0, e = s.size();
        while (b < e && IsSpace(s[b])) ++b;
        while (e > b && IsSpace(s[e - 1])) --e;
        return s.substr(b, e - b);
    }

    bool StartsWith(const char* prefix) const { return text.compare(position, strlen(prefix), prefix) == 0; }

    int LineAt(size_t at) const
    {
        int line = 1;
        for (size_t i = 0; i < at && i < text.size(); ++i)
            if (text[i] == '\n') ++line;
        return line;
    }

    size_t FindIgnoringCase(const std::string& needle, size_t from) const
    {
        for (size_t i = from; i + needle.size() <= text.size(); ++i) {
            size_t k = 0;
            while (k < needle.size() && Lower(text[i + k]) == Lower(needle[k])) ++k;
            if (k == needle.size()) return i;
        }
        return std::string::npos;
    }

    void SkipPast(const std::string& end, const std::string& what)
    {
        int line = LineAt(position);
        size_t found = FindIgnoringCase(end, position + 1);
        if (found == std::string::npos) throw Error(line, what + " is not closed");
        position = found + end.size();
        if (end[0] == '<') {  // a closing tag: step over the rest of it
            size_t gt = text.find('>', position);
            position = gt == std::string::npos ? text.size() : gt + 1;
        }
    }

    std::vector<Attribute> ReadAttributes(const std::string& tag, int line)
    {
        std::vector<Attribute> attributes;
        selfClosed = false;
        for (;;) {
            while (position < text.size() && IsSpace(text[position])) ++position;
            if (position >= text.size()) throw Error(line, "<" + tag + "> is not closed by \">\"");
            char c = text[position];
            if (c == '>') {
                ++position;
                return attributes;
            }
            if (c == '/') {
                ++position;
                if (position < text.size() && text[position] == '>') {
                    ++position;
                    selfClosed = true;
                    return attributes;
                }
                continue;
            }
            if (!IsNameChar(c)) throw Error(LineAt(position), std::string("unexpected '") + c + "' in <" + tag + ">");
            size_t start = position;
            while (position < text.size() && IsNameChar(text[position])) ++position;
            std::string name = text.substr(start, position - start);
            size_t afterName = position;
            while (position < text.size() && IsSpace(text[position])) ++position;
            if (position >= text.size() || text[position] != '=') {
                position = afterName;
                attributes.emplace_back(name, "");
                continue;
            }
            ++position;
            while (position < text.size() && IsSpace(text[position])) ++position;
            if (position >= text.size()) throw Error(line, "<" + tag + "> is not closed by \">\"");
            std::string value;
            char quote = text[position];
            if (quote == '"' || quote == '\'') {
                size_t close = text.find(quote, position + 1);
                if (close == std::string::npos)
                    throw Error(LineAt(position), "the value of " + name + " in <" + tag + "> has no closing quote");
                value = text.substr(position + 1, close - position - 1);
                position = close + 1;
            } else {
                size_t begin = position;
                while (position < text.size() && !IsSpace(text[position]) && text[position] != '>') ++position;
                value = text.substr(begin, position - begin);
            }
            attributes.emplace_back(name, DecodeEntities(value));
        }
    }

    const std::string& text;
    size_t position = 0;
    bool selfClosed = false;
};

}  // namespace

HtmlPage ParseHtmlPage(const std::string& text) { return Scanner(text).Run(); }

bool EqualsIgnoringCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

bool EndsWithIgnoringCase(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() && EqualsIgnoringCase(text.substr(text.size() - suffix.size()), suffix);
}

const std::string* FindAttribute(const std::vector<Attribute>& attributes, const std::string& name)
{
    for (const Attribute& attribute : attributes)
        if (EqualsIgnoringCase(attribute.first, name)) return &attribute.second;
    return nullptr;
}
