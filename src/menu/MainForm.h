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
};

} // namespace halvex
