// PLACEHOLDER: replaced by the button window.
#include "plugin/ButtonWindow.h"
#include "plugin/PluginEntry.h"

const char* buttonClassName = "BUTTON";
void RegisterButtonClass() {}
LRESULT CALLBACK InstanceWindowProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }
extern "C" NPError NPP_SetWindow(NPP, NPWindow*) { return NPERR_NO_ERROR; }
