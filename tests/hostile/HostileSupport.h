// The plug-in as a browser drives it, for input a page or the machine makes hostile: the table from
// NP_GetEntryPoints, NP_Initialize with a fake browser, instances with real windows, clicks on the
// real button, streamed request files. Every case ends with the C runtime heap checked.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "plugin/InstanceData.h"
#include "plugin/npapi.h"
#include "support/Attributes.h"
#include "support/HeapChecks.h"
#include "support/PluginRig.h"
#include "support/TestFiles.h"


// The plug-in as the browser drives it: through the table from NP_GetEntryPoints, after
// NP_Initialize with the rig's browser table.
class PluginHost : public PluginRig {
protected:
    void SetUp() override;
    void TearDown() override;

    // LoadRequestDir is the test's folder; LoadDeliveryDir as given.
    void InstallClient(const std::string& deliveryDir = "C:\\old");

    NPError New(Attributes& attributes, int16_t count);
    NPError New(Attributes& attributes) { return New(attributes, attributes.Count()); }
    InstanceData* Record() { return static_cast<InstanceData*>(npp.pdata); }
    // NPP_SetWindow with a fresh top-level window of the test's own.
    void ShowInWindow();
    // The browser streams a file to the instance as the element's src.
    void Stream(const std::string& path);
    // A user's click on the button: BM_CLICK makes the button tell the subclassed window.
    void Click();
    // Writes bytes as the streamed request file of a fresh src instance, and clicks.
    void ClickRequestFile(const std::string& bytes);

    std::vector<std::string> Submissions() const;  // names of the .vnxsubmit files
    std::string OnlySubmission();                   // bytes of the one submission file
    std::string LastStatus() const;

    TempFolder requestDir;
    NPPluginFuncs table{sizeof(NPPluginFuncs), 0};
};

// The submission file's lines (each must end in LF), as a multiset.
std::multiset<std::string> Lines(const std::string& bytes);
// The dispatch's failure texts.
extern const char* const kFormatFailure;  // "Tolvane save request failed : Format Exception"
extern const char* const kDone;           // "Document : Done"
extern const char* const kCancelled;      // "Tolvane Save request cancelled"
