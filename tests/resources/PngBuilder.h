#pragma once

// Makes PNG files for the reader's tests: valid ones of every colour type, bit depth and interlace
// method from a description of their samples, and, by editing the chunks or the bytes of a valid
// one, every kind of broken file. Plain C++ over zlib, like the reader, so that the same tests run
// under Wine and natively under the sanitizers.

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace pngtest {

using Bytes = std::vector<std::uint8_t>;

inline void PutU32(Bytes& out, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

inline std::uint32_t GetU32(const Bytes& in, std::size_t at)
{
    return std::uint32_t(in[at]) << 24 | std::uint32_t(in[at + 1]) << 16 | std::uint32_t(in[at + 2]) << 8 | in[at + 3];
}

inline Bytes Compress(const Bytes& raw, int level = 9)
{
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    Bytes out(size);
    if (compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()), level) != Z_OK)
        std::abort();
    out.resize(size);
    return out;
}

// The raw contents of a zlib stream; empty unless the stream is whole and valid and holds at most
// `limit` bytes.
inline Bytes Decompress(const Bytes& stream, std::size_t limit = std::size_t{1} << 24)
{
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        return {};
    z.next_in = const_cast<Bytef*>(stream.data());
    z.avail_in = static_cast<uInt>(stream.size());
    Bytes out;
    int status = Z_OK;
    while (status == Z_OK && out.size() < limit) {
        const std::size_t used = out.size();
        out.resize(std::min(limit, used + 65536));
        z.next_out = out.data() + used;
        z.avail_out = static_cast<uInt>(out.size() - used);
        status = inflate(&z, Z_NO_FLUSH);
        out.resize(out.size() - z.avail_out);
    }
    inflateEnd(&z);
    return status == Z_STREAM_END ? out : Bytes{};
}

struct Chunk {
    std::string type;  // four characters
    Bytes data;
    bool badCrc = false;
};

// A PNG file as a list of chunks; written out with correct lengths and CRCs unless told otherwise.
struct PngFile {
    std::vector<Chunk> chunks;

    Bytes Serialize() const
    {
        Bytes out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        for (const Chunk& c : chunks) {
            PutU32(out, static_cast<std::uint32_t>(c.data.size()));
            const std::size_t start = out.size();
            out.insert(out.end(), c.type.begin(), c.type.end());
            out.insert(out.end(), c.data.begin(), c.data.end());
            std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, out.data() + start, static_cast<uInt>(out.size() - start)));
            PutU32(out, c.badCrc ? crc ^ 1u : crc);
        }
        return out;
    }

    // The first chunk of the type, which must be there.
    Chunk& Get(const std::string& type)
    {
        for (Chunk& c : chunks)
            if (c.type == type)
                return c;
        std::abort();
    }
    bool Has(const std::string& type) const
    {
        for (const Chunk& c : chunks)
            if (c.type == type)
                return true;
        return false;
    }

    // All IDAT data joined, and the chunks rebuilt with the given data in one IDAT chunk.
    Bytes ImageData() const
    {
        Bytes all;
        for (const Chunk& c : chunks)
            if (c.type == "IDAT")
                all.insert(all.end(), c.data.begin(), c.data.end());
        return all;
    }
    void SetImageData(const Bytes& data)
    {
        std::vector<Chunk> kept;
        bool placed = false;
        for (Chunk& c : chunks) {
            if (c.type != "IDAT") {
                kept.push_back(c);
            } else if (!placed) {
                kept.push_back({"IDAT", data});
                placed = true;
            }
        }
        chunks = kept;
    }

    // Parses the chunks of a file (for files this code or a trusted encoder made).
    static PngFile Parse(const Bytes& file)
    {
        PngFile png;
        std::size_t at = 8;
        while (at + 12 <= file.size()) {
            const std::uint32_t length = GetU32(file, at);
            if (at + 12 + length > file.size())
                break;
            Chunk c;
            c.type.assign(file.begin() + static_cast<std::ptrdiff_t>(at + 4), file.begin() + static_cast<std::ptrdiff_t>(at + 8));
            c.data.assign(file.begin() + static_cast<std::ptrdiff_t>(at + 8),
                          file.begin() + static_cast<std::ptrdiff_t>(at + 8 + length));
            png.chunks.push_back(std::move(c));
            at += 12 + length;
        }
        return png;
    }
};

// An image described by its samples, before any PNG encoding.
struct SampleImage {
    std::uint32_t width = 0, height = 0;
    std::uint8_t colourType = 6, depth = 8;
    bool interlaced = false;
    std::vector<std::uint16_t> samples;  // row-major, channels per pixel, each at `depth` bits
    Bytes palette;                        // PLTE data (palette images)
    Bytes transparency;                   // tRNS data, if any

    unsigned Channels() const
    {
        switch (colourType) {
        case 2: return 3;
        case 4: return 2;
        case 6: return 4;
        default: return 1;
        }
    }
    std::uint16_t At(std::uint32_t x, std::uint32_t y, unsigned channel) const
    {
        return samples[(std::size_t{y} * width + x) * Channels() + channel];
    }
};

inline std::uint8_t Paeth(int a, int b, int c)
{
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return static_cast<std::uint8_t>(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// Filters one packed row with the given filter type (0..4).
inline Bytes FilterRow(int type, const Bytes& row, const Bytes& previous, std::size_t bpp)
{
    Bytes out{static_cast<std::uint8_t>(type)};
    for (std::size_t i = 0; i < row.size(); ++i) {
        const int a = i >= bpp ? row[i - bpp] : 0, b = previous[i], c = i >= bpp ? previous[i - bpp] : 0;
        const int predictor[] = {0, a, b, (a + b) / 2, Paeth(a, b, c)};
        out.push_back(static_cast<std::uint8_t>(row[i] - predictor[type]));
    }
    return out;
}

// The filtered, uncompressed image data: every row filtered with filter (row number % 5), so that
// each image uses all five filters.
inline Bytes RawImageData(const SampleImage& image)
{
    struct Pass {
        std::uint32_t x0, y0, dx, dy;
    };
    const std::vector<Pass> passes = image.interlaced
        ? std::vector<Pass>{{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4}, {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}}
        : std::vector<Pass>{{0, 0, 1, 1}};
    const unsigned bits = image.Channels() * image.depth;
    const std::size_t bpp = bits >= 8 ? bits / 8 : 1;
    Bytes raw;
    int rowNumber = 0;
    for (const Pass& p : passes) {
        Bytes previous;
        for (std::uint32_t y = p.y0; y < image.height; y += p.dy) {
            Bytes row;
            unsigned bitsUsed = 0;
            for (std::uint32_t x = p.x0; x < image.width; x += p.dx) {
                for (unsigned c = 0; c < image.Channels(); ++c) {
                    const std::uint16_t v = image.At(x, y, c);
                    if (image.depth == 16) {
                        row.push_back(static_cast<std::uint8_t>(v >> 8));
                        row.push_back(static_cast<std::uint8_t>(v));
                    } else if (image.depth == 8) {
                        row.push_back(static_cast<std::uint8_t>(v));
                    } else {
                        if (bitsUsed % 8 == 0)
                            row.push_back(0);
                        row.back() |= static_cast<std::uint8_t>(v << (8 - image.depth - bitsUsed % 8));
                        bitsUsed += image.depth;
                    }
                }
            }
            if (row.empty())
                break;  // an empty pass: no rows at all
            if (previous.empty())
                previous.assign(row.size(), 0);
            const Bytes filtered = FilterRow(rowNumber++ % 5, row, previous, bpp);
            raw.insert(raw.end(), filtered.begin(), filtered.end());
            previous = row;
        }
    }
    return raw;
}

inline Bytes HeaderData(std::uint32_t width, std::uint32_t height, std::uint8_t depth, std::uint8_t colourType,
                        std::uint8_t interlace)
{
    Bytes d;
    PutU32(d, width);
    PutU32(d, height);
    d.insert(d.end(), {depth, colourType, 0, 0, interlace});
    return d;
}

inline PngFile Encode(const SampleImage& image)
{
    PngFile png;
    png.chunks.push_back({"IHDR", HeaderData(image.width, image.height, image.depth, image.colourType,
                                             image.interlaced ? 1 : 0)});
    if (!image.palette.empty())
        png.chunks.push_back({"PLTE", image.palette});
    if (!image.transparency.empty())
        png.chunks.push_back({"tRNS", image.transparency});
    png.chunks.push_back({"IDAT", Compress(RawImageData(image))});
    png.chunks.push_back({"IEND", {}});
    return png;
}

} // namespace pngtest
