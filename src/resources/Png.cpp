#include "resources/Png.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <exception>
#include <limits>
#include <new>

namespace halvex::png {

namespace {

// Raised inside the reader and turned into the result at its one entry point.
struct Failure {
    PngError error;
};

[[noreturn]] void Fail(PngError error) { throw Failure{error}; }

constexpr std::array<std::uint8_t, 8> Signature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::uint32_t MaxChunkLength = 0x7FFFFFFF;  // also the largest width and height

constexpr std::uint32_t ChunkType(const char (&name)[5])
{
    return std::uint32_t(std::uint8_t(name[0])) << 24 | std::uint32_t(std::uint8_t(name[1])) << 16 |
           std::uint32_t(std::uint8_t(name[2])) << 8 | std::uint32_t(std::uint8_t(name[3]));
}

constexpr std::uint32_t IHDR = ChunkType("IHDR");
constexpr std::uint32_t PLTE = ChunkType("PLTE");
constexpr std::uint32_t tRNS = ChunkType("tRNS");
constexpr std::uint32_t IDAT = ChunkType("IDAT");
constexpr std::uint32_t IEND = ChunkType("IEND");

enum ColourType : std::uint8_t { Grey = 0, Truecolour = 2, Palette = 3, GreyAlpha = 4, TruecolourAlpha = 6 };

std::uint32_t BigEndian32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

std::uint16_t BigEndian16(const std::uint8_t* p) { return std::uint16_t(p[0] << 8 | p[1]); }

bool IsLetter(std::uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

struct Chunk {
    std::uint32_t type = 0;
    std::span<const std::uint8_t> data;
};

// Walks the chunks of a file, checking each one's length, type and CRC before handing it out.
class ChunkReader {
public:
    explicit ChunkReader(std::span<const std::uint8_t> file) : file_(file)
    {
        if (file_.size() < Signature.size() || !std::equal(Signature.begin(), Signature.end(), file_.begin()))
            Fail(PngError::BadSignature);
        position_ = Signature.size();
    }

    Chunk Next()
    {
        const std::size_t left = file_.size() - position_;
        if (left < 8)
            Fail(PngError::Truncated);
        const std::uint8_t* start = file_.data() + position_;
        const std::uint32_t length = BigEndian32(start);
        if (length > MaxChunkLength)
            Fail(PngError::BadChunkLength);
        if (std::uint64_t{length} + 12 > left)
            Fail(PngError::Truncated);
        for (int i = 4; i < 8; ++i)
            if (!IsLetter(start[i]))
                Fail(PngError::BadChunkType);
        // The CRC covers the type and the data.
        const uLong crc = crc32(crc32(0L, Z_NULL, 0), start + 4, static_cast<uInt>(length) + 4);
        if (crc != BigEndian32(start + 8 + length))
            Fail(PngError::BadCrc);
        position_ += std::size_t{length} + 12;
        return {BigEndian32(start + 4), {start + 8, length}};
    }

private:
    std::span<const std::uint8_t> file_;
    std::size_t position_ = 0;
};

struct Header {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint8_t depth = 0;
    std::uint8_t colourType = 0;
    bool interlaced = false;
    unsigned channels = 0;

    unsigned BitsPerPixel() const { return channels * depth; }
    // Bytes per complete pixel, at least 1: the distance the row filters look back.
    unsigned FilterDistance() const { return std::max(1u, BitsPerPixel() / 8); }
    std::uint64_t RowBytes(std::uint32_t pixels) const { return (std::uint64_t{pixels} * BitsPerPixel() + 7) / 8; }
};

Header ParseHeader(const Chunk& chunk)
{
    if (chunk.data.size() != 13)
        Fail(PngError::BadHeader);
    const std::uint8_t* d = chunk.data.data();
    Header h;
    h.width = BigEndian32(d);
    h.height = BigEndian32(d + 4);
    h.depth = d[8];
    h.colourType = d[9];
    if (h.width == 0 || h.height == 0 || h.width > MaxChunkLength || h.height > MaxChunkLength)
        Fail(PngError::BadHeader);
    bool depthAllowed = false;
    switch (h.colourType) {
    case Grey:
        h.channels = 1;
        depthAllowed = h.depth == 1 || h.depth == 2 || h.depth == 4 || h.depth == 8 || h.depth == 16;
        break;
    case Palette:
        h.channels = 1;
        depthAllowed = h.depth == 1 || h.depth == 2 || h.depth == 4 || h.depth == 8;
        break;
    case Truecolour:
    case GreyAlpha:
    case TruecolourAlpha:
        h.channels = h.colourType == Truecolour ? 3 : h.colourType == GreyAlpha ? 2 : 4;
        depthAllowed = h.depth == 8 || h.depth == 16;
        break;
    default:
        break;
    }
    // Compression method 0 (deflate), filter method 0 (the five row filters), interlace 0 or 1.
    if (!depthAllowed || d[10] != 0 || d[11] != 0 || d[12] > 1)
        Fail(PngError::BadHeader);
    h.interlaced = d[12] == 1;
    return h;
}

// One pass of the image: the whole image, or one of Adam7's seven sub-images.
struct Pass {
    std::uint32_t x0, y0, dx, dy;
    std::uint32_t width = 0, height = 0;
};

std::vector<Pass> PassesOf(const Header& h)
{
    if (!h.interlaced)
        return {{0, 0, 1, 1, h.width, h.height}};
    static constexpr std::uint32_t adam7[7][4] = {
        {0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4}, {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    std::vector<Pass> passes;
    for (const auto& a : adam7) {
        Pass p{a[0], a[1], a[2], a[3]};
        p.width = h.width > p.x0 ? (h.width - p.x0 + p.dx - 1) / p.dx : 0;
        p.height = h.height > p.y0 ? (h.height - p.y0 + p.dy - 1) / p.dy : 0;
        if (p.width && p.height)  // an empty pass has no rows, not even filter bytes
            passes.push_back(p);
    }
    return passes;
}

// Inflates the concatenated IDAT data into exactly `expected` bytes. The buffer grows with the data
// that really arrives, so a small file that claims a huge image costs little before it is refused.
std::vector<std::uint8_t> Inflate(const std::vector<std::uint8_t>& compressed, std::size_t expected)
{
    if (compressed.size() > UINT_MAX)
        Fail(PngError::TooLarge);
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        Fail(PngError::OutOfMemory);
    struct End {
        z_stream* s;
        ~End() { inflateEnd(s); }
    } end{&stream};

    stream.next_in = const_cast<Bytef*>(compressed.data());
    stream.avail_in = static_cast<uInt>(compressed.size());
    std::vector<std::uint8_t> raw;
    raw.resize(std::min<std::size_t>(expected, std::max<std::size_t>(std::size_t{1} << 16, compressed.size() * 4)));
    std::size_t produced = 0;
    for (;;) {
        if (produced == raw.size() && raw.size() < expected)
            raw.resize(raw.size() <= expected / 2 ? raw.size() * 2 : expected);
        std::uint8_t spare = 0;  // room to see whether the stream holds more than the image
        const bool full = produced == expected;
        stream.next_out = full ? &spare : raw.data() + produced;
        stream.avail_out = full ? 1 : static_cast<uInt>(std::min<std::size_t>(raw.size() - produced, UINT_MAX));
        const uInt room = stream.avail_out;
        const int status = inflate(&stream, Z_NO_FLUSH);
        const std::size_t written = room - stream.avail_out;
        if (full && written)
            Fail(PngError::ImageDataTooLong);
        produced += full ? 0 : written;
        switch (status) {
        case Z_STREAM_END:
            if (produced != expected)
                Fail(PngError::ImageDataTooShort);
            if (stream.avail_in != 0)
                Fail(PngError::BadCompressedData);
            raw.resize(expected);
            return raw;
        case Z_OK:
            break;
        case Z_BUF_ERROR:  // no progress possible: all input used and the stream not at its end
            Fail(PngError::CompressedDataEndsEarly);
        case Z_MEM_ERROR:
            Fail(PngError::OutOfMemory);
        default:  // Z_DATA_ERROR, Z_NEED_DICT, Z_STREAM_ERROR
            Fail(PngError::BadCompressedData);
        }
    }
}

std::uint8_t PaethPredictor(int a, int b, int c)
{
    const int p = a + b - c;
    const int pa = p > a ? p - a : a - p;
    const int pb = p > b ? p - b : b - p;
    const int pc = p > c ? p - c : c - p;
    if (pa <= pb && pa <= pc)
        return static_cast<std::uint8_t>(a);
    return static_cast<std::uint8_t>(pb <= pc ? b : c);
}

// Undoes the filter of one row in place. `previous` is the row above after its own unfiltering
// (all zero for the first row of a pass).
void Unfilter(std::uint8_t filter, std::uint8_t* row, const std::uint8_t* previous, std::size_t length,
              std::size_t distance)
{
    switch (filter) {
    case 0:  // None
        break;
    case 1:  // Sub
        for (std::size_t i = distance; i < length; ++i)
            row[i] = static_cast<std::uint8_t>(row[i] + row[i - distance]);
        break;
    case 2:  // Up
        for (std::size_t i = 0; i < length; ++i)
            row[i] = static_cast<std::uint8_t>(row[i] + previous[i]);
        break;
    case 3:  // Average
        for (std::size_t i = 0; i < length; ++i) {
            const unsigned left = i >= distance ? row[i - distance] : 0;
            row[i] = static_cast<std::uint8_t>(row[i] + ((left + previous[i]) >> 1));
        }
        break;
    case 4:  // Paeth
        for (std::size_t i = 0; i < length; ++i) {
            const int left = i >= distance ? row[i - distance] : 0;
            const int upperLeft = i >= distance ? previous[i - distance] : 0;
            row[i] = static_cast<std::uint8_t>(row[i] + PaethPredictor(left, previous[i], upperLeft));
        }
        break;
    default:
        Fail(PngError::BadFilter);
    }
}

struct Rgba {
    std::uint8_t r, g, b, a;
};

class Decoder {
public:
    Decoder(std::span<const std::uint8_t> file, const DecodeOptions& options) : chunks_(file), options_(options) {}

    Image Run()
    {
        ReadChunks();
        // The buffers must fit this process and zlib's 32-bit counts, whatever limit the caller set:
        // each product is checked before it is formed.
        constexpr std::uint64_t maxBuffer = std::min<std::uint64_t>(SIZE_MAX, UINT_MAX);
        const std::vector<Pass> passes = PassesOf(header_);
        std::uint64_t rawSize = 0;
        for (const Pass& p : passes) {
            const std::uint64_t rowSize = 1 + header_.RowBytes(p.width);  // below 2^36
            if (rowSize > (maxBuffer - rawSize) / p.height)
                Fail(PngError::TooLarge);
            rawSize += rowSize * p.height;
        }
        const std::uint64_t pixels = std::uint64_t{header_.width} * header_.height;  // below 2^62
        if (pixels > SIZE_MAX / 4)
            Fail(PngError::TooLarge);
        const std::uint64_t outputSize = pixels * 4;

        std::vector<std::uint8_t> raw = Inflate(compressed_, static_cast<std::size_t>(rawSize));
        compressed_ = {};

        Image image;
        image.width = header_.width;
        image.height = header_.height;
        image.bgra.resize(static_cast<std::size_t>(outputSize));
        std::size_t offset = 0;
        std::vector<std::uint8_t> zeros;
        for (const Pass& p : passes) {
            const std::size_t rowBytes = static_cast<std::size_t>(header_.RowBytes(p.width));
            zeros.assign(rowBytes, 0);
            const std::uint8_t* previous = zeros.data();
            for (std::uint32_t y = 0; y < p.height; ++y) {
                std::uint8_t* row = raw.data() + offset + 1;
                Unfilter(raw[offset], row, previous, rowBytes, header_.FilterDistance());
                StoreRow(image, p, y, row);
                previous = row;
                offset += rowBytes + 1;
            }
        }
        return image;
    }

private:
    void ReadChunks()
    {
        Chunk chunk = chunks_.Next();
        if (chunk.type != IHDR)
            Fail(PngError::BadChunkOrder);
        header_ = ParseHeader(chunk);
        if (std::uint64_t{header_.width} * header_.height > options_.maxPixels)
            Fail(PngError::TooLarge);

        enum { Before, Inside, After } imageData = Before;
        for (;;) {
            chunk = chunks_.Next();
            if (chunk.type == IDAT) {
                if (imageData == After)
                    Fail(PngError::BadChunkOrder);  // IDAT chunks must follow each other
                if (header_.colourType == Palette && !havePalette_)
                    Fail(PngError::BadPalette);
                imageData = Inside;
                compressed_.insert(compressed_.end(), chunk.data.begin(), chunk.data.end());
                continue;
            }
            if (imageData == Inside)
                imageData = After;
            if (chunk.type == IEND)
                break;
            if (chunk.type == IHDR)
                Fail(PngError::BadChunkOrder);
            if (chunk.type == PLTE) {
                if (imageData != Before || havePalette_ || haveTransparency_)
                    Fail(PngError::BadChunkOrder);
                ReadPalette(chunk);
            } else if (chunk.type == tRNS) {
                if (imageData != Before || haveTransparency_)
                    Fail(PngError::BadChunkOrder);
                ReadTransparency(chunk);
            } else if (!(chunk.type & 0x20000000)) {
                // Bit 5 of the first letter (lower case) marks an ancillary chunk, safe to skip.
                Fail(PngError::UnknownCriticalChunk);
            }
        }
        if (imageData == Before)
            Fail(PngError::MissingImageData);
    }

    void ReadPalette(const Chunk& chunk)
    {
        if (header_.colourType == Grey || header_.colourType == GreyAlpha)
            Fail(PngError::BadPalette);
        const std::size_t entries = chunk.data.size() / 3;
        if (chunk.data.size() % 3 || entries == 0 || entries > 256)
            Fail(PngError::BadPalette);
        havePalette_ = true;
        if (header_.colourType != Palette)
            return;  // a suggested palette for a truecolour image: of no use here
        if (entries > (std::size_t{1} << header_.depth))
            Fail(PngError::BadPalette);
        paletteSize_ = entries;
        for (std::size_t i = 0; i < entries; ++i)
            palette_[i] = {chunk.data[i * 3], chunk.data[i * 3 + 1], chunk.data[i * 3 + 2], 255};
    }

    void ReadTransparency(const Chunk& chunk)
    {
        haveTransparency_ = true;
        switch (header_.colourType) {
        case Palette:
            if (!havePalette_)
                Fail(PngError::BadChunkOrder);
            if (chunk.data.size() > paletteSize_)
                Fail(PngError::BadTransparency);
            for (std::size_t i = 0; i < chunk.data.size(); ++i)
                palette_[i].a = chunk.data[i];
            break;
        case Grey:
            if (chunk.data.size() != 2)
                Fail(PngError::BadTransparency);
            transparentKey_ = {BigEndian16(chunk.data.data()), 0, 0};
            break;
        case Truecolour:
            if (chunk.data.size() != 6)
                Fail(PngError::BadTransparency);
            transparentKey_ = {BigEndian16(chunk.data.data()), BigEndian16(chunk.data.data() + 2),
                               BigEndian16(chunk.data.data() + 4)};
            break;
        default:  // the image has an alpha channel already
            Fail(PngError::BadTransparency);
        }
    }

    // Sample i of a row (counted in samples, not pixels), at the image's bit depth.
    std::uint16_t Sample(const std::uint8_t* row, std::size_t i) const
    {
        switch (header_.depth) {
        case 16:
            return BigEndian16(row + i * 2);
        case 8:
            return row[i];
        default: {
            const std::size_t bit = i * header_.depth;
            const unsigned shift = 8 - header_.depth - static_cast<unsigned>(bit % 8);
            return static_cast<std::uint16_t>((row[bit / 8] >> shift) & ((1u << header_.depth) - 1));
        }
        }
    }

    // A sample scaled to 8 bits: low depths are spread over 0..255, 16 bits keep the high byte.
    std::uint8_t Scaled(std::uint16_t sample) const
    {
        if (header_.depth == 16)
            return static_cast<std::uint8_t>(sample >> 8);
        return static_cast<std::uint8_t>(sample * 255u / ((1u << header_.depth) - 1));
    }

    Rgba PixelAt(const std::uint8_t* row, std::uint32_t x) const
    {
        const std::size_t s = std::size_t{x} * header_.channels;
        switch (header_.colourType) {
        case Grey: {
            const std::uint16_t v = Sample(row, s);
            const std::uint8_t g = Scaled(v);
            return {g, g, g, static_cast<std::uint8_t>(haveTransparency_ && v == transparentKey_[0] ? 0 : 255)};
        }
        case Truecolour: {
            const std::uint16_t r = Sample(row, s), g = Sample(row, s + 1), b = Sample(row, s + 2);
            const bool clear = haveTransparency_ && r == transparentKey_[0] && g == transparentKey_[1] &&
                               b == transparentKey_[2];
            return {Scaled(r), Scaled(g), Scaled(b), static_cast<std::uint8_t>(clear ? 0 : 255)};
        }
        case Palette: {
            const std::uint16_t index = Sample(row, s);
            if (index >= paletteSize_)
                Fail(PngError::BadPaletteIndex);
            return palette_[index];
        }
        case GreyAlpha: {
            const std::uint8_t g = Scaled(Sample(row, s));
            return {g, g, g, Scaled(Sample(row, s + 1))};
        }
        default:
            return {Scaled(Sample(row, s)), Scaled(Sample(row, s + 1)), Scaled(Sample(row, s + 2)),
                    Scaled(Sample(row, s + 3))};
        }
    }

    void StoreRow(Image& image, const Pass& p, std::uint32_t passY, const std::uint8_t* row) const
    {
        const std::size_t y = std::size_t{p.y0} + std::size_t{passY} * p.dy;
        const bool premultiply = options_.alpha == AlphaMode::Premultiplied;
        for (std::uint32_t passX = 0; passX < p.width; ++passX) {
            Rgba c = PixelAt(row, passX);
            if (premultiply && c.a != 255) {
                // Rounded to the nearest value: x * a / 255 is never exactly halfway.
                c.r = static_cast<std::uint8_t>((c.r * c.a + 127) / 255);
                c.g = static_cast<std::uint8_t>((c.g * c.a + 127) / 255);
                c.b = static_cast<std::uint8_t>((c.b * c.a + 127) / 255);
            }
            const std::size_t x = std::size_t{p.x0} + std::size_t{passX} * p.dx;
            std::uint8_t* out = image.bgra.data() + (y * image.width + x) * 4;
            out[0] = c.b;
            out[1] = c.g;
            out[2] = c.r;
            out[3] = c.a;
        }
    }

    ChunkReader chunks_;
    DecodeOptions options_;
    Header header_;
    std::array<Rgba, 256> palette_{};
    std::size_t paletteSize_ = 0;
    bool havePalette_ = false;
    bool haveTransparency_ = false;
    std::array<std::uint16_t, 3> transparentKey_{};
    std::vector<std::uint8_t> compressed_;
};

} // namespace

const char* PngErrorText(PngError error) noexcept
{
    switch (error) {
    case PngError::None: return "no error";
    case PngError::BadSignature: return "not a PNG file";
    case PngError::Truncated: return "the file is cut short";
    case PngError::BadChunkLength: return "a chunk length is out of range";
    case PngError::BadChunkType: return "a chunk type is not four letters";
    case PngError::BadCrc: return "a chunk's CRC does not match";
    case PngError::BadChunkOrder: return "chunks are out of order or repeated";
    case PngError::UnknownCriticalChunk: return "an unknown critical chunk";
    case PngError::BadHeader: return "the image header is invalid";
    case PngError::TooLarge: return "the image is too large";
    case PngError::BadPalette: return "the palette is missing or invalid";
    case PngError::BadTransparency: return "the transparency chunk is invalid";
    case PngError::MissingImageData: return "there is no image data";
    case PngError::BadCompressedData: return "the compressed image data is corrupt";
    case PngError::CompressedDataEndsEarly: return "the compressed image data ends early";
    case PngError::ImageDataTooShort: return "the image data is too short";
    case PngError::ImageDataTooLong: return "the image data is too long";
    case PngError::BadFilter: return "a row has an unknown filter type";
    case PngError::BadPaletteIndex: return "a pixel refers to a missing palette entry";
    case PngError::OutOfMemory: return "out of memory";
    }
    return "unknown error";
}

PngError DecodePng(std::span<const std::uint8_t> file, Image& image, const DecodeOptions& options) noexcept
{
    image = {};
    try {
        image = Decoder(file, options).Run();
        return PngError::None;
    } catch (const Failure& failure) {
        return failure.error;
    } catch (const std::exception&) {  // std::bad_alloc and std::length_error from the buffers
        return PngError::OutOfMemory;
    }
}

} // namespace halvex::png
