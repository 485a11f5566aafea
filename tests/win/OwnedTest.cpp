// The ownership kit: what Owned does with what it holds, and for each kind of handle, that the
// owner recognises the kind's failure value and really closes the handle when it goes.
#include <gtest/gtest.h>

#include <windows.h>
#include <ddeml.h>

#include <string>
#include <vector>

#include "support/TestDdeServer.h"
#include "support/TestFiles.h"
#include "win/Owned.h"

namespace {

// A handle kind of the test's own: every close is recorded, with the traits' own state.
struct RecordedTraits {
    using Handle = int;
    std::vector<std::string>* closed = nullptr;
    std::string tag;
    static Handle Invalid() { return -1; }
    void Close(Handle handle) const { closed->push_back(tag + std::to_string(handle)); }
};
using Recorded = Owned<RecordedTraits>;

TEST(Owned, ClosesWhatItHoldsOnceAndNothingElse)
{
    std::vector<std::string> closed;
    {
        Recorded none(-1, {&closed, "a"});
        EXPECT_FALSE(none);
        Recorded held(3, {&closed, "a"});
        EXPECT_TRUE(held);
        EXPECT_EQ(3, held.get());
    }
    EXPECT_EQ(std::vector<std::string>{"a3"}, closed);
}

TEST(Owned, PutClosesTheOldHandleAndHandsOutAnEmptySlot)
{
    std::vector<std::string> closed;
    Recorded owner(4, {&closed, "p"});
    int* slot = owner.put();
    EXPECT_EQ(std::vector<std::string>{"p4"}, closed);
    EXPECT_EQ(-1, *slot);
    EXPECT_FALSE(owner);
    *slot = 5;  // as an API fills its out-parameter
    EXPECT_EQ(5, owner.get());
    owner.reset();
    EXPECT_EQ((std::vector<std::string>{"p4", "p5"}), closed);
}

TEST(Owned, ReleaseGivesUpWithoutClosingAndResetReplaces)
{
    std::vector<std::string> closed;
    Recorded owner(6, {&closed, "r"});
    EXPECT_EQ(6, owner.release());
    EXPECT_FALSE(owner);
    EXPECT_EQ(-1, owner.release());
    EXPECT_TRUE(closed.empty());

    owner.reset(7);
    owner.reset(8);
    EXPECT_EQ(std::vector<std::string>{"r7"}, closed);
    owner.reset();
    owner.reset();  // nothing held: nothing closed
    EXPECT_EQ((std::vector<std::string>{"r7", "r8"}), closed);
}

TEST(Owned, MovingHandsOverTheHandleAndTheTraitsState)
{
    std::vector<std::string> closed;
    {
        Recorded first(1, {&closed, "first"});
        Recorded second(2, {&closed, "second"});
        second = std::move(first);
        EXPECT_EQ(std::vector<std::string>{"second2"}, closed);
        EXPECT_FALSE(first);
        Recorded third(std::move(second));
        EXPECT_FALSE(second);
        EXPECT_EQ(1, third.get());
    }
    // Closed once, by the state it was made with.
    EXPECT_EQ((std::vector<std::string>{"second2", "first1"}), closed);
}

TEST(ScopeExit, RunsAtTheEndOfTheScopeUnlessDismissed)
{
    int runs = 0;
    {
        auto counted = OnScopeExit([&] { ++runs; });
        auto dismissed = OnScopeExit([&] { runs += 100; });
        dismissed.dismiss();
    }
    EXPECT_EQ(1, runs);
}

// ---- Each kind of handle against the real system ----

bool KernelHandleOpen(HANDLE handle)
{
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != FALSE;
}

TEST(OwnedKinds, RegistryKeyIsClosedAndAFailedOpenLeavesNone)
{
    const std::string path = std::string(kTestProductKey) + "\\OwnedProbe";
    HKEY raw = nullptr;
    {
        OwnedKey key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, key.put(), nullptr));
        raw = key.get();
        EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(raw, "v", 0, REG_SZ,
                                                reinterpret_cast<const BYTE*>("x"), 2));
    }
    EXPECT_EQ(static_cast<LONG>(ERROR_INVALID_HANDLE),
              RegSetValueExA(raw, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("y"), 2));
    EXPECT_EQ("x", ReadUserRegistryText(path, "v"));
    DeleteProductRegistryTree();

    OwnedKey missing;
    EXPECT_EQ(static_cast<LONG>(ERROR_FILE_NOT_FOUND),
              RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, missing.put()));
    EXPECT_FALSE(missing);
}

TEST(OwnedKinds, KernelHandleIsClosedAndNullIsNone)
{
    HANDLE raw = nullptr;
    {
        OwnedHandle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        ASSERT_TRUE(event);
        raw = event.get();
        EXPECT_TRUE(KernelHandleOpen(raw));
    }
    EXPECT_FALSE(KernelHandleOpen(raw));
    EXPECT_FALSE(OwnedHandle(OpenEventA(SYNCHRONIZE, FALSE, "VxOwnedNoSuchEvent")));
}

TEST(OwnedKinds, FileHandleIsClosedAndInvalidHandleValueIsNone)
{
    TempFolder folder;
    HANDLE raw = nullptr;
    {
        OwnedFile file(CreateFileA((folder / "a.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                   CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file);
        raw = file.get();
        EXPECT_TRUE(KernelHandleOpen(raw));
    }
    EXPECT_FALSE(KernelHandleOpen(raw));
    // Opened without sharing before, so it can only be opened again once it was closed.
    OwnedFile again(CreateFileA((folder / "a.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_TRUE(again);
    again.reset();

    OwnedFile missing(CreateFileA((folder / "missing.txt").c_str(), GENERIC_READ, 0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_EQ(INVALID_HANDLE_VALUE, missing.get());
    EXPECT_FALSE(missing);
}

TEST(OwnedKinds, ChangeNotificationIsClosedAndAFailedWatchIsNone)
{
    TempFolder folder;
    HANDLE raw = nullptr;
    {
        OwnedChangeNotification watch(
            FindFirstChangeNotificationA(folder.path().c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME));
        ASSERT_TRUE(watch);
        raw = watch.get();
        EXPECT_TRUE(FindNextChangeNotification(raw));
    }
    EXPECT_FALSE(FindNextChangeNotification(raw));
    OwnedChangeNotification missing(FindFirstChangeNotificationA(
        (folder / "missing").c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME));
    EXPECT_FALSE(missing);
}

TEST(OwnedKinds, FindHandleIsClosedAndAFailedSearchIsNone)
{
    TempFolder folder;
    WriteWholeFile(folder / "a.txt", "a");
    WriteWholeFile(folder / "b.txt", "b");
    WIN32_FIND_DATAA found;
    HANDLE raw = nullptr;
    {
        OwnedFindHandle search(FindFirstFileA((folder / "*.txt").c_str(), &found));
        ASSERT_TRUE(search);
        raw = search.get();
    }
    EXPECT_FALSE(FindNextFileA(raw, &found));
    EXPECT_FALSE(OwnedFindHandle(FindFirstFileA((folder / "*.none").c_str(), &found)));
}

TEST(OwnedKinds, ModuleIsFreedAndAFailedLoadIsNone)
{
    const std::string path = BuiltPluginPath();
    ASSERT_EQ(nullptr, GetModuleHandleA(path.c_str()));
    {
        OwnedModule module(LoadLibraryA(path.c_str()));
        ASSERT_TRUE(module) << path;
        EXPECT_EQ(module.get(), GetModuleHandleA(path.c_str()));
    }
    EXPECT_EQ(nullptr, GetModuleHandleA(path.c_str()));
    EXPECT_FALSE(OwnedModule(LoadLibraryA("vx-no-such-library.dll")));
}

// A DDE server on this thread whose transactions are counted.
int disconnections = 0;
HDDEDATA CALLBACK CountingServer(UINT type, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR)
{
    if (type == XTYP_CONNECT) return reinterpret_cast<HDDEDATA>(TRUE);
    if (type == XTYP_DISCONNECT) ++disconnections;
    return nullptr;
}

HDDEDATA CALLBACK NoCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR)
{
    return nullptr;
}

TEST(OwnedKinds, DdeStringIsFreedInItsOwnInstanceAndTheConversationIsDisconnected)
{
    DWORD server = 0, client = 0;
    ASSERT_EQ(static_cast<UINT>(DMLERR_NO_ERROR),
              DdeInitializeA(&server, CountingServer, APPCLASS_STANDARD, 0));
    ASSERT_EQ(static_cast<UINT>(DMLERR_NO_ERROR),
              DdeInitializeA(&client, NoCallback, APPCMD_CLIENTONLY, 0));
    OwnedDdeString service = MakeDdeString(server, "VxOwnedProbe");
    ASSERT_TRUE(service);
    ASSERT_NE(nullptr, DdeNameService(server, service.get(), nullptr, DNS_REGISTER));

    {
        // Made and freed in the client's instance: the server's own handle stays usable.
        OwnedDdeString name = MakeDdeString(client, "VxOwnedProbe");
        OwnedDdeString topic = MakeDdeString(client, "Topic");
        ASSERT_TRUE(name);
        ASSERT_TRUE(topic);
        disconnections = 0;
        OwnedConversation conversation(DdeConnect(client, name.get(), topic.get(), nullptr));
        ASSERT_TRUE(conversation);
        CONVINFO info{};
        info.cb = sizeof info;
        EXPECT_NE(0u, DdeQueryConvInfo(conversation.get(), QID_SYNC, &info));
    }
    PumpUntil([] { return disconnections > 0; }, 2000);
    EXPECT_EQ(1, disconnections);

    // A string handle is an atom while it lives: gone once its owner freed it.
    {
        OwnedDdeString only = MakeDdeString(client, "VxOwnedOnlyHere");
        ASSERT_TRUE(only);
        EXPECT_NE(0, FindAtomA("VxOwnedOnlyHere"));
    }
    EXPECT_EQ(0, FindAtomA("VxOwnedOnlyHere"));

    char text[32] = "";
    EXPECT_EQ(12u, DdeQueryStringA(server, service.get(), text, sizeof text, CP_WINANSI));
    EXPECT_STREQ("VxOwnedProbe", text);
    DdeNameService(server, service.get(), nullptr, DNS_UNREGISTER);
    service.reset();
    DdeUninitialize(client);
    DdeUninitialize(server);
}

}  // namespace
