#include "bridge/BridgeClick.h"

#include "bridge/Base64.h"
#include "bridge/Json.h"

namespace {

using Kind = JsonValue::Kind;

// The texts pass to the plug-in's code as C strings, which would end them at a NUL: refused
// rather than cut.
bool IsCString(const std::string& text)
{
    return text.find('\0') == std::string::npos;
}

// The member's name as the error texts show it.
std::string Quoted(const char* within, const char* name)
{
    return std::string("\"") + within + name + "\"";
}

// The member of that name and kind; null with the error when it is missing or of another kind.
const JsonValue* Required(const JsonValue& object, const char* within, const char* name, Kind kind,
                          std::string& error)
{
    const JsonValue* member = object.Member(name);
    const char* kindName = kind == Kind::string ? "a string" : kind == Kind::array ? "an array" : "an object";
    if (member == nullptr) {
        error = Quoted(within, name) + " is missing";
    } else if (member->kind != kind) {
        error = Quoted(within, name) + " is not " + kindName;
        member = nullptr;
    }
    return member;
}

// A string member of the request file that reaches the plug-in's code.
bool FileText(const JsonValue& file, const char* name, std::string& value, std::string& error)
{
    const JsonValue* member = Required(file, "requestFile.", name, Kind::string, error);
    if (member == nullptr) return false;
    if (!IsCString(member->text)) {
        error = Quoted("requestFile.", name) + " holds a NUL character";
        return false;
    }
    value = member->text;
    return true;
}

// The type value as the error reply quotes it: at most 64 bytes, cut at a character boundary.
std::string QuotedType(const std::string& type)
{
    std::size_t end = 0;
    while (end < type.size()) {
        const std::size_t length = Utf8SequenceLength(type, end);
        if (length == 0 || end + length > 64) break;
        end += length;
    }
    return "\"" + type.substr(0, end) + (end < type.size() ? "...\"" : "\"");
}

bool ReadType(const JsonValue& message, std::string& error)
{
    const JsonValue* type = Required(message, "", "type", Kind::string, error);
    if (type == nullptr) return false;
    if (type->text != "click") {
        error = "message type " + QuotedType(type->text) + " is not \"click\"";
        return false;
    }
    return true;
}

bool ReadAttributes(const JsonValue& message, BridgeClick& click, std::string& error)
{
    const JsonValue* attributes = Required(message, "", "attributes", Kind::array, error);
    if (attributes == nullptr) return false;
    if (attributes->items.size() > kMostClickAttributes) {
        error = "more than " + std::to_string(kMostClickAttributes) + " attributes";
        return false;
    }
    for (std::size_t i = 0; i < attributes->items.size(); ++i) {
        const JsonValue& pair = attributes->items[i];
        if (pair.kind != Kind::array || pair.items.size() != 2 || pair.items[0].kind != Kind::string ||
            pair.items[1].kind != Kind::string) {
            error = "attribute " + std::to_string(i) + " is not a [name, value] pair of strings";
            return false;
        }
        if (!IsCString(pair.items[0].text) || !IsCString(pair.items[1].text)) {
            error = "attribute " + std::to_string(i) + " holds a NUL character";
            return false;
        }
        click.attributes.emplace_back(pair.items[0].text, pair.items[1].text);
    }
    return true;
}

bool ReadRequestFile(const JsonValue& message, BridgeRequestFile& file, std::string& error)
{
    if (message.Member("requestFile") == nullptr) return true;
    const JsonValue* member = Required(message, "", "requestFile", Kind::object, error);
    if (member == nullptr || !FileText(*member, "url", file.url, error)) return false;

    const JsonValue* bytes = member->Member("bytes");
    const JsonValue* tooLarge = member->Member("tooLarge");
    const JsonValue* failed = member->Member("failed");
    const int present = (bytes != nullptr) + (tooLarge != nullptr) + (failed != nullptr);
    if (present != 1) {
        error = std::string("\"requestFile\" holds ") + (present == 0 ? "none" : "more than one") +
                " of \"bytes\", \"tooLarge\" and \"failed\"";
        return false;
    }
    if (bytes != nullptr) {
        if (Required(*member, "requestFile.", "bytes", Kind::string, error) == nullptr) return false;
        switch (DecodeBase64(bytes->text, kLargestRequestFile, file.bytes)) {
        case Base64Result::decoded:
            file.kind = BridgeRequestFile::Kind::bytes;
            return true;
        case Base64Result::tooLarge:
            error = "\"requestFile.bytes\" holds more than " + std::to_string(kLargestRequestFile) + " bytes";
            return false;
        case Base64Result::invalid:
            break;
        }
        error = "\"requestFile.bytes\" is not valid base64";
        return false;
    }
    if (tooLarge != nullptr) {
        if (tooLarge->kind != Kind::boolean || !tooLarge->boolean) {
            error = "\"requestFile.tooLarge\" is not true";
            return false;
        }
        file.kind = BridgeRequestFile::Kind::tooLarge;
        return true;
    }
    if (!FileText(*member, "failed", file.failure, error)) return false;
    file.kind = BridgeRequestFile::Kind::failed;
    return true;
}

bool ReadOrigin(const JsonValue& sender, const char* name, std::string& origin, std::string& error)
{
    const JsonValue* member = Required(sender, "sender.", name, Kind::string, error);
    if (member == nullptr) return false;
    if (!IsSerializedOrigin(member->text)) {
        error = Quoted("sender.", name) + " is not a serialized origin";
        return false;
    }
    origin = member->text;
    return true;
}

bool ReadSender(const JsonValue& message, BridgeSender& sender, std::string& error)
{
    const JsonValue* member = Required(message, "", "sender", Kind::object, error);
    if (member == nullptr || !ReadOrigin(*member, "origin", sender.origin, error) ||
        !ReadOrigin(*member, "topOrigin", sender.topOrigin, error)) {
        return false;
    }
    const JsonValue* frame = Required(*member, "sender.", "frame", Kind::string, error);
    if (frame == nullptr) return false;
    if (!SenderFrameNamed(frame->text, sender.frame)) {
        error = "\"sender.frame\" is not \"top\", \"sameSite\" or \"crossSite\"";
        return false;
    }
    if (sender.frame == SenderFrame::top && sender.topOrigin != sender.origin) {
        error = "\"sender.topOrigin\" differs from \"sender.origin\" in the top frame";
        return false;
    }
    if (sender.frame == SenderFrame::sameSite && !MayBeSameSite(sender.origin, sender.topOrigin)) {
        error = "\"sender.origin\" and \"sender.topOrigin\" are of different sites in a same-site frame";
        return false;
    }
    return true;
}

}  // namespace

bool ParseClickMessage(const std::string& message, BridgeClick& click, std::string& error)
{
    click = BridgeClick();
    JsonValue json;
    std::string reason;
    if (!ParseJson(message, json, reason)) {
        error = "message is not valid JSON: " + reason;
        return false;
    }
    if (json.kind != Kind::object) {
        error = "message is not a JSON object";
        return false;
    }
    if (ReadType(json, error) && ReadAttributes(json, click, error) &&
        ReadRequestFile(json, click.requestFile, error) && ReadSender(json, click.sender, error)) {
        return true;
    }
    click = BridgeClick();
    return false;
}
