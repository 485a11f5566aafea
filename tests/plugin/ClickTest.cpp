// A click on the button: disabled while its dispatch runs, and an instance destroyed from inside
// the dispatch's own modal box. Without the product key the dispatch shows the "Configuration
// Error" box, which the scripted platform answers.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "plugin/ButtonWindow.h"
#include "plugin/InstanceData.h"
#include "plugin/ModuleState.h"
#include "plugin/PluginEntry.h"
#include "support/Expectations.h"
#include "support/FakeBrowser.h"
#include "support/ScriptedPlatform.h"
#include "support/TestFiles.h"
#include "WindowTestSupport.h"

namespace {

const char kNotConfiguredStatus[] = "The Tolvane client is not installed or configured properly ...";

class Click : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteProductRegistryTree();
        moduleState.browserFuncs = &browser.funcs;
        UseButtonClass(false);
        window = MakeBrowserWindow();
        npWindow.window = window;
    }
    void TearDown() override
    {
        platformCalls.whileShown = nullptr;
        if (npp.pdata) NPP_Destroy(&npp, nullptr);
        moduleState.browserFuncs = nullptr;
        DestroyBrowserWindows();
    }
    HWND CreateWithButton(NPP_t* instance)
    {
        char mime[] = "application/x-vnxclient";
        char name[] = "caption", value[] = "Get it";
        char* names[] = {name};
        char* values[] = {value};
        EXPECT_EQ(NPERR_NO_ERROR, NPP_New(mime, instance, NP_EMBED, 1, names, values, nullptr));
        EXPECT_EQ(NPERR_NO_ERROR, NPP_SetWindow(instance, &npWindow));
        return instance->pdata ? static_cast<InstanceData*>(instance->pdata)->button : nullptr;
    }
    // As a user's click: the button itself tells its parent.
    static void Press(HWND button) { SendMessageA(button, BM_CLICK, 0, 0); }

    FakeBrowser browser;
    ScriptedPlatform platformCalls;
    NPP_t npp{};
    HWND window = nullptr;
    NPWindow npWindow{};
};

TEST_F(Click, DisablesTheButtonForAsLongAsItsDispatchRuns)
{
    HWND button = CreateWithButton(&npp);
    ASSERT_NE(nullptr, button);
    std::vector<BOOL> enabledWhileShown;
    platformCalls.whileShown = [&] { enabledWhileShown.push_back(IsWindowEnabled(button)); };
    platformCalls.messageBoxAnswers = {IDNO, IDNO};
    int commandsBefore = BrowserWindowLog().commands;

    Press(button);
    EXPECT_TRUE(ShowsBoxes(platformCalls.messageBoxes, {ConfigurationOfferBox()}));
    EXPECT_EQ((std::vector<std::string>{kNotConfiguredStatus, "Document: Done"}), browser.statusTexts);
    EXPECT_TRUE(IsWindowEnabled(button));

    // Enabled again, it dispatches again.
    Press(button);
    EXPECT_EQ(2u, platformCalls.messageBoxes.size());
    EXPECT_EQ((std::vector<BOOL>{FALSE, FALSE}), enabledWhileShown);
    EXPECT_TRUE(IsWindowEnabled(button));
    EXPECT_EQ(commandsBefore, BrowserWindowLog().commands);
}

TEST_F(Click, OnlyTheInstancesOwnButtonIsDisabled)
{
    HWND button = CreateWithButton(&npp);
    HWND otherWindow = MakeBrowserWindow();
    NPWindow otherNpWindow{};
    otherNpWindow.window = otherWindow;
    NPP_t other{};
    char mime[] = "application/x-vnxclient";
    ASSERT_EQ(NPERR_NO_ERROR, NPP_New(mime, &other, NP_EMBED, 0, nullptr, nullptr, nullptr));
    ASSERT_EQ(NPERR_NO_ERROR, NPP_SetWindow(&other, &otherNpWindow));
    HWND otherButton = static_cast<InstanceData*>(other.pdata)->button;

    BOOL otherEnabled = FALSE;
    platformCalls.whileShown = [&] { otherEnabled = IsWindowEnabled(otherButton); };
    Press(button);
    EXPECT_EQ(1u, platformCalls.messageBoxes.size());
    EXPECT_TRUE(otherEnabled);
    NPP_Destroy(&other, nullptr);
}

TEST_F(Click, InstanceDestroyedInsideItsDispatchIsReleasedWhenTheDispatchReturns)
{
    // One click beforehand, so that whatever a first dispatch keeps for the process is in place
    // before the heap is measured.
    NPP_t warmUp{};
    Press(CreateWithButton(&warmUp));
    NPP_Destroy(&warmUp, nullptr);
    platformCalls.messageBoxes.clear();
    platformCalls.messageBoxes.shrink_to_fit();
    browser.statusTexts.clear();
    browser.statusTexts.shrink_to_fit();
    int allocationsBefore = browser.allocations, releasesBefore = browser.releases;

    struct Inside {
        int shown = 0;
        NPError destroyResult = -1;
        bool recordGone = true;
        bool pdataCleared = false;
        void* procedure = nullptr;
        HANDLE property = nullptr;
    } inside;
    platformCalls.whileShown = [&] {
        if (inside.shown++ > 0) return;
        inside.destroyResult = NPP_Destroy(&npp, nullptr);
        inside.pdataCleared = npp.pdata == nullptr;
        inside.recordGone = browser.releases != releasesBefore;
        inside.procedure = InstalledProcedure(window);
        inside.property = GetPropA(window, "instance->pdata");
    };
    long heapBefore = HeapBytesInUse();

    HWND button = CreateWithButton(&npp);
    ASSERT_NE(nullptr, button);
    Press(button);

    EXPECT_EQ(1, inside.shown);
    EXPECT_EQ(NPERR_NO_ERROR, inside.destroyResult);
    EXPECT_TRUE(inside.pdataCleared);
    EXPECT_FALSE(inside.recordGone) << "released while its dispatch was still running";
    EXPECT_EQ(reinterpret_cast<void*>(&BrowserWindowProc), inside.procedure);
    EXPECT_EQ(nullptr, inside.property);

    // Released once the dispatch came back, and the destroyed instance's button left alone.
    EXPECT_EQ(allocationsBefore + 1, browser.allocations);
    EXPECT_EQ(releasesBefore + 1, browser.releases);
    EXPECT_FALSE(IsWindowEnabled(button));
    EXPECT_EQ(0x7777, SendMessageA(window, WM_APP + 7, 0, 0));

    // Nothing of the record's attribute copies is left on the heap.
    platformCalls.messageBoxes.clear();
    platformCalls.messageBoxes.shrink_to_fit();
    browser.statusTexts.clear();
    browser.statusTexts.shrink_to_fit();
    BrowserWindowLog().probes.clear();
    BrowserWindowLog().probes.shrink_to_fit();
    EXPECT_TRUE(HeapBytesBackTo(heapBefore));
}

// The browser moves the instance to a new window while its click waits for the user: the new
// button takes no click of its own until the first one ends, and then it is the one button of the
// instance, enabled; the old one went with the old window.
TEST_F(Click, AWindowGivenDuringAClickStartsNoSecondClickAndEndsWithItsButtonUsable)
{
    HWND oldButton = CreateWithButton(&npp);
    ASSERT_NE(nullptr, oldButton);
    HWND second = MakeBrowserWindow();
    NPWindow moved{};
    moved.window = second;
    HWND newButton = nullptr;
    BOOL newEnabledDuringTheClick = TRUE;
    platformCalls.messageBoxAnswers = {IDNO, IDNO};
    platformCalls.whileShown = [&] {
        if (newButton) return;
        ASSERT_EQ(NPERR_NO_ERROR, NPP_SetWindow(&npp, &moved));
        newButton = static_cast<InstanceData*>(npp.pdata)->button;
        ASSERT_NE(nullptr, newButton);
        newEnabledDuringTheClick = IsWindowEnabled(newButton);
        Press(newButton);
        SendMessageA(second, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(newButton));
    };

    Press(oldButton);
    EXPECT_EQ(1u, platformCalls.messageBoxes.size()) << "a second click of the same instance ran";
    EXPECT_FALSE(newEnabledDuringTheClick);
    EXPECT_FALSE(IsWindow(oldButton));
    EXPECT_TRUE(IsWindowEnabled(newButton));
    EXPECT_EQ(std::vector<HWND>{newButton}, ChildrenOf(second));
    EXPECT_EQ(0, static_cast<InstanceData*>(npp.pdata)->dispatchDepth);
}

// The browser's status call throwing at the end of a click: the window procedure's guard stops it,
// and the click still ends (button enabled, the record back to no running dispatch).
void ThrowingStatus(NPP, const char*) { throw std::runtime_error("status"); }

TEST_F(Click, AnExceptionFromTheBrowserEndsAtTheWindowProcedure)
{
    HWND button = CreateWithButton(&npp);
    ASSERT_NE(nullptr, button);
    browser.funcs.status = ThrowingStatus;

    // Unconfigured: the first status text of the click throws, before any box.
    EXPECT_EQ(0, SendMessageA(window, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
                              reinterpret_cast<LPARAM>(button)));
    EXPECT_TRUE(platformCalls.messageBoxes.empty());
    EXPECT_TRUE(IsWindowEnabled(button));
    EXPECT_EQ(0, static_cast<InstanceData*>(npp.pdata)->dispatchDepth);
}

// A 64-bit browser's allocator may hand out memory above 4 GiB. The record is then found again
// through the window property only if every step keeps the whole pointer.
void* AllocateAtTheTop(uint32_t size)
{
    return VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT | MEM_TOP_DOWN, PAGE_READWRITE);
}
void ReleaseAtTheTop(void* block)
{
    if (block) VirtualFree(block, 0, MEM_RELEASE);
}

TEST_F(Click, ReachesARecordAtTheTopOfTheAddressSpace)
{
    browser.funcs.memalloc = AllocateAtTheTop;
    browser.funcs.memfree = ReleaseAtTheTop;
    HWND button = CreateWithButton(&npp);
    ASSERT_NE(nullptr, button);
    if (sizeof(void*) == 8) {
        ASSERT_GT(reinterpret_cast<uintptr_t>(npp.pdata), uintptr_t{0xFFFFFFFF}) << "no memory above 4 GiB here";
    }
    ASSERT_EQ(npp.pdata, GetPropA(window, "instance->pdata"));

    platformCalls.messageBoxAnswers = {IDNO};
    Press(button);
    EXPECT_EQ(1u, platformCalls.messageBoxes.size()) << "the click reached the record's dispatch";
    EXPECT_EQ((std::vector<std::string>{kNotConfiguredStatus, "Document: Done"}), browser.statusTexts);
    EXPECT_TRUE(IsWindowEnabled(button));
}

}  // namespace
