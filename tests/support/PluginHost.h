// The plug-in as a browser drives it: the table from NP_GetEntryPoints, NP_Initialize with the rig's
// browser table, instances with real windows, clicks on the real button, streamed request files.
// For cases that need the whole path of a click, such as input a page or the machine makes hostile.
// Every case ends with the C runtime heap checked.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "plugin/InstanceData.h"
#include "plugin/npapi.h"
#include "support/Attributes.h"
#include "support/HeapChecks.h"
#include "support/PluginRig.h"
#include "support/StatusTexts.h"
#include "support/TestFiles.h"
#include "support/TestText.h"

class PluginHost : public PluginRig {
protected:
    void SetUp() override;
    void TearDown() override;

    NPError New(Attributes& attributes, int16_t count);
    NPError New(Attributes& attributes) { return New(attributes, attributes.Count()); }
    InstanceData* Record() { return static_cast<InstanceData*>(npp.pdata); }
    // NPP_SetWindow with a fresh top-level window of the test's own.
    void ShowInWindow();
    // The browser streams a file to the instance as the element's src.
    void Stream(const std::string& path);
    // A user's click on the button: BM_CLICK makes the button tell the subclassed window.
    void Click();
    // The instance and its window go, as when the page is left.
    void EndInstance();
    // A fresh instance of an element with these attributes, shown and clicked (an earlier one ends).
    void ClickPage(std::initializer_list<std::pair<Attributes::Text, Attributes::Text>> list);
    // Writes bytes as the streamed request file of a fresh src instance (at RequestFilePath), and
    // clicks.
    void ClickRequestFile(const std::string& bytes);

    std::string LastStatus() const;

    NPPluginFuncs table{};  // its size is set before NP_GetEntryPoints fills it
};
