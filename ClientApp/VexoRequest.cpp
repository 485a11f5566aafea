// PLACEHOLDER: replaced by the request code.
#include "ClientApp/VexoRequest.h"

const char* const kVexoRequestSource = "ClientApp/VexoRequest";
void ReadTextFile(const std::string&, std::string& t) { t.clear(); }
BOOL ParseVexoLoadRequestFile(const std::string&, CKeyValueMap&) { return FALSE; }
BOOL IsValidName(const CKeyValueMap&) { return FALSE; }
BOOL IsValidServerName(const CKeyValueMap&) { return FALSE; }
BOOL IsValidType(const CKeyValueMap&) { return FALSE; }
int SubmitSaveRequest(CKeyValueMap&, CKeyValueMap&, HWND) { return 0; }
int SubmitSaveRequestFile(CKeyValueMap&, const char*, HWND) { return 0; }
std::string AskSavePath(CKeyValueMap&, HWND) { return {}; }
int SubmitUploadRequest(CKeyValueMap&, CKeyValueMap&, HWND) { return 0; }
std::string MakeTimeName(const char* p) { return p ? p : ""; }
std::string FormatTimeName(const char* p, std::uint32_t, unsigned) { return p ? p : ""; }
void WriteSubmissionFile(CKeyValueMap&, CKeyValueMap&) {}
