#include "client/BrowserHandoff.h"

#include <cstdio>
#include <cstring>

#include "win/AsciiText.h"
#include "win/Owned.h"

const char* const clientDownloadPage = "http://www.tolvane.example/download.html";

namespace {
const char* const kBrowserDdeKey = "http\\shell\\open\\ddeexec\\Application";
}  // namespace

bool IsSafeBrowserUrl(const char* url)
{
    if (!url) return false;
    const std::string text = url;
    if (!ascii::StartsWithIgnoringCase(text, "http://") && !ascii::StartsWithIgnoringCase(text, "https://"))
        return false;
    if (text.size() > kLongestBrowserUrl) return false;
    // A quote would end the URL field early and let the page fill the file-name, window and flags
    // fields; a control byte has no place in a URL.
    for (char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte == '"' || byte < 0x20 || byte == 0x7F) return false;
    }
    return true;
}

std::string ChooseDownloadPage(const char* pageDownloadUrl)
{
    return IsSafeBrowserUrl(pageDownloadUrl) ? pageDownloadUrl : clientDownloadPage;
}

void DdeHandoff::Initialize()
{
    instance = 0;
    initResult = DdeInitializeA(&instance, DdeNullCallback, APPCMD_CLIENTONLY, 0);
}

void DdeHandoff::Uninitialize()
{
    if (initResult != DMLERR_NO_ERROR) return;
    DdeUninitialize(instance);
    // The instance is gone: no later hand-off may use it.
    instance = 0;
    initResult = DMLERR_NOTPROCESSED;
}

LONG DdeHandoff::ReadBrowserDdeName()
{
    std::memset(browserDdeName, 0, sizeof(browserDdeName));
    OwnedKey key;
    LONG status = RegOpenKeyExA(HKEY_CLASSES_ROOT, kBrowserDdeKey, 0, KEY_READ, key.put());
    if (status != ERROR_SUCCESS) return status;

    DWORD size = sizeof(browserDdeName);
    status = RegQueryValueExA(key.get(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(browserDdeName), &size);
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

void DdeHandoff::OpenUrl(const char* serviceName, const std::string& url) const
{
    if (initResult != DMLERR_NO_ERROR || !serviceName || !IsSafeBrowserUrl(url.c_str())) return;

    OwnedDdeString service = MakeDdeString(instance, serviceName);
    if (!service) return;
    OwnedDdeString topic = MakeDdeString(instance, "WWW_OpenURL");
    if (!topic) return;
    OwnedConversation conversation(DdeConnect(instance, service.get(), topic.get(), nullptr));
    if (!conversation) return;

    char itemText[kLongestBrowserUrl + 16];
    int length = std::snprintf(itemText, sizeof(itemText), "\"%s\",,%ld,%ld", url.c_str(), 0L, 4L);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof(itemText)) return;
    OwnedDdeString item = MakeDdeString(instance, itemText);
    if (!item) return;

    DWORD transaction = 0;
    DdeClientTransaction(nullptr, 0, conversation.get(), item.get(), CF_TEXT, XTYP_REQUEST, TIMEOUT_ASYNC,
                         &transaction);

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
