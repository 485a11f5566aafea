// PLACEHOLDER: replaced by the request-data extraction.
#include "ClientApp/RequestData.h"

std::string JoinRequestFileLines(const std::string&) { return {}; }
bool ExtractRequestData(const std::string&, std::string&) { return false; }
bool IsTextWhitespace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
std::string TrimWhitespace(const std::string& t) { return t; }
