// The rigs of the tests that run the request path. RequestRig: no product key at the start and the
// end of each test, scripted boxes and dialogs, a running client (the mapping "970128", so that
// nothing is started), a request directory of the test's own and top-level windows that stand for
// the browser's. DispatchRig: a click's DispatchRequest against a stand-in for the browser's
// services, as any front end makes it. The plug-in's own rig (PluginRig.h) builds on RequestRig.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "client/KeyValueMap.h"
#include "request/BrowserServices.h"
#include "request/PageRequest.h"
#include "request/RequestOutcome.h"
#include "support/ScriptedPlatform.h"
#include "support/TempFolder.h"
#include "win/Owned.h"

class RequestRig : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The client stops running: its mapping goes.
    void StopClient() { clientMapping.reset(); }
    // A visible 320 x 200 top-level window of a plain class, kept in `window`; every window made
    // goes at the end of the test.
    HWND MakeWindow();

    // LoadRequestDir is the test's request directory; LoadDeliveryDir as given.
    void InstallClient(const std::string& deliveryDir = "C:\\old");
    std::vector<std::string> Submissions() const;  // names of the .vnxsubmit files
    std::string OnlySubmission();                   // bytes of the one submission file
    // Where a click's request file is put, as the browser's cache would hold it.
    std::string RequestFilePath() const { return requestDir.path() + "-request.vnxclient"; }

    ScriptedPlatform ui;
    OwnedHandle clientMapping;
    HWND window = nullptr;
    TempFolder requestDir;

private:
    std::vector<HWND> windows;
};

// The browser's services as a test sees them: status texts and opened addresses recorded in order,
// the owner window and whether every request is confirmed first as the test sets them.
class FakeBrowserServices : public BrowserServices {
public:
    void ShowStatus(const char* text) override { statusTexts.push_back(text ? text : "<null>"); }
    void OpenUrl(const std::string& url) override { openedUrls.push_back(url); }
    HWND OwnerWindow() const override { return owner; }
    bool ConfirmsEveryRequest() const override { return confirmsEveryRequest; }

    HWND owner = nullptr;
    bool confirmsEveryRequest = false;
    std::vector<std::string> statusTexts;
    std::vector<std::string> openedUrls;
};

// What a front end keeps of the element that was clicked (the plug-in keeps it in its instance
// record).
struct ClickedElement {
    PageRequest page;
};

// A click's DispatchRequest with the settings map of the test's own, the browser's services owned
// by `window` and, as the plug-in's button is, no confirmation first. Every case ends with the C
// runtime heap checked.
class DispatchRig : public RequestRig {
protected:
    void SetUp() override;
    void TearDown() override;

    // The click of `record`.
    RequestOutcome Dispatch();
    // A fresh element with these attributes, clicked.
    void ClickPage(const std::vector<std::pair<std::string, std::string>>& attributes);
    // Writes bytes as the request file delivered for a fresh src element, as a browser's cache
    // holds it (kept when the front end can keep it), and clicks.
    void ClickRequestFile(const std::string& bytes);
    std::string LastStatus() const;

    FakeBrowserServices browser;
    CKeyValueMap settings;
    ClickedElement record;
};
