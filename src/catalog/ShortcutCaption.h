#pragma once

#include <string>
#include <string_view>

namespace halvex {

// A caption without a trailing ".lnk" or ".url" (in any case): the shell hides these extensions,
// and a caption taken from a file name must not show them either.
[[nodiscard]] std::wstring WithoutShortcutExtension(std::wstring_view caption);

// The caption made from a path: its file name, in the case given, without ".lnk" or ".url".
[[nodiscard]] std::wstring CaptionFromPath(std::wstring_view path);

} // namespace halvex
