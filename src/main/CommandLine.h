#pragma once

#include <string>
#include <vector>

namespace halvex {

enum class ProgramMode {
    Install,    // "/install": register the Explorer verb and the default favorite
    Uninstall,  // "/uninstall": remove the Explorer verb
    Pin,        // "/pin <path>": toggle the pin of a path
    Metro,      // "/metro": open the Windows Start screen
    Reminder,   // "/reminder": show the startup hint for five seconds
    Startup,    // "/startup": the resident menu, starting hidden
    Resident,   // anything else: the resident menu, shown once at start
};

// Chooses the mode from the first argument alone, compared exactly and case-sensitively.
[[nodiscard]] ProgramMode SelectMode(const std::vector<std::wstring>& arguments);

// The path of "/pin": Explorer passes it unquoted, so the shell splits it at its blanks; join every
// argument after the first with one blank and trim white space and control characters at both ends.
[[nodiscard]] std::wstring RejoinPinPath(const std::vector<std::wstring>& arguments);

// The longest text a global atom can hold.
inline constexpr size_t MaxAtomLength = 255;

} // namespace halvex
