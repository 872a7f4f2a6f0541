#pragma once

#include <string_view>

namespace halvex {

// Diagnostic text of the form "Unit.Routine: what happened". Nothing is written to disk; the text
// goes to the debugger (OutputDebugStringW), so a running menu can be watched without a log file.
void Log(std::wstring_view message) noexcept;

} // namespace halvex
