// One way to own a Win32 handle: Owned<Traits> closes what it holds with the function of its kind,
// on every path. Header only, so that the plug-in, the tools and the tests share it without linking.
//
//   OwnedKey key;
//   if (RegOpenKeyExA(root, path, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return;
//   RegQueryValueExA(key.get(), ...);
//
// A traits type names the handle type, the value an empty owner holds (Invalid), how it is closed
// and, when a kind's functions fail with more than one value, which values are no handle at all
// (IsValid). Traits may carry state (the DDE string handle needs its DDE instance); stateless ones
// close with a static Close.
#pragma once

#include <windows.h>
#include <ddeml.h>

#include <type_traits>
#include <utility>

namespace owned_detail {
template <typename Traits, typename = void>
struct HasIsValid : std::false_type {};
template <typename Traits>
struct HasIsValid<Traits, std::void_t<decltype(Traits::IsValid(Traits::Invalid()))>> : std::true_type {};

template <typename Traits>
bool IsValid(typename Traits::Handle handle)
{
    if constexpr (HasIsValid<Traits>::value)
        return Traits::IsValid(handle);
    else
        return handle != Traits::Invalid();
}
}  // namespace owned_detail

template <typename Traits>
class Owned : private Traits {
public:
    using Handle = typename Traits::Handle;

    Owned() : handle(Traits::Invalid()) {}
    explicit Owned(Handle handle, Traits traits = Traits()) : Traits(traits), handle(handle) {}
    ~Owned() { reset(); }

    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    Owned(Owned&& other) noexcept : Traits(other.traits()), handle(other.release()) {}
    Owned& operator=(Owned&& other) noexcept
    {
        if (this != &other) {
            reset(other.release());
            traits() = other.traits();
        }
        return *this;
    }

    Handle get() const { return handle; }
    explicit operator bool() const { return owned_detail::IsValid<Traits>(handle); }

    // For an out-parameter: closes what is held, then hands out the slot to be filled.
    Handle* put()
    {
        reset();
        return &handle;
    }

    // Gives up ownership without closing; the caller closes (and may check the result).
    Handle release()
    {
        Handle released = handle;
        handle = Traits::Invalid();
        return released;
    }

    // Closes what is held and takes replacement (or nothing) instead.
    void reset(Handle replacement = Traits::Invalid())
    {
        Handle old = handle;
        handle = replacement;
        if (owned_detail::IsValid<Traits>(old)) traits().Close(old);
    }

private:
    Traits& traits() { return *this; }
    const Traits& traits() const { return *this; }

    Handle handle;
};

// ---- One traits type per kind ----

// What a failed call gives instead of a handle: null, INVALID_HANDLE_VALUE, or either (kernel
// objects: CreateEventA fails with null, CreateFileA with INVALID_HANDLE_VALUE, and code that mixes
// them up must not close either).
enum class NoHandle { null, invalidHandleValue, either };

// The traits of a kind closed by one function of the handle alone.
template <typename HandleType, auto closeFunction, NoHandle none = NoHandle::null>
struct ClosedBy {
    using Handle = HandleType;
    static Handle Invalid()
    {
        return none == NoHandle::invalidHandleValue ? reinterpret_cast<Handle>(static_cast<LONG_PTR>(-1))
                                                    : Handle();
    }
    static bool IsValid(Handle handle)
    {
        const bool isNull = handle == Handle();
        const bool isMinusOne = handle == reinterpret_cast<Handle>(static_cast<LONG_PTR>(-1));
        switch (none) {
        case NoHandle::null: return !isNull;
        case NoHandle::invalidHandleValue: return !isMinusOne;
        default: return !isNull && !isMinusOne;
        }
    }
    static void Close(Handle handle) { closeFunction(handle); }
};

using RegistryKeyTraits = ClosedBy<HKEY, RegCloseKey>;
// Events, mappings, processes, threads.
using KernelHandleTraits = ClosedBy<HANDLE, CloseHandle, NoHandle::either>;
// Files: the same kind, empty as CreateFileA's failure.
struct FileHandleTraits : KernelHandleTraits {
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
};
// FindFirstChangeNotificationA's handle has a closing function of its own.
using ChangeNotificationTraits =
    ClosedBy<HANDLE, FindCloseChangeNotification, NoHandle::invalidHandleValue>;
// FindFirstFileA's search.
using FindHandleTraits = ClosedBy<HANDLE, FindClose, NoHandle::invalidHandleValue>;
using ModuleTraits = ClosedBy<HMODULE, FreeLibrary>;
// A window of ours: DestroyWindow must run on the thread that made it.
using WindowTraits = ClosedBy<HWND, DestroyWindow>;
using FontTraits = ClosedBy<HFONT, DeleteObject>;
// DdeDisconnect finds the DDE instance through the conversation itself.
using DdeConversationTraits = ClosedBy<HCONV, DdeDisconnect>;

// A DDE string handle belongs to the DDE instance that created it, so its traits carry that.
struct DdeStringTraits {
    using Handle = HSZ;
    DWORD instance = 0;
    static Handle Invalid() { return nullptr; }
    void Close(Handle text) const { DdeFreeStringHandle(instance, text); }
};

using OwnedKey = Owned<RegistryKeyTraits>;
using OwnedHandle = Owned<KernelHandleTraits>;
using OwnedFile = Owned<FileHandleTraits>;
using OwnedChangeNotification = Owned<ChangeNotificationTraits>;
using OwnedFindHandle = Owned<FindHandleTraits>;
using OwnedModule = Owned<ModuleTraits>;
using OwnedWindow = Owned<WindowTraits>;
using OwnedFont = Owned<FontTraits>;
using OwnedDdeString = Owned<DdeStringTraits>;
using OwnedConversation = Owned<DdeConversationTraits>;

// A string handle made in the given DDE instance, freed in it.
inline OwnedDdeString MakeDdeString(DWORD instance, const char* text)
{
    return OwnedDdeString(DdeCreateStringHandleA(instance, text, CP_WINANSI), DdeStringTraits{instance});
}

// For the rare one-off clean-up that has no kind of its own: runs the action when the scope ends,
// unless dismissed.
template <typename Action>
class [[nodiscard]] ScopeExit {
public:
    explicit ScopeExit(Action action) : action(std::move(action)) {}
    ~ScopeExit()
    {
        if (armed) action();
    }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    void dismiss() { armed = false; }

private:
    Action action;
    bool armed = true;
};

template <typename Action>
[[nodiscard]] ScopeExit<Action> OnScopeExit(Action action)
{
    return ScopeExit<Action>(std::move(action));
}
