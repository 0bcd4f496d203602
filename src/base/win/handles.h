// Owners for Win32 handles (files, registry keys, device lists, CryptoAPI
// providers, keys and hashes, GDI objects, menus). Each owner closes its
// handle exactly once: it cannot be copied, a move leaves the source empty,
// and after every close the owner holds the empty value again, so no later
// path can close the same handle a second time.
#pragma once

#include <windows.h>
#include <setupapi.h>
#include <wincrypt.h>

#include <utility>

namespace tollvane {

template <class Traits>
class UniqueOwner {
public:
    using Handle = typename Traits::Handle;

    UniqueOwner() = default;
    explicit UniqueOwner(Handle h) : handle_(h) {}
    ~UniqueOwner() { reset(); }

    UniqueOwner(const UniqueOwner&) = delete;
    UniqueOwner& operator=(const UniqueOwner&) = delete;
    UniqueOwner(UniqueOwner&& other) noexcept : handle_(other.release()) {}
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
        if (old != Traits::Empty()) Traits::Close(old);
    }
    Handle release() { return std::exchange(handle_, Traits::Empty()); }

    // For out-parameters of the API: the previous handle is closed first.
    Handle* put() {
        reset();
        return &handle_;
    }

private:
    Handle handle_ = Traits::Empty();
};

struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::CloseHandle(h); }
};

struct RegKeyTraits {
    using Handle = HKEY;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::RegCloseKey(h); }
};

struct DevInfoTraits {
    using Handle = HDEVINFO;
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::SetupDiDestroyDeviceInfoList(h); }
};

struct CryptProvTraits {
    using Handle = HCRYPTPROV;
    static Handle Empty() { return 0; }
    static void Close(Handle h) { ::CryptReleaseContext(h, 0); }
};

struct CryptKeyTraits {
    using Handle = HCRYPTKEY;
    static Handle Empty() { return 0; }
    static void Close(Handle h) { ::CryptDestroyKey(h); }
};

struct CryptHashTraits {
    using Handle = HCRYPTHASH;
    static Handle Empty() { return 0; }
    static void Close(Handle h) { ::CryptDestroyHash(h); }
};

struct GdiObjectTraits {
    using Handle = HGDIOBJ;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::DeleteObject(h); }
};

struct MenuTraits {
    using Handle = HMENU;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::DestroyMenu(h); }
};

using UniqueFileHandle = UniqueOwner<FileHandleTraits>;
using UniqueRegKey = UniqueOwner<RegKeyTraits>;
using UniqueDevInfo = UniqueOwner<DevInfoTraits>;
using UniqueCryptProv = UniqueOwner<CryptProvTraits>;
using UniqueCryptKey = UniqueOwner<CryptKeyTraits>;
using UniqueCryptHash = UniqueOwner<CryptHashTraits>;
using UniqueGdiObject = UniqueOwner<GdiObjectTraits>;
using UniqueMenu = UniqueOwner<MenuTraits>;

}  // namespace tollvane
