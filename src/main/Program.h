#pragma once

#include <string>
#include <vector>

namespace halvex {

// Runs the program for its command line (the arguments after the program's own name) and returns
// the process's exit code.
int RunProgram(const std::vector<std::wstring>& arguments) noexcept;

} // namespace halvex
