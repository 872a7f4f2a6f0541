#include "platform/Logger.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

namespace halvex {

void Log(std::wstring_view message) noexcept
{
    try {
        std::wstring line(message);
        line += L"\r\n";
        ::OutputDebugStringW(line.c_str());
    } catch (...) {
        // Out of memory while logging: nothing sensible is left to report it to.
    }
}

} // namespace halvex
