// An open registry key, closed when the guard goes unless Close() already did so.
#pragma once

#include <windows.h>

class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey()
    {
        if (handle) RegCloseKey(handle);
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    HKEY* Receive() { return &handle; }
    HKEY Get() const { return handle; }
    LONG Close()
    {
        HKEY closing = handle;
        handle = nullptr;
        return RegCloseKey(closing);
    }

private:
    HKEY handle = nullptr;
};
