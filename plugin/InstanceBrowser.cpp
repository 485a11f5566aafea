#include "plugin/InstanceBrowser.h"

#include "plugin/ModuleState.h"
#include "plugin/PluginEntry.h"

void InstanceBrowser::ShowStatus(const char* text)
{
    if (!record.destroyed) NPN_Status(record.instance, text);
}

void InstanceBrowser::OpenUrl(const std::string& url)
{
    moduleState.dde.OpenUrl(moduleState.dde.BrowserDdeName(), url);
}

HWND InstanceBrowser::OwnerWindow() const
{
    return record.window ? static_cast<HWND>(record.window->window) : nullptr;
}
