#include "vxhost/PageSources.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "common/ToolText.h"

namespace {

std::string FolderOf(const std::string& path)
{
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

bool IsAbsoluteWindowsPath(const std::string& path)
{
    return (path.size() > 2 && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) ||
           (path.size() > 1 && (path[0] == '\\' || path[0] == '/'));
}

std::string PercentDecoded(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::strtol(text.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string Lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(tolower(c)); });
    return text;
}

}  // namespace

std::string ResolveSource(const std::string& pagePath, const std::string& src)
{
    std::string path = src.substr(0, src.find_first_of("?#"));
    if (path.compare(0, 8, "file:///") == 0) {
        path = PercentDecoded(path.substr(8));
    } else {
        size_t colon = path.find(':');
        if (colon != std::string::npos && colon > 1 && path.find_first_of("/\\") > colon) return {};
        path = PercentDecoded(path);
    }
    std::replace(path.begin(), path.end(), '/', '\\');
    if (!IsAbsoluteWindowsPath(path)) path = FolderOf(pagePath) + "\\" + path;
    return FullPath(path);
}

std::string FileUrl(const std::string& path)
{
    std::string url = "file:///";
    for (char c : path) url += c == '\\' ? '/' : c;
    return url;
}

std::string SerializedOrigin(const std::string& address)
{
    const size_t separator = address.find("://");
    if (separator == std::string::npos || separator == 0) return "null";
    const std::string scheme = Lowered(address.substr(0, separator));
    const size_t start = separator + 3;
    std::string authority = address.substr(start, address.find_first_of("/?#", start) - start);
    const size_t at = authority.rfind('@');
    if (at != std::string::npos) authority.erase(0, at + 1);
    size_t portColon = authority.rfind(':');
    if (portColon != std::string::npos && authority.find(']', portColon) != std::string::npos) portColon = std::string::npos;
    const std::string host = Lowered(authority.substr(0, portColon));
    std::string port = portColon == std::string::npos ? "" : authority.substr(portColon + 1);
    if ((scheme == "http" && port == "80") || (scheme == "https" && port == "443") || (scheme == "ftp" && port == "21"))
        port.clear();
    if (host.empty()) return "null";
    return scheme + "://" + host + (port.empty() ? "" : ":" + port);
}

std::string BaseNameOf(const std::string& path)
{
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
