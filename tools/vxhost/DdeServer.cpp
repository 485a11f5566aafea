#include "vxhost/DdeServer.h"

#include <windows.h>
#include <ddeml.h>

#include <stdexcept>

#include "vxhost/HostOutput.h"
#include "win/Owned.h"

namespace {

DWORD ddeInstance = 0;
// Freed in StopDdeServer, before the DDE instance they belong to is uninitialized.
OwnedDdeString serviceHandle;
OwnedDdeString topicHandle;
int requestCount = 0;

std::string StringOf(HSZ handle)
{
    char buffer[1024] = "";
    DdeQueryStringA(ddeInstance, handle, buffer, sizeof buffer, CP_WINANSI);
    return buffer;
}

HDDEDATA CALLBACK OnDdeTransaction(UINT type, UINT format, HCONV conversation, HSZ topic, HSZ item, HDDEDATA,
                                   ULONG_PTR, ULONG_PTR)
{
    switch (type) {
    case XTYP_CONNECT:
        return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(DdeCmpStringHandles(topic, topicHandle.get()) == 0));
    case XTYP_REQUEST: {
        if (DdeCmpStringHandles(topic, topicHandle.get()) != 0) return nullptr;
        std::string itemText = StringOf(item);
        ++requestCount;
        PrintLine("dde", "WWW_OpenURL " + itemText);
        PrintLine("browser", "open " + UrlOfOpenUrlItem(itemText));
        // Browsers answered with the identifier of the window that shows the page.
        DWORD windowId = 1;
        return DdeCreateDataHandle(ddeInstance, reinterpret_cast<BYTE*>(&windowId), sizeof windowId, 0, item,
                                   format, 0);
    }
    default:
        (void)conversation;
        return nullptr;
    }
}

}  // namespace

std::string UrlOfOpenUrlItem(const std::string& item)
{
    if (!item.empty() && item[0] == '"') {
        size_t close = item.find('"', 1);
        return item.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    }
    return item.substr(0, item.find(','));
}

void StartDdeServer(const std::string& serviceName)
{
    UINT status = DdeInitializeA(&ddeInstance, OnDdeTransaction,
                                 APPCLASS_STANDARD | CBF_FAIL_ADVISES | CBF_FAIL_POKES | CBF_FAIL_EXECUTES |
                                     CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS,
                                 0);
    if (status != DMLERR_NO_ERROR) throw std::runtime_error("DdeInitializeA failed with " + std::to_string(status));
    serviceHandle = MakeDdeString(ddeInstance, serviceName.c_str());
    topicHandle = MakeDdeString(ddeInstance, "WWW_OpenURL");
    if (!serviceHandle || !topicHandle || !DdeNameService(ddeInstance, serviceHandle.get(), nullptr, DNS_REGISTER)) {
        UINT error = DdeGetLastError(ddeInstance);
        StopDdeServer();
        throw std::runtime_error("cannot register the DDE service " + serviceName + " (DDE error " +
                                 std::to_string(error) + ")");
    }
}

void StopDdeServer()
{
    if (!ddeInstance) return;
    if (serviceHandle) DdeNameService(ddeInstance, serviceHandle.get(), nullptr, DNS_UNREGISTER);
    serviceHandle.reset();
    topicHandle.reset();
    DdeUninitialize(ddeInstance);
    ddeInstance = 0;
}

int OpenUrlRequestCount() { return requestCount; }
