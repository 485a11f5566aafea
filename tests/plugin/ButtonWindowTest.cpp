// The button window with real windows: class registration, NPP_SetWindow's cases, the subclassed
// window procedure, NPP_Destroy's restoring, and the page's caption on the button.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "plugin/ButtonWindow.h"
#include "plugin/InstanceData.h"
#include "plugin/ModuleState.h"
#include "plugin/PluginEntry.h"
#include "support/FakeBrowser.h"
#include "support/PluginHost.h"
#include "support/ScriptedPlatform.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"
#include "WindowTestSupport.h"

namespace {

const UINT kProbe = WM_APP + 7;

class ButtonWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteProductRegistryTree();
        moduleState.browserFuncs = &browser.funcs;
        UseButtonClass(false);
        first = MakeBrowserWindow();
        npWindow.window = first;
    }
    void TearDown() override
    {
        if (npp.pdata) NPP_Destroy(&npp, nullptr);
        moduleState.browserFuncs = nullptr;
        DestroyBrowserWindows();
    }
    InstanceData* Create(const char* caption = "Save the report")
    {
        char mime[] = "application/x-vnxclient";
        char name[] = "caption";
        std::string value = caption;
        char* names[] = {name};
        char* values[] = {&value[0]};
        EXPECT_EQ(NPERR_NO_ERROR, NPP_New(mime, &npp, NP_EMBED, 1, names, values, nullptr));
        return static_cast<InstanceData*>(npp.pdata);
    }

    FakeBrowser browser;
    NPP_t npp{};
    HWND first = nullptr;
    NPWindow npWindow{};
};

TEST_F(ButtonWindow, SetWindowSubclassesAndCoversTheClientAreaWithOneButton)
{
    InstanceData* record = Create();
    int paintsBefore = BrowserWindowLog().paints;
    ASSERT_EQ(NPERR_NO_ERROR, NPP_SetWindow(&npp, &npWindow));

    EXPECT_EQ(InstalledProcedure(first), reinterpret_cast<void*>(&InstanceWindowProc));
    EXPECT_EQ(reinterpret_cast<void*>(&BrowserWindowProc), reinterpret_cast<void*>(record->savedWndProc));
    EXPECT_EQ(first, record->hwnd);
    EXPECT_EQ(&npWindow, record->window);
    EXPECT_EQ(record, GetPropA(first, "instance->pdata"));
    EXPECT_GT(BrowserWindowLog().paints, paintsBefore);

    std::vector<HWND> children = ChildrenOf(first);
    ASSERT_EQ(1u, children.size());
    HWND button = children[0];
    EXPECT_EQ(button, record->button);
    EXPECT_EQ("Save the report", WindowText(button));
    EXPECT_STRCASEEQ("BUTTON", ClassOf(button).c_str());
    EXPECT_EQ(static_cast<LONG>(WS_CHILD | WS_VISIBLE), GetWindowLongA(button, GWL_STYLE));
    EXPECT_EQ(0, GetWindowLongA(button, GWL_EXSTYLE));
    EXPECT_EQ(0, GetDlgCtrlID(button));
    RECT client{}, placed{};
    GetClientRect(first, &client);
    GetWindowRect(button, &placed);
    MapWindowPoints(nullptr, first, reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(0, placed.left);
    EXPECT_EQ(0, placed.top);
    EXPECT_EQ(client.right, placed.right);
    EXPECT_EQ(client.bottom, placed.bottom);
    EXPECT_TRUE(IsWindowEnabled(button));

    // Everything but WM_COMMAND reaches the browser's own procedure, unchanged, with its answer.
    BrowserWindowLog().probes.clear();
    EXPECT_EQ(0x7777, SendMessageA(first, kProbe, 3, 4));
    ASSERT_EQ(1u, BrowserWindowLog().probes.size());
    EXPECT_EQ(3u, BrowserWindowLog().probes[0].first);
    EXPECT_EQ(4, BrowserWindowLog().probes[0].second);
}

TEST_F(ButtonWindow, SetWindowTwiceWithTheSameHandleOnlyRepaints)
{
    InstanceData* record = Create();
    ASSERT_EQ(NPERR_NO_ERROR, NPP_SetWindow(&npp, &npWindow));
    HWND button = record->button;
    NPWindow resized = npWindow;
    resized.width = 50;
    int paintsBefore = BrowserWindowLog().paints;
    ASSERT_EQ(NPERR_NO_ERROR, NPP_SetWindow(&npp, &resized));

    EXPECT_EQ(1u, ChildrenOf(first).size());
    EXPECT_EQ(button, record->button);
    EXPECT_EQ(&resized, record->window);
    EXPECT_EQ(reinterpret_cast<void*>(&BrowserWindowProc), reinterpret_cast<void*>(record->savedWndProc));
    EXPECT_GT(BrowserWindowLog().paints, paintsBefore);
    EXPECT_EQ(0x7777, SendMessageA(first, kProbe, 0, 0));
}

TEST_F(ButtonWindow, SetWindowWithAnotherHandleRestoresTheFirstAndSubclassesTheSecond)
{
    InstanceData* record = Create();
    ASSERT_EQ(NPERR_NO_ERROR, NPP_SetWindow(&npp, &npWindow));
    HWND firstButton = record->button;
    HWND second = MakeBrowserWindow();
    NPWindow moved{};
    moved.window = second;
    ASSERT_EQ(NPERR_NO_ERROR, NPP_SetWindow(&npp, &moved));

    EXPECT_EQ(reinterpret_cast<void*>(&BrowserWindowProc), InstalledProcedure(first));
    EXPECT_EQ(reinterpret_cast<void*>(&InstanceWindowProc), InstalledProcedure(second));
    EXPECT_EQ(second, record->hwnd);
    EXPECT_EQ(&moved, record->window);
    EXPECT_EQ(reinterpret_cast<void*>(&BrowserWindowProc), reinterpret_cast<void*>(record->savedWndProc));
    EXPECT_EQ(record, GetPropA(second, "instance->pdata"));

    // The earlier button went with the earlier window; the second window gets the one button.
    EXPECT_FALSE(IsWindow(firstButton));
    EXPECT_TRUE(ChildrenOf(first).empty());
    std::vector<HWND> secondChildren = ChildrenOf(second);
    ASSERT_EQ(1u, secondChildren.size());
    EXPECT_EQ(secondChildren[0], record->button);
    EXPECT_EQ("Save the report", WindowText(record->button));
}

TEST_F(ButtonWindow, SetWindowWithoutWindowRestoresAndCreatesNothing)
{
    InstanceData* record = Create();
    ASSERT_EQ(NPERR_NO_ERROR, NPP_SetWindow(&npp, &npWindow));
    ASSERT_EQ(NPERR_NO_ERROR, NPP_SetWindow(&npp, nullptr));
    EXPECT_EQ(reinterpret_cast<void*>(&BrowserWindowProc), InstalledProcedure(first));
    EXPECT_EQ(nullptr, record->window);
    EXPECT_EQ(nullptr, record->hwnd);
    EXPECT_EQ(nullptr, record->savedWndProc);
    EXPECT_EQ(nullptr, record->button);
    EXPECT_TRUE(ChildrenOf(first).empty());

    // Back again: a fresh subclassing with a new button.
    ASSERT_EQ(NPERR_NO_ERROR, NPP_SetWindow(&npp, &npWindow));
    EXPECT_EQ(reinterpret_cast<void*>(&InstanceWindowProc), InstalledProcedure(first));
    EXPECT_EQ(std::vector<HWND>{record->button}, ChildrenOf(first));

    NPWindow noHandle{};
    ASSERT_EQ(NPERR_NO_ERROR, NPP_SetWindow(&npp, &noHandle));
    EXPECT_EQ(reinterpret_cast<void*>(&BrowserWindowProc), InstalledProcedure(first));
    EXPECT_EQ(&noHandle, record->window);
    EXPECT_EQ(nullptr, record->hwnd);
    EXPECT_TRUE(ChildrenOf(first).empty());
}

TEST_F(ButtonWindow, SetWindowOnAFreshInstanceWithoutHandleOnlyRemembersThePointer)
{
    InstanceData* record = Create();
    NPWindow noHandle{};
    ASSERT_EQ(NPERR_NO_ERROR, NPP_SetWindow(&npp, &noHandle));
    EXPECT_EQ(&noHandle, record->window);
    EXPECT_EQ(nullptr, record->hwnd);
    ASSERT_EQ(NPERR_NO_ERROR, NPP_SetWindow(&npp, nullptr));
    EXPECT_EQ(nullptr, record->window);
    EXPECT_EQ(nullptr, record->button);
    EXPECT_EQ(reinterpret_cast<void*>(&BrowserWindowProc), InstalledProcedure(first));
    EXPECT_TRUE(ChildrenOf(first).empty());
}

TEST_F(ButtonWindow, SetWindowAnswersInvalidInstanceWithoutInstanceOrRecord)
{
    EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR, NPP_SetWindow(nullptr, &npWindow));
    EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR, NPP_SetWindow(&npp, &npWindow));
    EXPECT_EQ(reinterpret_cast<void*>(&BrowserWindowProc), InstalledProcedure(first));
}

TEST_F(ButtonWindow, AFailedButtonLeavesTheButtonNullAndAnswersNoError)
{
    InstanceData* record = Create();
    const char* registered = moduleState.buttonClassName;
    moduleState.buttonClassName = "NoSuchWindowClass";
    EXPECT_EQ(NPERR_NO_ERROR, NPP_SetWindow(&npp, &npWindow));
    moduleState.buttonClassName = registered;
    EXPECT_EQ(nullptr, record->button);
    EXPECT_EQ(first, record->hwnd);
    EXPECT_EQ(0, SendMessageA(first, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), 0));
}

TEST_F(ButtonWindow, DestroyRestoresTheProcedureAndRemovesTheButton)
{
    Create();
    ASSERT_EQ(NPERR_NO_ERROR, NPP_SetWindow(&npp, &npWindow));
    ASSERT_EQ(NPERR_NO_ERROR, NPP_Destroy(&npp, nullptr));
    EXPECT_EQ(reinterpret_cast<void*>(&BrowserWindowProc), InstalledProcedure(first));
    EXPECT_EQ(nullptr, GetPropA(first, "instance->pdata"));
    EXPECT_TRUE(ChildrenOf(first).empty());
    EXPECT_EQ(browser.allocations, browser.releases);
    EXPECT_EQ(0x7777, SendMessageA(first, kProbe, 0, 0));
}

// A host that subclassed over us keeps its procedure; whatever it still passes down must not reach
// the released record, and goes on to the browser's procedure below ours.
LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto below = reinterpret_cast<WNDPROC>(GetPropA(window, "test.below"));
    return CallWindowProcA(below, window, message, wParam, lParam);
}

TEST_F(ButtonWindow, DestroyLeavesAProcedureThatIsNotOursAndTheChainBelowItWorking)
{
    Create();
    ASSERT_EQ(NPERR_NO_ERROR, NPP_SetWindow(&npp, &npWindow));
    LONG_PTR below = SetWindowLongPtrA(first, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(HostProc));
    SetPropA(first, "test.below", reinterpret_cast<HANDLE>(below));
    ASSERT_EQ(NPERR_NO_ERROR, NPP_Destroy(&npp, nullptr));
    EXPECT_EQ(reinterpret_cast<void*>(&HostProc), InstalledProcedure(first));
    EXPECT_EQ(nullptr, GetPropA(first, "instance->pdata"));
    EXPECT_EQ(browser.allocations, browser.releases);

    BrowserWindowLog().probes.clear();
    EXPECT_EQ(0x7777, SendMessageA(first, kProbe, 1, 2));
    EXPECT_EQ((std::vector<std::pair<WPARAM, LPARAM>>{{1, 2}}), BrowserWindowLog().probes);
    EXPECT_EQ(TRUE, SendMessageA(first, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("still works")));
    EXPECT_EQ("still works", WindowText(first));
    // It paints and closes as the browser's window.
    const int paintsBefore = BrowserWindowLog().paints;
    InvalidateRect(first, nullptr, TRUE);
    UpdateWindow(first);
    EXPECT_EQ(paintsBefore + 1, BrowserWindowLog().paints);
    const int closedBefore = BrowserWindowLog().finalMessages;
    ASSERT_TRUE(DestroyWindow(first));
    EXPECT_EQ(closedBefore + 1, BrowserWindowLog().finalMessages);
}

TEST_F(ButtonWindow, DestroyAfterTheHostUnsubclassedKeepsTheHostsProcedure)
{
    Create();
    ASSERT_EQ(NPERR_NO_ERROR, NPP_SetWindow(&npp, &npWindow));
    SetWindowLongPtrA(first, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcA));
    ASSERT_EQ(NPERR_NO_ERROR, NPP_Destroy(&npp, nullptr));
    EXPECT_EQ(reinterpret_cast<void*>(&DefWindowProcA), InstalledProcedure(first));
}

TEST_F(ButtonWindow, AWindowDestroyedBeforeTheInstanceIsForgotten)
{
    InstanceData* record = Create();
    ASSERT_EQ(NPERR_NO_ERROR, NPP_SetWindow(&npp, &npWindow));
    int destroyedBefore = BrowserWindowLog().finalMessages;
    ASSERT_TRUE(DestroyWindow(first));
    EXPECT_EQ(destroyedBefore + 1, BrowserWindowLog().finalMessages);
    EXPECT_EQ(nullptr, record->hwnd);
    EXPECT_EQ(nullptr, record->savedWndProc);
    EXPECT_EQ(nullptr, record->button);
    EXPECT_EQ(NPERR_NO_ERROR, NPP_Destroy(&npp, nullptr));
    EXPECT_EQ(browser.allocations, browser.releases);
}

TEST_F(ButtonWindow, AUnicodeBrowserWindowKeepsWorkingThroughUs)
{
    HWND wide = MakeWideBrowserWindow();
    Create();
    NPWindow wideWindow{};
    wideWindow.window = wide;
    ASSERT_EQ(NPERR_NO_ERROR, NPP_SetWindow(&npp, &wideWindow));
    EXPECT_EQ(reinterpret_cast<void*>(&InstanceWindowProc), InstalledProcedure(wide));
    EXPECT_EQ(0x5555, SendMessageW(wide, kProbe, 0, 0));
    EXPECT_EQ(TRUE, SendMessageA(wide, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("caf\xe9")));
    wchar_t text[16] = L"";
    GetWindowTextW(wide, text, 16);
    EXPECT_EQ(std::wstring(L"caf\u00e9"), text);
    ASSERT_EQ(NPERR_NO_ERROR, NPP_Destroy(&npp, nullptr));
    EXPECT_EQ(reinterpret_cast<void*>(&WideBrowserWindowProc),
              reinterpret_cast<void*>(GetWindowLongPtrW(wide, GWLP_WNDPROC)));
}

TEST_F(ButtonWindow, TwoInstancesOnOneWindowDoNotCallThemselvesForever)
{
    Create();
    ASSERT_EQ(NPERR_NO_ERROR, NPP_SetWindow(&npp, &npWindow));
    NPP_t other{};
    char mime[] = "application/x-vnxclient";
    ASSERT_EQ(NPERR_NO_ERROR, NPP_New(mime, &other, NP_EMBED, 0, nullptr, nullptr, nullptr));
    NPWindow same = npWindow;
    ASSERT_EQ(NPERR_NO_ERROR, NPP_SetWindow(&other, &same));
    // Ours over ours: the message goes once to the browser's procedure, not round in a circle.
    BrowserWindowLog().probes.clear();
    EXPECT_EQ(0x7777, SendMessageA(first, kProbe, 5, 6));
    EXPECT_EQ(1u, BrowserWindowLog().probes.size());
    EXPECT_EQ(NPERR_NO_ERROR, NPP_Destroy(&other, nullptr));
    EXPECT_EQ(NPERR_NO_ERROR, NPP_Destroy(&npp, nullptr));
    EXPECT_EQ(reinterpret_cast<void*>(&BrowserWindowProc), InstalledProcedure(first));
    EXPECT_EQ(0x7777, SendMessageA(first, kProbe, 0, 0));
    EXPECT_EQ(browser.allocations, browser.releases);
}

// A window has at most one instance at a time, the one that was given it last: whatever the order
// of SetWindow and Destroy across two instances and two windows, no window names a record that is
// not alive and on that window, every window reaches the browser's procedure exactly once, and once
// both instances are gone both windows are the browser's again.
TEST_F(ButtonWindow, AWindowNeverNamesARecordThatLeftItOrWasReleased)
{
    HWND windows[2] = {first, MakeBrowserWindow()};
    NPWindow given[2][2]{};  // per instance and window, as a browser keeps one NPWindow per instance
    NPP_t instances[2]{};
    char mime[] = "application/x-vnxclient";
    enum Step { a1, a2, b1, b2, destroyA, destroyB, kSteps };
    auto run = [&](int step) {
        const int instance = (step == a1 || step == a2 || step == destroyA) ? 0 : 1;
        NPP_t& npp = instances[instance];
        if (step == destroyA || step == destroyB) {
            if (npp.pdata) NPP_Destroy(&npp, nullptr);
            return;
        }
        if (!npp.pdata) NPP_New(mime, &npp, NP_EMBED, 0, nullptr, nullptr, nullptr);
        const int window = (step == a1 || step == b1) ? 0 : 1;
        given[instance][window].window = windows[window];
        NPP_SetWindow(&npp, &given[instance][window]);
    };
    auto check = [&](const std::string& trace) {
        for (HWND window : windows) {
            void* named = GetPropA(window, "instance->pdata");
            if (named) {
                ASSERT_TRUE(named == instances[0].pdata || named == instances[1].pdata) << trace;
                ASSERT_EQ(window, static_cast<InstanceData*>(named)->hwnd) << trace;
            }
            BrowserWindowLog().probes.clear();
            ASSERT_EQ(0x7777, SendMessageA(window, kProbe, 0, 0)) << trace;
            ASSERT_EQ(1u, BrowserWindowLog().probes.size()) << trace;
        }
    };
    for (int sequence = 0; sequence < kSteps * kSteps * kSteps * kSteps; ++sequence) {
        std::string trace = "steps";
        for (int at = 0, rest = sequence; at < 4; ++at, rest /= kSteps) {
            trace += " " + std::to_string(rest % kSteps);
            run(rest % kSteps);
            check(trace);
            if (HasFailure()) return;
        }
        run(destroyA);
        run(destroyB);
        for (HWND window : windows) {
            ASSERT_EQ(reinterpret_cast<void*>(&BrowserWindowProc), InstalledProcedure(window)) << trace;
            ASSERT_EQ(nullptr, GetPropA(window, "instance->pdata")) << trace;
            ASSERT_TRUE(ChildrenOf(window).empty()) << trace << ": a button left behind";
        }
    }
    EXPECT_EQ(browser.allocations, browser.releases);
}

// ---- The window procedure itself ----

TEST_F(ButtonWindow, WindowProcedureWithoutPropertyFallsBackToTheDefault)
{
    // first was never subclassed: no property at all.
    EXPECT_EQ(TRUE, InstanceWindowProc(first, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("default")));
    EXPECT_EQ("default", WindowText(first));
    EXPECT_EQ(0, InstanceWindowProc(first, kProbe, 0, 0));
    EXPECT_EQ(0, InstanceWindowProc(first, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(first)));

    // A record that saved no procedure.
    InstanceData* record = Create();
    record->hwnd = first;
    SetPropA(first, "instance->pdata", record);
    EXPECT_EQ(0, InstanceWindowProc(first, kProbe, 0, 0));
    EXPECT_TRUE(BrowserWindowLog().probes.empty());
    RemovePropA(first, "instance->pdata");
    record->hwnd = nullptr;
}

TEST_F(ButtonWindow, EveryCommandIsAnsweredZeroAndNotPassedOn)
{
    ScriptedPlatform calls;
    InstanceData* record = Create();
    ASSERT_EQ(NPERR_NO_ERROR, NPP_SetWindow(&npp, &npWindow));
    HWND stranger = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 1, 1, first, nullptr, nullptr, nullptr);
    int commandsBefore = BrowserWindowLog().commands;

    EXPECT_EQ(0, SendMessageA(first, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(stranger)));
    EXPECT_EQ(0, SendMessageA(first, WM_COMMAND, MAKEWPARAM(40001, 0), 0));  // a menu command
    for (WORD code : {WORD(BN_DBLCLK), WORD(BN_SETFOCUS), WORD(BN_KILLFOCUS), WORD(BN_PUSHED)})
        EXPECT_EQ(0, SendMessageA(first, WM_COMMAND, MAKEWPARAM(0, code),
                                  reinterpret_cast<LPARAM>(record->button)));

    EXPECT_EQ(commandsBefore, BrowserWindowLog().commands);
    EXPECT_TRUE(calls.messageBoxes.empty());
    EXPECT_TRUE(browser.statusTexts.empty());
    EXPECT_TRUE(IsWindowEnabled(record->button));
}

// ---- Class registration ----

TEST(ButtonClass, PluginButtonOnlyWhenTheCursorFileLoads)
{
    FakeBrowser browser;
    moduleState.browserFuncs = &browser.funcs;
    HWND parent = MakeBrowserWindow();
    auto buttonIn = [&](NPP_t* npp) {
        char mime[] = "application/x-vnxclient";
        NPP_New(mime, npp, NP_EMBED, 0, nullptr, nullptr, nullptr);
        NPWindow window{};
        window.window = parent;
        NPP_SetWindow(npp, &window);
        return static_cast<InstanceData*>(npp->pdata)->button;
    };
    WNDCLASSA system{};
    ASSERT_TRUE(GetClassInfoA(nullptr, "BUTTON", &system));

    UseButtonClass(false);
    EXPECT_STREQ("BUTTON", moduleState.buttonClassName);
    NPP_t plain{};
    HWND plainButton = buttonIn(&plain);
    ASSERT_NE(nullptr, plainButton);
    EXPECT_STRCASEEQ("BUTTON", ClassOf(plainButton).c_str());

    UseButtonClass(true);
    EXPECT_STREQ("PluginButton", moduleState.buttonClassName);
    NPP_t cursored{};
    HWND button = buttonIn(&cursored);
    ASSERT_NE(nullptr, button);
    EXPECT_EQ("PluginButton", ClassOf(button));
    EXPECT_EQ("Vexo Save File", WindowText(button));
    HCURSOR cursor = reinterpret_cast<HCURSOR>(GetClassLongPtrA(button, GCLP_HCURSOR));
    EXPECT_NE(nullptr, cursor);
    EXPECT_NE(system.hCursor, cursor);
    EXPECT_EQ(system.style, static_cast<UINT>(GetClassLongA(button, GCL_STYLE)));
    EXPECT_EQ(system.cbWndExtra, static_cast<int>(GetClassLongA(button, GCL_CBWNDEXTRA)));
    EXPECT_EQ(system.hbrBackground, reinterpret_cast<HBRUSH>(GetClassLongPtrA(button, GCLP_HBRBACKGROUND)));
    EXPECT_EQ(reinterpret_cast<void*>(system.lpfnWndProc),
              reinterpret_cast<void*>(GetClassLongPtrA(button, GCLP_WNDPROC)));

    // The class stays registered; without the file buttons are plain again, and with it the
    // existing class is used.
    UseButtonClass(false);
    EXPECT_STREQ("BUTTON", moduleState.buttonClassName);
    UseButtonClass(true);
    EXPECT_STREQ("PluginButton", moduleState.buttonClassName);
    NPP_t again{};
    EXPECT_EQ("PluginButton", ClassOf(buttonIn(&again)));

    for (NPP_t* npp : {&plain, &cursored, &again}) NPP_Destroy(npp, nullptr);
    UseButtonClass(false);
    EXPECT_EQ(browser.allocations, browser.releases);
    moduleState.browserFuncs = nullptr;
    DestroyBrowserWindows();
}

// ---- A page's caption at Wine's limit, through the plug-in's table ----

using ButtonWindowLimits = PluginHost;

TEST_F(ButtonWindowLimits, TheButtonShowsTheCaptionWholeOrWineRefusesTheButton)
{
    // 32766 characters is the longest title Wine's CreateWindowExA takes; from 32767 on it makes
    // no window or cuts the title, and the click then has no button. Nothing else happens.
    for (std::size_t length : {std::size_t(32766), std::size_t(40000)}) {
        SCOPED_TRACE(length);
        const std::string caption(length, 'c');
        Attributes attributes{{"caption", caption}};
        ASSERT_EQ(NPERR_NO_ERROR, New(attributes));
        ShowInWindow();
        HWND button = Record()->button;
        if (length == 32766) {
            ASSERT_NE(nullptr, button);
        }
        if (button) {
            EXPECT_EQ(static_cast<int>(length), GetWindowTextLengthA(button));
        }
        EndInstance();
    }
    EXPECT_TRUE(browser.statusTexts.empty());
    EXPECT_TRUE(ui.messageBoxes.empty());
}

}  // namespace

// The browser's current folder is anyone's: the cursor file is the one beside the plug-in.
TEST(ButtonClass, TheCursorFileIsTakenFromThePluginsOwnFolderNeverTheCurrentOne)
{
    TempFolder current;
    WriteWholeFile(current / "cursor1.cur", CursorFileBytes());
    char previous[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(current.path().c_str());
    RegisterButtonClass(PluginFolder());
    EXPECT_STREQ("BUTTON", moduleState.buttonClassName);

    const std::string beside = PluginFolder() + "\\cursor1.cur";
    WriteWholeFile(beside, CursorFileBytes());
    RegisterButtonClass(PluginFolder());
    DeleteFileA(beside.c_str());
    SetCurrentDirectoryA(previous);
    EXPECT_STREQ("PluginButton", moduleState.buttonClassName);
    UseButtonClass(false);
}
