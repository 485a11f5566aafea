// Our NPAPI declarations against the published 32-bit Windows layout: a browser reads and writes
// these structures at fixed offsets, so a slot out of place is a crash in the browser.
#include <gtest/gtest.h>

#include <cstddef>

#include "plugin/npapi.h"

namespace {

static_assert(sizeof(void*) == 4, "the plug-in is a 32-bit DLL");

static_assert(offsetof(NPPluginFuncs, newp) == 4, "NPPluginFuncs");
static_assert(offsetof(NPPluginFuncs, print) == 36, "NPPluginFuncs");
static_assert(offsetof(NPPluginFuncs, event) == 40, "NPPluginFuncs");
static_assert(offsetof(NPPluginFuncs, urlnotify) == 44, "NPPluginFuncs");
static_assert(offsetof(NPPluginFuncs, javaClass) == 48, "NPPluginFuncs");
static_assert(sizeof(NPPluginFuncs) == 60, "NPPluginFuncs");

static_assert(offsetof(NPNetscapeFuncs, geturl) == 4, "NPNetscapeFuncs");
static_assert(offsetof(NPNetscapeFuncs, status) == 28, "NPNetscapeFuncs");
static_assert(offsetof(NPNetscapeFuncs, memalloc) == 36, "NPNetscapeFuncs");
static_assert(offsetof(NPNetscapeFuncs, memfree) == 40, "NPNetscapeFuncs");
static_assert(offsetof(NPNetscapeFuncs, geturlnotify) == 60, "NPNetscapeFuncs");
static_assert(sizeof(NPNetscapeFuncs) == 88, "NPNetscapeFuncs");

static_assert(sizeof(NPP_t) == 8, "NPP_t");
static_assert(offsetof(NPStream, end) == 12 && offsetof(NPStream, notifyData) == 20, "NPStream");
static_assert(offsetof(NPWindow, width) == 12 && offsetof(NPWindow, clipRect) == 20, "NPWindow");
static_assert(offsetof(NPWindow, type) == 28 && sizeof(NPWindow) == 32, "NPWindow");
static_assert(offsetof(NPPrint, print) == 4, "NPPrint");
static_assert(offsetof(NPFullPrint, platformPrint) == 4, "NPFullPrint");
static_assert(offsetof(NPEmbedPrint, platformPrint) == 32, "NPEmbedPrint");
static_assert(sizeof(NPSavedData) == 8 && sizeof(NPByteRange) == 12, "NPSavedData, NPByteRange");

TEST(NpapiDeclarations, CodesAreThePublishedOnes)
{
    EXPECT_EQ(0, NPERR_NO_ERROR);
    EXPECT_EQ(2, NPERR_INVALID_INSTANCE_ERROR);
    EXPECT_EQ(3, NPERR_INVALID_FUNCTABLE_ERROR);
    EXPECT_EQ(5, NPERR_OUT_OF_MEMORY_ERROR);
    EXPECT_EQ(8, NPERR_INCOMPATIBLE_VERSION_ERROR);
    EXPECT_EQ(3, NP_ASFILE);
    EXPECT_EQ(1, NP_EMBED);
    EXPECT_EQ(2, NP_FULL);
    EXPECT_EQ(268435455u, NP_MAXREADY);
}

}  // namespace
