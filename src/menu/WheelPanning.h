#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace halvex {

// Wheel panning for a list that can scroll: pressing the mouse wheel puts the list into a mode in
// which it scrolls by itself, the faster the farther the pointer is from where the wheel went down.
// Releasing the wheel after moving ends the mode; after a press without moving, the mode lasts until
// the next press of any button, a key, or the loss of the focus or the capture.
class WheelPanning {
public:
    // Called first by the list's window procedure. True when the message was used up by panning.
    bool Filter(HWND list, UINT message, WPARAM wParam, LPARAM lParam);
    [[nodiscard]] bool Active() const noexcept { return list_ != nullptr; }
    void Stop();

    // Pixels to scroll per tick for a pointer this far (signed, in pixels) from the origin.
    static int StepFor(int distance) noexcept;

private:
    void Start(HWND list, POINT origin);
    void Tick();

    HWND list_ = nullptr;
    POINT origin_{};
    bool moved_ = false;
    int pendingPixels_ = 0;
};

} // namespace halvex
