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
#include "support/FakeBrowser.h"
#include "support/ScriptedPlatform.h"
#include "support/TestFiles.h"

// _heapchk walks the whole C runtime heap; under WINEDEBUG=warn+heap (this folder's ctest entry)
// it also finds a block written past its end, which Wine reports as an "err:heap" line as well.
void ExpectHeapIntact();

// Embed attributes with the lifetime the browser gives them: alive for the call of NPP_New.
class Attributes {
public:
    Attributes() = default;
    Attributes(std::initializer_list<std::pair<std::string, std::string>> list);
    Attributes(const Attributes&) = delete;
    Attributes& operator=(const Attributes&) = delete;
    void Add(const std::string& name, const std::string& value);
    void AddNull(bool nullName, bool nullValue);
    int16_t Count() const { return static_cast<int16_t>(names.size()); }
    char** Names() { return names.data(); }
    char** Values() { return values.data(); }

private:
    char* Own(const std::string& text);
    std::vector<std::vector<char>> storage;
    std::vector<char*> names, values;
};

class PluginHost : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // LoadRequestDir is the test's folder; LoadDeliveryDir as given.
    void InstallClient(const std::string& deliveryDir = "C:\\old");
    // A running client: the mapping "970128" exists (it does from SetUp until this is called).
    void StopClient();

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

    FakeBrowser browser;
    ScriptedPlatform ui;
    TempDir requestDir;
    NPPluginFuncs table{};
    NPP_t npp{};
    NPWindow npWindow{};
    HWND window = nullptr;
    OwnedHandle clientMapping;
};

// The submission file's lines (each must end in LF), as a multiset.
std::multiset<std::string> Lines(const std::string& bytes);
// The dispatch's failure texts.
extern const char* const kFormatFailure;  // "Tolvane save request failed : Format Exception"
extern const char* const kDone;           // "Document : Done"
extern const char* const kCancelled;      // "Tolvane Save request cancelled"
