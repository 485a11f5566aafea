// The codes of our NPAPI declarations. The structure layouts, for the 32-bit and the 64-bit browser,
// are checked where the plug-in itself is compiled (plugin/NpapiLayout.cpp).
#include <gtest/gtest.h>

#include "plugin/npapi.h"

namespace {

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
    EXPECT_EQ(15, NPNVWindowNPObject);
    EXPECT_EQ(22, NPNVdocumentOrigin);
    EXPECT_EQ(0, NPVariantType_Void);
    EXPECT_EQ(5, NPVariantType_String);
    EXPECT_EQ(6, NPVariantType_Object);
}

}  // namespace
