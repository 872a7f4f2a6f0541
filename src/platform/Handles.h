#pragma once

// Small owning wrappers, one per kind of Windows resource. Each is move-only and releases its
// resource exactly once. get() lends the value, put() hands out the address for an out-parameter
// (releasing what was held first), release() gives up ownership, reset() replaces the value.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

#include <utility>

namespace halvex {

template <typename Traits>
class UniqueResource {
public:
    using Value = typename Traits::Value;

    UniqueResource() noexcept = default;
    explicit UniqueResource(Value value) noexcept : value_(value) {}
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ~UniqueResource() { reset(); }

    [[nodiscard]] Value get() const noexcept { return value_; }
    [[nodiscard]] bool valid() const noexcept { return !Traits::IsInvalid(value_); }
    explicit operator bool() const noexcept { return valid(); }

    // For out-parameters: frees the current value and returns the address to be written.
    [[nodiscard]] Value* put() noexcept
    {
        reset();
        return &value_;
    }

    [[nodiscard]] Value release() noexcept { return std::exchange(value_, Traits::Invalid()); }

    void reset(Value value = Traits::Invalid()) noexcept
    {
        Value old = std::exchange(value_, value);
        if (!Traits::IsInvalid(old))
            Traits::Close(old);
    }

private:
    Value value_ = Traits::Invalid();
};

namespace traits {

// HANDLE is used with two "no handle" values: NULL for most kernel objects, INVALID_HANDLE_VALUE for
// files and find handles. A pointer cannot be a template argument, hence one traits type per case.
struct KernelHandle {
    using Value = HANDLE;
    static Value Invalid() noexcept { return nullptr; }
    static bool IsInvalid(Value v) noexcept { return v == nullptr || v == INVALID_HANDLE_VALUE; }
    static void Close(Value v) noexcept { ::CloseHandle(v); }
};

struct FileHandle {
    using Value = HANDLE;
    static Value Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool IsInvalid(Value v) noexcept { return v == nullptr || v == INVALID_HANDLE_VALUE; }
    static void Close(Value v) noexcept { ::CloseHandle(v); }
};

struct FindHandle {
    using Value = HANDLE;
    static Value Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool IsInvalid(Value v) noexcept { return v == nullptr || v == INVALID_HANDLE_VALUE; }
    static void Close(Value v) noexcept { ::FindClose(v); }
};

struct RegKey {
    using Value = HKEY;
    static Value Invalid() noexcept { return nullptr; }
    static bool IsInvalid(Value v) noexcept { return v == nullptr; }
    static void Close(Value v) noexcept { ::RegCloseKey(v); }
};

struct Icon {
    using Value = HICON;
    static Value Invalid() noexcept { return nullptr; }
    static bool IsInvalid(Value v) noexcept { return v == nullptr; }
    static void Close(Value v) noexcept { ::DestroyIcon(v); }
};

struct Menu {
    using Value = HMENU;
    static Value Invalid() noexcept { return nullptr; }
    static bool IsInvalid(Value v) noexcept { return v == nullptr; }
    static void Close(Value v) noexcept { ::DestroyMenu(v); }
};

struct Hook {
    using Value = HHOOK;
    static Value Invalid() noexcept { return nullptr; }
    static bool IsInvalid(Value v) noexcept { return v == nullptr; }
    static void Close(Value v) noexcept { ::UnhookWindowsHookEx(v); }
};

struct ImageList {
    using Value = HIMAGELIST;
    static Value Invalid() noexcept { return nullptr; }
    static bool IsInvalid(Value v) noexcept { return v == nullptr; }
    static void Close(Value v) noexcept { ::ImageList_Destroy(v); }
};

template <typename T>
struct GdiObject {
    using Value = T;
    static Value Invalid() noexcept { return nullptr; }
    static bool IsInvalid(Value v) noexcept { return v == nullptr; }
    static void Close(Value v) noexcept { ::DeleteObject(v); }
};

struct Module {
    using Value = HMODULE;
    static Value Invalid() noexcept { return nullptr; }
    static bool IsInvalid(Value v) noexcept { return v == nullptr; }
    static void Close(Value v) noexcept { ::FreeLibrary(v); }
};

struct Window {
    using Value = HWND;
    static Value Invalid() noexcept { return nullptr; }
    static bool IsInvalid(Value v) noexcept { return v == nullptr; }
    static void Close(Value v) noexcept { ::DestroyWindow(v); }
};

struct GlobalAtom {
    using Value = ATOM;
    static Value Invalid() noexcept { return 0; }
    static bool IsInvalid(Value v) noexcept { return v == 0; }
    static void Close(Value v) noexcept { ::GlobalDeleteAtom(v); }
};

// Item identifier lists and other memory from the shell's task allocator.
template <typename T>
struct CoTaskMem {
    using Value = T*;
    static Value Invalid() noexcept { return nullptr; }
    static bool IsInvalid(Value v) noexcept { return v == nullptr; }
    static void Close(Value v) noexcept { ::CoTaskMemFree(v); }
};

} // namespace traits

using UniqueHandle = UniqueResource<traits::KernelHandle>;
using UniqueFile = UniqueResource<traits::FileHandle>;
using UniqueFind = UniqueResource<traits::FindHandle>;
using UniqueHKey = UniqueResource<traits::RegKey>;
using UniqueIcon = UniqueResource<traits::Icon>;
using UniqueMenu = UniqueResource<traits::Menu>;
using UniqueHook = UniqueResource<traits::Hook>;
using UniqueImageList = UniqueResource<traits::ImageList>;
using UniqueBitmap = UniqueResource<traits::GdiObject<HBITMAP>>;
using UniqueFont = UniqueResource<traits::GdiObject<HFONT>>;
using UniqueBrush = UniqueResource<traits::GdiObject<HBRUSH>>;
using UniqueModule = UniqueResource<traits::Module>;
using UniqueWindow = UniqueResource<traits::Window>;
using UniqueAtom = UniqueResource<traits::GlobalAtom>;
using UniquePidl = UniqueResource<traits::CoTaskMem<ITEMIDLIST>>;
template <typename T>
using UniqueCoTaskMem = UniqueResource<traits::CoTaskMem<T>>;

// Initialises COM on the calling thread for as long as it lives.
class ComInit {
public:
    explicit ComInit(DWORD model = COINIT_APARTMENTTHREADED) noexcept
        : hr_(::CoInitializeEx(nullptr, model)) {}
    ComInit(const ComInit&) = delete;
    ComInit& operator=(const ComInit&) = delete;
    ~ComInit()
    {
        if (SUCCEEDED(hr_))
            ::CoUninitialize();
    }
    [[nodiscard]] bool ok() const noexcept { return SUCCEEDED(hr_); }

private:
    HRESULT hr_;
};

} // namespace halvex
