#pragma once

#include <atomic>

namespace halvex {

// Set once when the program is closing. Written on the main thread only; the hook thread, the icon
// worker and the folder watchers read it to stop, and the menu stops showing itself.
inline std::atomic<bool> Closing{false};

} // namespace halvex
