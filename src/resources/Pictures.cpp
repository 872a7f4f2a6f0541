#include "resources/Pictures.h"

#include "platform/Logger.h"

#include <climits>
#include <cstring>
#include <string>

namespace halvex {

namespace {

std::wstring Widen(const char* text)
{
    std::wstring out;
    for (const char* p = text; *p; ++p)
        out += static_cast<wchar_t>(static_cast<unsigned char>(*p));
    return out;
}

} // namespace

Picture CreatePictureBitmap(const png::Image& image) noexcept
{
    Picture picture;
    if (image.width == 0 || image.height == 0 || image.width > INT_MAX || image.height > INT_MAX ||
        image.bgra.size() != std::size_t{image.width} * image.height * 4)
        return picture;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = static_cast<LONG>(image.width);
    info.bmiHeader.biHeight = -static_cast<LONG>(image.height);  // negative: rows from the top down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    picture.bitmap.reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!picture.bitmap || !bits) {
        Log(L"Pictures.CreatePictureBitmap: CreateDIBSection failed");
        return {};
    }
    // A 32-bit DIB row is a whole number of DWORDs already, so the rows follow each other unpadded.
    std::memcpy(bits, image.bgra.data(), image.bgra.size());
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    return picture;
}

Picture DecodePicture(std::span<const std::uint8_t> file, png::AlphaMode alpha) noexcept
{
    png::Image image;
    png::DecodeOptions options;
    options.alpha = alpha;
    const png::PngError error = png::DecodePng(file, image, options);
    if (error != png::PngError::None) {
        Log(L"Pictures.DecodePicture: " + Widen(png::PngErrorText(error)));
        return {};
    }
    return CreatePictureBitmap(image);
}

std::span<const std::uint8_t> PictureResource(int id, HMODULE module) noexcept
{
    if (!module)
        module = ::GetModuleHandleW(nullptr);
    HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(id), RT_RCDATA);
    HGLOBAL loaded = resource ? ::LoadResource(module, resource) : nullptr;
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    if (!data)
        return {};
    // Resource memory belongs to the module and lives as long as it is loaded; nothing to free.
    return {static_cast<const std::uint8_t*>(data), ::SizeofResource(module, resource)};
}

Picture LoadPicture(int id, png::AlphaMode alpha, HMODULE module) noexcept
{
    const std::span<const std::uint8_t> file = PictureResource(id, module);
    if (file.empty()) {
        Log(L"Pictures.LoadPicture: no picture resource " + std::to_wstring(id));
        return {};
    }
    return DecodePicture(file, alpha);
}

bool DrawPicture(HDC dc, const Picture& picture, int x, int y) noexcept
{
    if (!dc || !picture)
        return false;
    HDC source = ::CreateCompatibleDC(dc);
    if (!source)
        return false;
    HGDIOBJ old = ::SelectObject(source, picture.bitmap.get());
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    // gdi32's own entry point: msimg32's AlphaBlend only forwards to it, and gdi32 is a system DLL
    // Windows never looks for in the program's folder.
    const BOOL drawn =
        ::GdiAlphaBlend(dc, x, y, picture.width, picture.height, source, 0, 0, picture.width, picture.height, blend);
    ::SelectObject(source, old);
    ::DeleteDC(source);
    return drawn != FALSE;
}

} // namespace halvex
