// The string helpers for paths and registry key names.

#include "platform/Utils.h"

namespace halvex {

void AddTrailingBackslash(std::wstring& path)
{
    if (!path.empty() && path.back() != L'\\')
        path += L'\\';
}

std::wstring DropLastChars(std::wstring_view text, int count)
{
    if (count <= 0 || text.empty())
        return std::wstring(text);
    if (text.size() < static_cast<size_t>(count))
        return {};
    return std::wstring(text.substr(0, text.size() - static_cast<size_t>(count)));
}

std::wstring PathToKeyName(std::wstring_view path)
{
    std::wstring name(path);
    for (wchar_t& c : name)
        if (c == L'\\')
            c = L'/';
    return name;
}

std::wstring LowerCase(std::wstring_view text)
{
    std::wstring lower(text);
    if (!lower.empty())
        ::CharLowerBuffW(lower.data(), static_cast<DWORD>(lower.size()));
    return lower;
}

} // namespace halvex
