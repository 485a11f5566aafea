// PLACEHOLDER: replaced by the DDE hand-off.
#include "clientlink/BrowserHandoff.h"

DWORD ddeInstance = 0;
UINT ddeInitResult = DMLERR_NOTPROCESSED;
char browserDdeName[511] = "";
const char* const clientDownloadPage = "http://www.tolvane.example/download.html";
void InitializeDde() {}
void UninitializeDde() {}
LONG ReadBrowserDdeName() { return ERROR_FILE_NOT_FOUND; }
void OpenUrlInBrowser(const InstanceData*, const char*) {}
HDDEDATA CALLBACK DdeNullCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) { return nullptr; }
