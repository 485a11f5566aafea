// A plug-in that writes down every call the host makes, so that the tests can compare the host's
// behaviour with what a browser does. Its button runs the action named by the "action" attribute.
// The record goes to the file named by the environment variable VXPROBE_LOG.
#include <windows.h>
#include <commdlg.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "plugin/npapi.h"

namespace {

NPNetscapeFuncs* browser = nullptr;

void Record(const std::string& line)
{
    char path[MAX_PATH] = "";
    if (!GetEnvironmentVariableA("VXPROBE_LOG", path, sizeof path)) return;
    FILE* file = fopen(path, "ab");
    if (!file) return;
    fprintf(file, "%s\n", line.c_str());
    fclose(file);
}

std::string Number(long value) { return std::to_string(value); }

struct Probe {
    NPP instance;
    HWND window;
    HWND button;
    WNDPROC savedProc;
    char action[64];
    int32_t writeReady;
    uint16_t streamType;
    std::string* received;
};

Probe* ProbeOf(NPP instance) { return instance ? static_cast<Probe*>(instance->pdata) : nullptr; }

void Status(Probe* probe, const char* text) { browser->status(probe->instance, text); }

void RunAction(Probe* probe)
{
    std::string action = probe->action;
    Record("click " + action);
    if (action == "status") {
        Status(probe, "Document : Done");
    } else if (action == "save") {
        char file[512] = "proposed.dat";
        OPENFILENAMEA request{};
        request.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
        request.hwndOwner = probe->window;
        request.lpstrFilter = "All Files \0 *.*\0";
        request.nFilterIndex = 1;
        request.lpstrFile = file;
        request.nMaxFile = sizeof file;
        request.lpstrTitle = "Probe Save";
        request.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_EXPLORER | OFN_LONGNAMES;
        if (GetSaveFileNameA(&request)) {
            Record(std::string("saved ") + file);
            Status(probe, "Document : Done");
        } else {
            Record("save cancelled");
            Status(probe, "Tolvane Save request cancelled");
        }
    } else if (action == "box") {
        int answer = MessageBoxA(nullptr, "Probe question", "Probe Box", MB_YESNO);
        Record("box answered " + Number(answer));
        Status(probe, "Document: Done");
    } else if (action == "failure") {
        Status(probe, "Tolvane save request failed : Format Exception");
        MessageBoxA(nullptr, "Tolvane save request failed", "Error", MB_OK);
        Record("failure box closed");
    } else if (action == "leak") {
        // One event handle lost per click, for the host's flatness check to find.
        CreateEventA(nullptr, FALSE, FALSE, nullptr);
        Status(probe, "Document : Done");
    } else if (action == "hang") {
        Sleep(INFINITE);
    } else if (action == "crash") {
        *static_cast<volatile int*>(nullptr) = 1;
    }
    // "nostatus" and anything else: no status text at all.
}

LRESULT CALLBACK ProbeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Probe* probe = static_cast<Probe*>(GetPropA(window, "probe"));
    if (!probe) return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_COMMAND && reinterpret_cast<HWND>(lParam) == probe->button && HIWORD(wParam) == BN_CLICKED) {
        EnableWindow(probe->button, FALSE);
        RunAction(probe);
        EnableWindow(probe->button, TRUE);
        return 0;
    }
    return CallWindowProcA(probe->savedProc, window, message, wParam, lParam);
}

NPError New(NPMIMEType type, NPP instance, uint16_t mode, int16_t argc, char* argn[], char* argv[], NPSavedData*)
{
    Probe* probe = static_cast<Probe*>(browser->memalloc(sizeof(Probe)));
    if (!probe) return NPERR_OUT_OF_MEMORY_ERROR;
    memset(probe, 0, sizeof *probe);
    instance->pdata = probe;
    probe->instance = instance;
    probe->writeReady = 0x0FFFFFFF;
    probe->streamType = NP_ASFILE;
    probe->received = new std::string;
    Record(std::string("NPP_New type=") + type + " mode=" + Number(mode) + " argc=" + Number(argc));
    for (int i = 0; i < argc; ++i) {
        // A browser may pass a name without a value (Gecko's "PARAM" separator).
        Record(std::string("  ") + argn[i] + (argv[i] ? "=\"" + std::string(argv[i]) + "\"" : " (null)"));
        if (!argv[i]) continue;
        if (_stricmp(argn[i], "action") == 0) snprintf(probe->action, sizeof probe->action, "%s", argv[i]);
        if (_stricmp(argn[i], "writeready") == 0) probe->writeReady = atoi(argv[i]);
        if (_stricmp(argn[i], "streamtype") == 0) probe->streamType = static_cast<uint16_t>(atoi(argv[i]));
    }
    // action="refuse": NPP_New fails, and keeps nothing for a browser that destroys the instance anyway.
    if (strcmp(probe->action, "refuse") != 0) return NPERR_NO_ERROR;
    delete probe->received;
    browser->memfree(probe);
    instance->pdata = nullptr;
    return NPERR_GENERIC_ERROR;
}

NPError Destroy(NPP instance, NPSavedData**)
{
    Probe* probe = ProbeOf(instance);
    if (!probe) {
        Record("NPP_Destroy without an instance");
        return NPERR_INVALID_INSTANCE_ERROR;
    }
    Record("NPP_Destroy " + std::string(probe->action));
    if (probe->window) SetWindowLongPtrA(probe->window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(probe->savedProc));
    delete probe->received;
    browser->memfree(probe);
    instance->pdata = nullptr;
    return NPERR_NO_ERROR;
}

NPError SetWindow(NPP instance, NPWindow* window)
{
    Probe* probe = ProbeOf(instance);
    if (!probe) return NPERR_INVALID_INSTANCE_ERROR;
    if (!window || !window->window) {
        if (window) Record("NPP_SetWindow null window " + Number(window->width) + "x" + Number(window->height));
        return NPERR_NO_ERROR;
    }
    if (probe->window) {
        Record("NPP_SetWindow again at " + Number(window->x) + "," + Number(window->y) + " clip " +
               Number(window->clipRect.left) + "," + Number(window->clipRect.top) + "-" +
               Number(window->clipRect.right) + "," + Number(window->clipRect.bottom) +
               (GetParent(probe->window) == GetAncestor(probe->window, GA_ROOT) ? "" : " in a wrapper window"));
        return NPERR_NO_ERROR;
    }
    HWND hwnd = static_cast<HWND>(window->window);
    RECT client{};
    GetClientRect(hwnd, &client);
    HWND browserWindow = nullptr;
    browser->getvalue(instance, NPNVnetscapeWindow, &browserWindow);
    bool child = (GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD) != 0;
    Record("NPP_SetWindow " + Number(window->width) + "x" + Number(window->height) + " client " +
           Number(client.right) + "x" + Number(client.bottom) + (child ? " child" : " not-child") +
           (GetAncestor(hwnd, GA_ROOT) == browserWindow ? " of the browser window" : " elsewhere") +
           " type " + Number(window->type));
    probe->window = hwnd;
    SetPropA(hwnd, "probe", probe);
    probe->savedProc =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ProbeWindowProc)));
    probe->button = CreateWindowExA(0, "BUTTON", probe->action[0] ? probe->action : "probe", WS_CHILD | WS_VISIBLE, 0, 0,
                                    client.right, client.bottom, hwnd, nullptr, nullptr, nullptr);
    return NPERR_NO_ERROR;
}

NPError NewStream(NPP instance, NPMIMEType type, NPStream* stream, NPBool seekable, uint16_t* streamType)
{
    Probe* probe = ProbeOf(instance);
    if (!probe) return NPERR_INVALID_INSTANCE_ERROR;
    Record(std::string("NPP_NewStream type=") + type + " url=" + stream->url + " end=" + Number(stream->end) +
           " seekable=" + Number(seekable) + " offered=" + Number(*streamType));
    *streamType = probe->streamType;
    return NPERR_NO_ERROR;
}

int32_t WriteReady(NPP instance, NPStream*)
{
    Probe* probe = ProbeOf(instance);
    return probe ? probe->writeReady : 0;
}

int32_t Write(NPP instance, NPStream*, int32_t offset, int32_t length, void* buffer)
{
    Probe* probe = ProbeOf(instance);
    if (!probe) return -1;
    Record("NPP_Write offset=" + Number(offset) + " len=" + Number(length));
    probe->received->append(static_cast<const char*>(buffer), static_cast<size_t>(length));
    return length;
}

void StreamAsFile(NPP instance, NPStream*, const char* fileName)
{
    Probe* probe = ProbeOf(instance);
    if (!probe) return;
    std::string content;
    if (FILE* file = fileName ? fopen(fileName, "rb") : nullptr) {
        char buffer[4096];
        size_t got;
        while ((got = fread(buffer, 1, sizeof buffer, file)) > 0) content.append(buffer, got);
        fclose(file);
    }
    Record(std::string("NPP_StreamAsFile file=") + (fileName ? "given" : "none") +
           " bytes=" + Number(static_cast<long>(content.size())) +
           (content == *probe->received ? " same-as-written" : " differs-from-written"));
    Record(std::string("  content=") + content.substr(0, content.find_first_of("\r\n")));
}

NPError DestroyStream(NPP instance, NPStream*, NPReason reason)
{
    if (!ProbeOf(instance)) return NPERR_INVALID_INSTANCE_ERROR;
    Record("NPP_DestroyStream reason=" + Number(reason));
    return NPERR_NO_ERROR;
}

}  // namespace

extern "C" NPError WINAPI NP_GetEntryPoints(NPPluginFuncs* funcs)
{
    if (!funcs) return NPERR_INVALID_FUNCTABLE_ERROR;
    Record("NP_GetEntryPoints size=" + Number(funcs->size));
    funcs->version = 9;
    funcs->newp = New;
    funcs->destroy = Destroy;
    funcs->setwindow = SetWindow;
    funcs->newstream = NewStream;
    funcs->destroystream = DestroyStream;
    funcs->asfile = StreamAsFile;
    funcs->writeready = WriteReady;
    funcs->write = Write;
    return NPERR_NO_ERROR;
}

extern "C" NPError WINAPI NP_Initialize(NPNetscapeFuncs* funcs)
{
    if (!funcs) return NPERR_INVALID_FUNCTABLE_ERROR;
    browser = funcs;
    char version[16];
    snprintf(version, sizeof version, "0x%04X", funcs->version);
    void* block = funcs->memalloc(64);
    funcs->memfree(block);
    Record(std::string("NP_Initialize version=") + version + " size=" + Number(funcs->size) +
           (block ? " memalloc works" : " memalloc failed") + " agent=" + funcs->uagent(nullptr));
    return NPERR_NO_ERROR;
}

extern "C" NPError WINAPI NP_Shutdown()
{
    Record("NP_Shutdown");
    browser = nullptr;
    return NPERR_NO_ERROR;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    // Lets a test see how the host reports a library that refuses to load.
    char refuse[8] = "";
    if (reason == DLL_PROCESS_ATTACH && GetEnvironmentVariableA("VXPROBE_REFUSE_LOAD", refuse, sizeof refuse))
        return FALSE;
    return TRUE;
}
