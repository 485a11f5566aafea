#include "ClientApp/RequestDispatch.h"

#include "clientlink/ClientSignal.h"
#include "clientlink/SettingsStore.h"

int CheckConfiguration()
{
    productKeyPath = kProductKeyPath;
    clientInstanceName = kClientInstanceName;
    try {
        settingsMap.LoadFromRegistry(productKeyPath, HKEY_CURRENT_USER);
    } catch (const FormatException&) {
        return 0;
    }
    StartClientIfNeeded(settingsMap);
    return 1;
}

// PLACEHOLDER: replaced by the request dispatch.
int DispatchRequest(InstanceData*, const char*, int) { return 0; }
