#include "platform/Window.h"

#include "platform/Logger.h"

namespace halvex {

Window::~Window()
{
    if (hwnd_) {
        // The object goes first: detach it so that WM_DESTROY and friends reach DefWindowProc only.
        ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        ::DestroyWindow(hwnd_);
    }
}

bool Window::RegisterClassOnce(const wchar_t* className, HBRUSH background, HICON icon) noexcept
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    if (::GetClassInfoExW(instance, className, &wc))
        return true;
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &Window::WindowProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.hIcon = icon;
    wc.lpszClassName = className;
    return ::RegisterClassExW(&wc) != 0;
}

bool Window::Create(DWORD exStyle, const wchar_t* className, const wchar_t* caption, DWORD style,
                    int x, int y, int width, int height, HWND parent) noexcept
{
    HWND created = ::CreateWindowExW(exStyle, className, caption, style, x, y, width, height, parent,
                                     nullptr, ::GetModuleHandleW(nullptr), this);
    return created != nullptr;
}

LRESULT Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefaultHandling(message, wParam, lParam);
}

LRESULT CALLBACK Window::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    auto* self = reinterpret_cast<Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        self = static_cast<Window*>(create->lpCreateParams);
        self->hwnd_ = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (!self)
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    try {
        LRESULT result = self->HandleMessage(message, wParam, lParam);
        if (message == WM_NCDESTROY) {
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            self->hwnd_ = nullptr;
        }
        return result;
    } catch (...) {
        Log(L"Window.WindowProc: an exception reached the window procedure");
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

} // namespace halvex
