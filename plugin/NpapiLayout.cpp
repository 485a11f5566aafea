// Our NPAPI declarations against the published Windows layouts. A browser reads and writes these
// structures at fixed offsets, so a slot out of place is a crash in the browser; the build stops
// instead. The published headers set no packing on Windows: every member sits at its natural
// alignment, which puts each pointer at a multiple of 4 in a 32-bit browser and of 8 in a 64-bit one.
#include <cstddef>

#include "plugin/npapi.h"

namespace {

static_assert(sizeof(void*) == 4 || sizeof(void*) == 8, "a 32-bit or a 64-bit Windows browser");

constexpr size_t ForBrowser(size_t win32, size_t win64) { return sizeof(void*) == 8 ? win64 : win32; }

#define VX_AT(type, member, win32, win64) \
    static_assert(offsetof(type, member) == ForBrowser(win32, win64), "offset of " #type "::" #member)
#define VX_SIZE(type, win32, win64) \
    static_assert(sizeof(type) == ForBrowser(win32, win64), "size of " #type)

VX_AT(NPP_t, pdata, 0, 0);
VX_AT(NPP_t, ndata, 4, 8);
VX_SIZE(NPP_t, 8, 16);

VX_AT(NPRect, top, 0, 0);
VX_AT(NPRect, left, 2, 2);
VX_AT(NPRect, bottom, 4, 4);
VX_AT(NPRect, right, 6, 6);
VX_SIZE(NPRect, 8, 8);

static_assert(sizeof(NPWindowType) == 4, "size of NPWindowType");
VX_AT(NPWindow, window, 0, 0);
VX_AT(NPWindow, x, 4, 8);
VX_AT(NPWindow, y, 8, 12);
VX_AT(NPWindow, width, 12, 16);
VX_AT(NPWindow, height, 16, 20);
VX_AT(NPWindow, clipRect, 20, 24);
VX_AT(NPWindow, type, 28, 32);
VX_SIZE(NPWindow, 32, 40);

VX_AT(NPStream, pdata, 0, 0);
VX_AT(NPStream, ndata, 4, 8);
VX_AT(NPStream, url, 8, 16);
VX_AT(NPStream, end, 12, 24);
VX_AT(NPStream, lastmodified, 16, 28);
VX_AT(NPStream, notifyData, 20, 32);
VX_AT(NPStream, headers, 24, 40);
VX_SIZE(NPStream, 28, 48);

VX_AT(NPByteRange, offset, 0, 0);
VX_AT(NPByteRange, length, 4, 4);
VX_AT(NPByteRange, next, 8, 8);
VX_SIZE(NPByteRange, 12, 16);

VX_AT(NPSavedData, len, 0, 0);
VX_AT(NPSavedData, buf, 4, 8);
VX_SIZE(NPSavedData, 8, 16);

VX_AT(NPFullPrint, pluginPrinted, 0, 0);
VX_AT(NPFullPrint, printOne, 1, 1);
VX_AT(NPFullPrint, platformPrint, 4, 8);
VX_SIZE(NPFullPrint, 8, 16);

VX_AT(NPEmbedPrint, window, 0, 0);
VX_AT(NPEmbedPrint, platformPrint, 32, 40);
VX_SIZE(NPEmbedPrint, 36, 48);

VX_AT(NPPrint, mode, 0, 0);
VX_AT(NPPrint, print, 4, 8);
VX_AT(NPPrint, print.fullPrint.pluginPrinted, 4, 8);
VX_AT(NPPrint, print.fullPrint.printOne, 5, 9);
VX_AT(NPPrint, print.fullPrint.platformPrint, 8, 16);
VX_AT(NPPrint, print.embedPrint.window, 4, 8);
VX_AT(NPPrint, print.embedPrint.platformPrint, 36, 48);
VX_SIZE(NPPrint, 40, 56);

// The function tables: two 16-bit words, then one pointer per slot.
VX_AT(NPPluginFuncs, size, 0, 0);
VX_AT(NPPluginFuncs, version, 2, 2);
VX_AT(NPPluginFuncs, newp, 4, 8);
VX_AT(NPPluginFuncs, destroy, 8, 16);
VX_AT(NPPluginFuncs, setwindow, 12, 24);
VX_AT(NPPluginFuncs, newstream, 16, 32);
VX_AT(NPPluginFuncs, destroystream, 20, 40);
VX_AT(NPPluginFuncs, asfile, 24, 48);
VX_AT(NPPluginFuncs, writeready, 28, 56);
VX_AT(NPPluginFuncs, write, 32, 64);
VX_AT(NPPluginFuncs, print, 36, 72);
VX_AT(NPPluginFuncs, event, 40, 80);
VX_AT(NPPluginFuncs, urlnotify, 44, 88);
VX_AT(NPPluginFuncs, javaClass, 48, 96);
VX_AT(NPPluginFuncs, getvalue, 52, 104);
VX_AT(NPPluginFuncs, setvalue, 56, 112);
VX_SIZE(NPPluginFuncs, 60, 120);

VX_AT(NPNetscapeFuncs, size, 0, 0);
VX_AT(NPNetscapeFuncs, version, 2, 2);
VX_AT(NPNetscapeFuncs, geturl, 4, 8);
VX_AT(NPNetscapeFuncs, posturl, 8, 16);
VX_AT(NPNetscapeFuncs, requestread, 12, 24);
VX_AT(NPNetscapeFuncs, newstream, 16, 32);
VX_AT(NPNetscapeFuncs, write, 20, 40);
VX_AT(NPNetscapeFuncs, destroystream, 24, 48);
VX_AT(NPNetscapeFuncs, status, 28, 56);
VX_AT(NPNetscapeFuncs, uagent, 32, 64);
VX_AT(NPNetscapeFuncs, memalloc, 36, 72);
VX_AT(NPNetscapeFuncs, memfree, 40, 80);
VX_AT(NPNetscapeFuncs, memflush, 44, 88);
VX_AT(NPNetscapeFuncs, reloadplugins, 48, 96);
VX_AT(NPNetscapeFuncs, getJavaEnv, 52, 104);
VX_AT(NPNetscapeFuncs, getJavaPeer, 56, 112);
VX_AT(NPNetscapeFuncs, geturlnotify, 60, 120);
VX_AT(NPNetscapeFuncs, posturlnotify, 64, 128);
VX_AT(NPNetscapeFuncs, getvalue, 68, 136);
VX_AT(NPNetscapeFuncs, setvalue, 72, 144);
VX_AT(NPNetscapeFuncs, invalidaterect, 76, 152);
VX_AT(NPNetscapeFuncs, invalidateregion, 80, 160);
VX_AT(NPNetscapeFuncs, forceredraw, 84, 168);
VX_AT(NPNetscapeFuncs, getstringidentifier, 88, 176);
VX_AT(NPNetscapeFuncs, getstringidentifiers, 92, 184);
VX_AT(NPNetscapeFuncs, getintidentifier, 96, 192);
VX_AT(NPNetscapeFuncs, identifierisstring, 100, 200);
VX_AT(NPNetscapeFuncs, utf8fromidentifier, 104, 208);
VX_AT(NPNetscapeFuncs, intfromidentifier, 108, 216);
VX_AT(NPNetscapeFuncs, createobject, 112, 224);
VX_AT(NPNetscapeFuncs, retainobject, 116, 232);
VX_AT(NPNetscapeFuncs, releaseobject, 120, 240);
VX_AT(NPNetscapeFuncs, invoke, 124, 248);
VX_AT(NPNetscapeFuncs, invokeDefault, 128, 256);
VX_AT(NPNetscapeFuncs, evaluate, 132, 264);
VX_AT(NPNetscapeFuncs, getproperty, 136, 272);
VX_AT(NPNetscapeFuncs, setproperty, 140, 280);
VX_AT(NPNetscapeFuncs, removeproperty, 144, 288);
VX_AT(NPNetscapeFuncs, hasproperty, 148, 296);
VX_AT(NPNetscapeFuncs, hasmethod, 152, 304);
VX_AT(NPNetscapeFuncs, releasevariantvalue, 156, 312);
VX_AT(NPNetscapeFuncs, setexception, 160, 320);
VX_SIZE(NPNetscapeFuncs, 164, 328);

// The scripting types. A variant's value follows its 4-byte type at 8: the union holds a double,
// which the browsers' compilers align to 8 on both architectures.
VX_AT(NPObject, _class, 0, 0);
VX_AT(NPObject, referenceCount, 4, 8);
VX_SIZE(NPObject, 8, 16);

VX_AT(NPString, UTF8Characters, 0, 0);
VX_AT(NPString, UTF8Length, 4, 8);
VX_SIZE(NPString, 8, 16);

static_assert(sizeof(NPVariantType) == 4, "size of NPVariantType");
VX_AT(NPVariant, type, 0, 0);
VX_AT(NPVariant, value, 8, 8);
VX_AT(NPVariant, value.boolValue, 8, 8);
VX_AT(NPVariant, value.intValue, 8, 8);
VX_AT(NPVariant, value.doubleValue, 8, 8);
VX_AT(NPVariant, value.stringValue.UTF8Characters, 8, 8);
VX_AT(NPVariant, value.stringValue.UTF8Length, 12, 16);
VX_AT(NPVariant, value.objectValue, 8, 8);
VX_SIZE(NPVariant, 16, 24);

#undef VX_AT
#undef VX_SIZE

}  // namespace
