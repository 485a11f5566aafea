#include "clientlink/BrowserHandoff.h"

#include <cstdio>
#include <cstring>

#include "plugin/InstanceData.h"
#include "win/Owned.h"

DWORD ddeInstance = 0;
UINT ddeInitResult = DMLERR_NOTPROCESSED;
char browserDdeName[511] = "";
const char* const clientDownloadPage = "http://www.tolvane.example/download.html";

namespace {

const char* const kBrowserDdeKey = "http\\shell\\open\\ddeexec\\Application";

bool StartsWithIgnoringCase(const char* text, const char* prefix)
{
    for (; *prefix; ++text, ++prefix) {
        const char c = (*text >= 'A' && *text <= 'Z') ? static_cast<char>(*text - 'A' + 'a') : *text;
        if (c != *prefix) return false;
    }
    return true;
}

}  // namespace

bool IsSafeBrowserUrl(const char* url)
{
    if (!StartsWithIgnoringCase(url, "http://") && !StartsWithIgnoringCase(url, "https://")) return false;
    const std::size_t length = std::strlen(url);
    if (length > kLongestBrowserUrl) return false;
    // A quote would end the URL field early and let the page fill the file-name, window and flags
    // fields; a control byte has no place in a URL.
    for (std::size_t index = 0; index < length; ++index) {
        const unsigned char c = static_cast<unsigned char>(url[index]);
        if (c == '"' || c < 0x20 || c == 0x7F) return false;
    }
    return true;
}

void InitializeDde()
{
    ddeInstance = 0;
    ddeInitResult = DdeInitializeA(&ddeInstance, DdeNullCallback, APPCMD_CLIENTONLY, 0);
}

void UninitializeDde()
{
    if (ddeInitResult != DMLERR_NO_ERROR) return;
    DdeUninitialize(ddeInstance);
    // The instance is gone: no later hand-off may use it.
    ddeInstance = 0;
    ddeInitResult = DMLERR_NOTPROCESSED;
}

LONG ReadBrowserDdeName()
{
    std::memset(browserDdeName, 0, sizeof(browserDdeName));
    OwnedKey key;
    LONG status = RegOpenKeyExA(HKEY_CLASSES_ROOT, kBrowserDdeKey, 0, KEY_READ, key.put());
    if (status != ERROR_SUCCESS) return status;

    DWORD size = sizeof(browserDdeName);
    status = RegQueryValueExA(key.get(), nullptr, nullptr, nullptr,
                              reinterpret_cast<BYTE*>(browserDdeName), &size);
    if (status != ERROR_SUCCESS) {
        std::memset(browserDdeName, 0, sizeof(browserDdeName));
        return status;
    }
    // The data need not end in a NUL. A name that leaves no room for one does not fit.
    if (size > sizeof(browserDdeName)) size = sizeof(browserDdeName);
    const void* end = std::memchr(browserDdeName, '\0', size);
    if (!end) {
        if (size == sizeof(browserDdeName)) {
            std::memset(browserDdeName, 0, sizeof(browserDdeName));
            return ERROR_MORE_DATA;
        }
        browserDdeName[size] = '\0';
    }
    return ERROR_SUCCESS;
}

void OpenUrlInBrowser(const InstanceData* record, const char* serviceName)
{
    if (ddeInitResult != DMLERR_NO_ERROR || !serviceName) return;

    OwnedDdeString service = MakeDdeString(ddeInstance, serviceName);
    if (!service) return;
    OwnedDdeString topic = MakeDdeString(ddeInstance, "WWW_OpenURL");
    if (!topic) return;
    OwnedConversation conversation(DdeConnect(ddeInstance, service.get(), topic.get(), nullptr));
    if (!conversation) return;

    // The page's address goes out only when the item carries it as a URL and nothing else; any
    // other downloadurl gets the client download page, which is what the user said Yes to.
    const char* url = record && record->downloadUrl && IsSafeBrowserUrl(record->downloadUrl)
                          ? record->downloadUrl
                          : clientDownloadPage;
    char itemText[kLongestBrowserUrl + 16];
    int length = std::snprintf(itemText, sizeof(itemText), "\"%s\",,%ld,%ld", url, 0L, 4L);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof(itemText)) return;
    OwnedDdeString item = MakeDdeString(ddeInstance, itemText);
    if (!item) return;

    DWORD transaction = 0;
    DdeClientTransaction(nullptr, 0, conversation.get(), item.get(), CF_TEXT, XTYP_REQUEST,
                         TIMEOUT_ASYNC, &transaction);

    // The strings go first, in this order, then the conversation; an early return frees them too.
    topic.reset();
    service.reset();
    item.reset();
    conversation.reset();
}

HDDEDATA CALLBACK DdeNullCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR)
{
    return nullptr;
}
