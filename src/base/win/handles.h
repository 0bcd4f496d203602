// Owners for Win32 handles (files, registry keys, device lists, CryptoAPI
// providers, keys and hashes, GDI objects, menus, icons). Each owner closes its
// handle exactly once: it cannot be copied, a move leaves the source empty,
// and after every close the owner holds the empty value again, so no later
// path can close the same handle a second time.
#pragma once

#include <windows.h>
#include <setupapi.h>
#include <wincrypt.h>

#include <string>
#include <utility>

namespace tollvane {

// Kinds of handle the owners count: kernel and other system handles (files,
// registry keys, device lists, Crypt), GDI objects, USER objects (menus, icons).
enum class OwnedKind { Handle = 0, Gdi = 1, User = 2 };

// How many handles of each kind the owners hold now. Wine answers 0 to
// GetProcessHandleCount and GetGuiResources, so the soak test reads these
// instead: started with TOLLVANE_OWNER_COUNTS=1 in its environment, the
// program keeps them in the named shared memory
// "Local\TollvaneOwnerCounts.<process id>" (three LONGs), where a helper
// outside can read them. Otherwise they stay in a private array.
inline volatile LONG* OwnerCounts() {
    static volatile LONG* const counts = [] {
        static volatile LONG own[3] = {};
        wchar_t flag[2] = {};
        if (GetEnvironmentVariableW(L"TOLLVANE_OWNER_COUNTS", flag, 2) != 1 || flag[0] != L'1')
            return own;
        const std::wstring name =
            L"Local\\TollvaneOwnerCounts." + std::to_wstring(GetCurrentProcessId());
        // Never closed: the helper reads the counts until the program ends.
        const HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                                  sizeof own, name.c_str());
        void* view = mapping ? MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof own) : nullptr;
        return view ? static_cast<volatile LONG*>(view) : own;
    }();
    return counts;
}

template <class Traits>
class UniqueOwner {
public:
    using Handle = typename Traits::Handle;

    UniqueOwner() = default;
    explicit UniqueOwner(Handle h) : handle_(h) { Count(h, 1); }
    ~UniqueOwner() { reset(); }

    UniqueOwner(const UniqueOwner&) = delete;
    UniqueOwner& operator=(const UniqueOwner&) = delete;
    UniqueOwner(UniqueOwner&& other) noexcept
        : handle_(std::exchange(other.handle_, Traits::Empty())) {}
    UniqueOwner& operator=(UniqueOwner&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    Handle get() const { return handle_; }
    bool valid() const { return handle_ != Traits::Empty(); }
    explicit operator bool() const { return valid(); }

    // Closes the held handle, if any, and takes h instead.
    void reset(Handle h = Traits::Empty()) {
        Handle old = std::exchange(handle_, h);
        Count(h, 1);
        if (old != Traits::Empty()) Traits::Close(old);
        Count(old, -1);
    }
    Handle release() {
        Count(handle_, -1);
        return std::exchange(handle_, Traits::Empty());
    }

    // For out-parameters of the API: the previous handle is closed first.
    // The handle the call leaves is counted when the call's full expression
    // ends, as the pointer goes.
    class OutPointer {
    public:
        explicit OutPointer(UniqueOwner& owner) : owner_(owner) {}
        ~OutPointer() { Count(owner_.handle_, 1); }
        OutPointer(const OutPointer&) = delete;
        OutPointer& operator=(const OutPointer&) = delete;
        operator Handle*() const { return &owner_.handle_; }

    private:
        UniqueOwner& owner_;
    };
    OutPointer put() {
        reset();
        return OutPointer(*this);
    }

private:
    static void Count(Handle h, LONG delta) {
        if (h != Traits::Empty())
            InterlockedExchangeAdd(&OwnerCounts()[static_cast<int>(Traits::kKind)], delta);
    }

    Handle handle_ = Traits::Empty();
};

struct FileHandleTraits {
    static constexpr OwnedKind kKind = OwnedKind::Handle;
    using Handle = HANDLE;
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::CloseHandle(h); }
};

struct RegKeyTraits {
    static constexpr OwnedKind kKind = OwnedKind::Handle;
    using Handle = HKEY;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::RegCloseKey(h); }
};

struct DevInfoTraits {
    static constexpr OwnedKind kKind = OwnedKind::Handle;
    using Handle = HDEVINFO;
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::SetupDiDestroyDeviceInfoList(h); }
};

struct CryptProvTraits {
    static constexpr OwnedKind kKind = OwnedKind::Handle;
    using Handle = HCRYPTPROV;
    static Handle Empty() { return 0; }
    static void Close(Handle h) { ::CryptReleaseContext(h, 0); }
};

struct CryptKeyTraits {
    static constexpr OwnedKind kKind = OwnedKind::Handle;
    using Handle = HCRYPTKEY;
    static Handle Empty() { return 0; }
    static void Close(Handle h) { ::CryptDestroyKey(h); }
};

struct CryptHashTraits {
    static constexpr OwnedKind kKind = OwnedKind::Handle;
    using Handle = HCRYPTHASH;
    static Handle Empty() { return 0; }
    static void Close(Handle h) { ::CryptDestroyHash(h); }
};

struct GdiObjectTraits {
    static constexpr OwnedKind kKind = OwnedKind::Gdi;
    using Handle = HGDIOBJ;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::DeleteObject(h); }
};

struct MenuTraits {
    static constexpr OwnedKind kKind = OwnedKind::User;
    using Handle = HMENU;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::DestroyMenu(h); }
};

struct IconTraits {
    static constexpr OwnedKind kKind = OwnedKind::User;
    using Handle = HICON;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::DestroyIcon(h); }
};

using UniqueFileHandle = UniqueOwner<FileHandleTraits>;
using UniqueRegKey = UniqueOwner<RegKeyTraits>;
using UniqueDevInfo = UniqueOwner<DevInfoTraits>;
using UniqueCryptProv = UniqueOwner<CryptProvTraits>;
using UniqueCryptKey = UniqueOwner<CryptKeyTraits>;
using UniqueCryptHash = UniqueOwner<CryptHashTraits>;
using UniqueGdiObject = UniqueOwner<GdiObjectTraits>;
using UniqueMenu = UniqueOwner<MenuTraits>;
using UniqueIcon = UniqueOwner<IconTraits>;

}  // namespace tollvane
