#pragma once

#include "platform/Window.h"

namespace halvex {

// The menu window "THalvexForm": the resident process's main window.
class TMainForm final : public Window {
public:
    static constexpr int DefaultWidth = 401;
    static constexpr int DefaultHeight = 523;

    TMainForm() = default;

    // Creates the native window (hidden). False when Windows refused to create it.
    [[nodiscard]] bool CreateMenuWindow() noexcept;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // WM_PIN_PATH from a "/pin" process: wParam is a global atom holding the path.
    void PinPathFromAtom(WPARAM atomNumber);
    void ToggleMenu();
};

} // namespace halvex
