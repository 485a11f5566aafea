// Where a page's src points on this machine, the URL a browser shows for a local file, and the
// origin it names for an address.
#pragma once

#include <string>

// A src as a local path: file: URLs and paths relative to the page; empty for other schemes.
std::string ResolveSource(const std::string& pagePath, const std::string& src);

std::string FileUrl(const std::string& path);

// The origin Gecko serialized for a page's address (nsContentUtils::GetUTFOrigin):
// "scheme://host[:port]" without the scheme's default port, "null" for an address without a host,
// a file: page among them.
std::string SerializedOrigin(const std::string& address);

// The part after the last "\" or "/".
std::string BaseNameOf(const std::string& path);
