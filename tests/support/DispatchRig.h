// What a click needs around DispatchRequest: a browser table recording status texts, scripted
// boxes and dialogs, a running client's mapping, an owner window and an instance record whose
// attribute strings the test owns.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <list>
#include <string>

#include "plugin/InstanceData.h"
#include "support/FakeBrowser.h"
#include "support/ScriptedPlatform.h"
#include "win/Owned.h"

class DispatchRig : public ::testing::Test {
protected:
    // Starts from no product key and an empty settings map.
    void SetUp() override;
    void TearDown() override;

    // A copy of value that lives as long as the test, for the record's attribute fields.
    char* Text(const std::string& value);

    FakeBrowser browser;
    ScriptedPlatform ui;
    OwnedHandle clientMapping;  // "970128": a running client, so nothing is started
    HWND window = nullptr;
    NPP_t npp{};
    NPWindow npWindow{};
    InstanceData record{};

private:
    std::list<std::string> texts;
};
