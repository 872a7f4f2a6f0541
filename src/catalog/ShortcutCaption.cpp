#include "catalog/ShortcutCaption.h"

#include "platform/Utils.h"

namespace halvex {

std::wstring WithoutShortcutExtension(std::wstring_view caption)
{
    constexpr size_t ExtensionLength = 4;
    if (caption.size() >= ExtensionLength) {
        const std::wstring extension = LowerCase(caption.substr(caption.size() - ExtensionLength));
        if (extension == L".lnk" || extension == L".url")
            return DropLastChars(caption, static_cast<int>(ExtensionLength));
    }
    return std::wstring(caption);
}

std::wstring CaptionFromPath(std::wstring_view path)
{
    const size_t separator = path.find_last_of(L"\\/:");
    return WithoutShortcutExtension(separator == std::wstring_view::npos ? path : path.substr(separator + 1));
}

} // namespace halvex
