#pragma once

// The base of every window of the program: one C++ object per native window, its pointer kept in
// GWLP_USERDATA. The window procedure never lets an exception escape into Windows.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace halvex {

class Window {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    [[nodiscard]] HWND handle() const noexcept { return hwnd_; }

protected:
    // Registers the class once per process (a second call with the same name is harmless).
    static bool RegisterClassOnce(const wchar_t* className, HBRUSH background, HICON icon) noexcept;

    // Creates the native window; the object receives every message from WM_NCCREATE on.
    bool Create(DWORD exStyle, const wchar_t* className, const wchar_t* caption, DWORD style,
                int x, int y, int width, int height, HWND parent) noexcept;

    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    LRESULT DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam) noexcept
    {
        return ::DefWindowProcW(hwnd_, message, wParam, lParam);
    }

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    HWND hwnd_ = nullptr;
};

} // namespace halvex
