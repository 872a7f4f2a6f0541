#pragma once

// The program's PNG reader: the menu's pictures are PNG files compiled into the executable, and a
// user may hand us one. Plain C++ over zlib with no Windows header, so that the same file also builds
// for the Linux host, where the tests run it under AddressSanitizer and UBSan against broken files.
//
// Reads every standard form of PNG: greyscale, truecolour, palette, greyscale with alpha and
// truecolour with alpha, at each bit depth the format allows (1, 2, 4, 8 and 16), with tRNS
// transparency, all five row filters and Adam7 interlacing. Ancillary chunks (gamma, colour profile,
// text, ...) are checked and skipped. Anything malformed is refused with a PngError that names what
// is wrong; the reader never reads or writes outside its buffers, and allocates in proportion to the
// data the file really holds, not to the size it claims.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace halvex::png {

enum class PngError {
    None,
    BadSignature,             // not a PNG file
    Truncated,                // the file ends inside a chunk, or before IEND
    BadChunkLength,           // a chunk length above 2^31 - 1
    BadChunkType,             // a chunk type that is not four ASCII letters
    BadCrc,                   // a chunk's CRC does not match its contents
    BadChunkOrder,            // IHDR not first, a chunk twice, PLTE or tRNS after the image data, ...
    UnknownCriticalChunk,     // a chunk the image cannot be read without, and that we do not know
    BadHeader,                // IHDR: wrong length, zero size, impossible depth or colour type, methods
    TooLarge,                 // more pixels than the caller allows (or than memory can address)
    BadPalette,               // PLTE missing, not allowed, or of an impossible length
    BadTransparency,          // tRNS not allowed for the colour type, or of the wrong length
    MissingImageData,         // no IDAT chunk
    BadCompressedData,        // zlib refuses the data (also: bytes after the end of the zlib stream)
    CompressedDataEndsEarly,  // the IDAT data stops before the zlib stream's end
    ImageDataTooShort,        // the zlib stream ends before the image is complete
    ImageDataTooLong,         // the zlib stream holds more than the image
    BadFilter,                // a row filter type above 4
    BadPaletteIndex,          // a pixel names a palette entry that does not exist
    OutOfMemory,
};

// A short English description of the error, for logs.
[[nodiscard]] const char* PngErrorText(PngError error) noexcept;

enum class AlphaMode {
    Premultiplied,  // colour scaled by alpha: what AlphaBlend with AC_SRC_ALPHA expects
    Straight,       // colour as stored: what an image list (ImageList_Add) expects
};

struct DecodeOptions {
    AlphaMode alpha = AlphaMode::Premultiplied;
    // Files that declare more pixels than this are refused before anything is allocated for them.
    std::uint64_t maxPixels = std::uint64_t{1} << 25;
};

// Decoded pixels: 4 bytes per pixel in the order blue, green, red, alpha (the layout of a 32-bit DIB),
// rows from the top down, no padding between rows. 16-bit samples keep their high byte.
struct Image {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> bgra;
};

// Decodes a whole PNG file held in memory. On failure the image is left empty.
[[nodiscard]] PngError DecodePng(std::span<const std::uint8_t> file, Image& image,
                                 const DecodeOptions& options = {}) noexcept;

} // namespace halvex::png
