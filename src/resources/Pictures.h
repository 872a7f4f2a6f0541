#pragma once

// The menu's pictures as bitmaps the window code can draw. Each picture is a PNG file stored in the
// executable as an RCDATA resource (ids IDP_* in ResourceIds.h); LoadPicture decodes it with the
// program's PNG reader into a 32-bit top-down DIB section.
//
// Alpha: with the default premultiplied pixels a picture is drawn by DrawPicture, blended over
// whatever lies below it. Image lists want straight alpha instead: load the
// small icons with AlphaMode::Straight and pass the bitmap to ImageList_Add, which splits the 64-pixel
// strip into its four 16 x 16 images.
//
// Nothing here throws or shows a message; a picture that cannot be loaded comes back empty (and is
// logged), and the caller draws nothing in its place.

#include "platform/Handles.h"
#include "resources/Png.h"
#include "resources/ResourceIds.h"

#include <cstdint>
#include <span>

namespace halvex {

struct Picture {
    UniqueBitmap bitmap;  // 32 bits per pixel, top-down, BGRA
    int width = 0;
    int height = 0;

    explicit operator bool() const noexcept { return bitmap.valid(); }
};

// A DIB section holding the decoded pixels; empty when GDI cannot make one.
[[nodiscard]] Picture CreatePictureBitmap(const png::Image& image) noexcept;

// Decodes the bytes of a PNG file; empty when they are not a valid PNG.
[[nodiscard]] Picture DecodePicture(std::span<const std::uint8_t> file,
                                    png::AlphaMode alpha = png::AlphaMode::Premultiplied) noexcept;

// The bytes of the RCDATA resource `id` of the module (nullptr: this program); empty when missing.
[[nodiscard]] std::span<const std::uint8_t> PictureResource(int id, HMODULE module = nullptr) noexcept;

// Loads picture `id` (IDP_*) from the module (nullptr: this program).
[[nodiscard]] Picture LoadPicture(int id, png::AlphaMode alpha = png::AlphaMode::Premultiplied,
                                  HMODULE module = nullptr) noexcept;

// Draws a premultiplied picture with its top-left corner at (x, y), blending it by its alpha
// (AlphaBlend with per-pixel alpha).
// False when there is nothing to draw or GDI refuses.
bool DrawPicture(HDC dc, const Picture& picture, int x, int y) noexcept;

} // namespace halvex
