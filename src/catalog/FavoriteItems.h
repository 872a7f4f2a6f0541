#pragma once

#include <string>

namespace halvex {

// Unpins the path when it is pinned (by its own path or as a shortcut's target), otherwise pins it
// at the end of the favorites.
void TogglePin(const std::wstring& path);

} // namespace halvex
