// The browser's services for one instance's click: NPN_Status, the DDE hand-off, its window.
#pragma once

#include "plugin/InstanceData.h"
#include "request/BrowserServices.h"

class InstanceBrowser : public BrowserServices {
public:
    explicit InstanceBrowser(InstanceData& record) : record(record) {}

    // Dropped once the browser has destroyed the instance: its NPP is gone.
    void ShowStatus(const char* text) override;
    void OpenUrl(const std::string& url) override;
    HWND OwnerWindow() const override;

private:
    InstanceData& record;
};
