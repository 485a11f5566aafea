#include "request/PageRequest.h"

#include "win/AsciiText.h"

const char* const kDefaultCaption = "Vexo Save File";

namespace {

struct KeptAttribute {
    const char* name;
    std::optional<std::string> PageRequest::*field;
};
const KeptAttribute kKeptAttributes[] = {
    {"caption", &PageRequest::caption},       {"downloadurl", &PageRequest::downloadUrl},
    {"servername", &PageRequest::serverName}, {"name", &PageRequest::name},
    {"port", &PageRequest::port},             {"contenttype", &PageRequest::contentType},
    {"file", &PageRequest::file},             {"RECIPIENTS", &PageRequest::recipients},
    {"size", &PageRequest::size},
};

}  // namespace

void ApplyAttribute(PageRequest& request, const char* name, const char* value)
{
    if (!name) return;
    if (ascii::EqualsIgnoringCase(name, "src")) {
        request.hasSrc = true;
        return;
    }
    if (ascii::EqualsIgnoringCase(name, "upload")) {
        if (value && ascii::EqualsIgnoringCase(value, "true")) request.isUpload = true;
        return;
    }
    for (const KeptAttribute& attribute : kKeptAttributes) {
        if (ascii::EqualsIgnoringCase(name, attribute.name)) {
            std::optional<std::string>& field = request.*attribute.field;
            if (value)
                field = value;
            else
                field.reset();
            return;
        }
    }
}

bool IsRequestAttribute(const char* name)
{
    if (!name || ascii::EqualsIgnoringCase(name, "caption")) return false;
    if (ascii::EqualsIgnoringCase(name, "upload")) return true;
    for (const KeptAttribute& attribute : kKeptAttributes)
        if (ascii::EqualsIgnoringCase(name, attribute.name)) return true;
    return false;
}

void CompleteFromElement(PageRequest& request)
{
    if (!request.caption) request.caption = kDefaultCaption;
    if (request.hasSrc) request.file.reset();
}

PageRequest RequestFromAttributes(std::size_t count, const char* const* names, const char* const* values)
{
    PageRequest request;
    if (names && values)
        for (std::size_t index = 0; index < count; ++index) ApplyAttribute(request, names[index], values[index]);
    CompleteFromElement(request);
    return request;
}
