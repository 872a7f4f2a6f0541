// The PNG reader on its own: every colour type, bit depth and interlace method, the menu's pictures
// against what their generator meant, files from an independent encoder, and a table of broken
// files. Plain C++: this file is also built for the Linux host and run under the sanitizers.

#include "PngBuilder.h"
#include "TestData.h"

#include "resources/Png.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

using namespace pngtest;
using halvex::png::AlphaMode;
using halvex::png::DecodeOptions;
using halvex::png::DecodePng;
using halvex::png::Image;
using halvex::png::PngError;
using halvex::png::PngErrorText;

namespace {

std::string Describe(PngError error) { return PngErrorText(error); }

// Decodes a file that must be valid.
Image Decode(const Bytes& file, AlphaMode alpha)
{
    Image image;
    DecodeOptions options;
    options.alpha = alpha;
    EXPECT_EQ(Describe(DecodePng(file, image, options)), Describe(PngError::None));
    return image;
}

// ---- Valid images from the tests' own writer ----------------------------------------------------

struct FormatCase {
    const char* name;
    std::uint8_t colourType, depth;
    bool interlaced;
    bool transparency;  // a tRNS chunk (a colour key, or translucent palette entries)
    std::uint32_t width, height;
};

void PrintTo(const FormatCase& c, std::ostream* out) { *out << c.name; }

// What a sample of `depth` bits means in 8 bits: low depths spread evenly, 16 bits by the high byte.
std::uint8_t To8Bits(std::uint16_t v, std::uint8_t depth)
{
    return depth == 16 ? static_cast<std::uint8_t>(v >> 8) : static_cast<std::uint8_t>(v * 255 / ((1 << depth) - 1));
}

// Samples over the whole range on odd rows; on even rows only three levels (0, about half and
// about full), so that the filters' predictors meet ties (where the Paeth predictor's order of
// preference decides).
std::uint16_t Sample(std::uint32_t x, std::uint32_t y, unsigned channel, std::uint32_t top)
{
    std::uint32_t h = x * 0x9E3779B1u ^ y * 0x85EBCA77u ^ channel * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return static_cast<std::uint16_t>(y % 2 ? h % (top + 1) : h % 3 * (top / 2));
}

// An image of the case's format whose samples vary from pixel to pixel and cover the whole range of
// the depth, with its expected straight RGBA pixels.
std::pair<SampleImage, std::vector<std::uint8_t>> MakeCase(const FormatCase& c)
{
    SampleImage image;
    image.width = c.width;
    image.height = c.height;
    image.colourType = c.colourType;
    image.depth = c.depth;
    image.interlaced = c.interlaced;
    const std::uint32_t top = (1u << c.depth) - 1;
    const unsigned channels = image.Channels();
    std::vector<std::uint8_t> expected;

    std::vector<std::array<std::uint8_t, 4>> palette;
    if (c.colourType == 3) {
        const std::uint32_t entries = std::min<std::uint32_t>(top + 1, 7);  // fewer than the depth allows
        for (std::uint32_t i = 0; i < entries; ++i) {
            palette.push_back({static_cast<std::uint8_t>(i * 37), static_cast<std::uint8_t>(255 - i * 20),
                               static_cast<std::uint8_t>(i * i * 5), 255});
            image.palette.insert(image.palette.end(), palette.back().begin(), palette.back().begin() + 3);
        }
        if (c.transparency) {
            // Entry 0 clear, entry 1 half: the rest stay opaque (tRNS shorter than the palette).
            palette[0][3] = 0;
            palette[1 % entries][3] = 128;
            image.transparency = entries > 1 ? Bytes{0, 128} : Bytes{0};
        }
    }

    // The colour key: a sample value that some pixels use.
    const std::uint16_t key = static_cast<std::uint16_t>(top / 3);
    if (c.transparency && (c.colourType == 0 || c.colourType == 2)) {
        for (unsigned ch = 0; ch < channels; ++ch)
            image.transparency.insert(image.transparency.end(), {static_cast<std::uint8_t>(key >> 8), static_cast<std::uint8_t>(key)});
    }

    for (std::uint32_t y = 0; y < c.height; ++y) {
        for (std::uint32_t x = 0; x < c.width; ++x) {
            if (c.colourType == 3) {
                const std::uint16_t index = static_cast<std::uint16_t>((x * 3 + y * 5) % palette.size());
                image.samples.push_back(index);
                expected.insert(expected.end(), palette[index].begin(), palette[index].end());
                continue;
            }
            std::uint16_t s[4];
            for (unsigned ch = 0; ch < channels; ++ch)
                s[ch] = Sample(x, y, ch, top);
            if ((x + y) % 4 == 0)  // some pixels hit the colour key exactly
                for (unsigned ch = 0; ch < channels; ++ch)
                    s[ch] = key;
            if (x == 0 && y == 0)  // and the extremes of the range
                for (unsigned ch = 0; ch < channels; ++ch)
                    s[ch] = static_cast<std::uint16_t>(top);
            image.samples.insert(image.samples.end(), s, s + channels);
            std::uint8_t r, g, b, a = 255;
            switch (c.colourType) {
            case 0: r = g = b = To8Bits(s[0], c.depth); break;
            case 2: r = To8Bits(s[0], c.depth), g = To8Bits(s[1], c.depth), b = To8Bits(s[2], c.depth); break;
            case 4: r = g = b = To8Bits(s[0], c.depth), a = To8Bits(s[1], c.depth); break;
            default: r = To8Bits(s[0], c.depth), g = To8Bits(s[1], c.depth), b = To8Bits(s[2], c.depth), a = To8Bits(s[3], c.depth);
            }
            bool keyed = c.transparency && (c.colourType == 0 || c.colourType == 2);
            for (unsigned ch = 0; keyed && ch < channels; ++ch)
                keyed = s[ch] == key;
            if (keyed)
                a = 0;
            expected.insert(expected.end(), {r, g, b, a});
        }
    }
    return {image, expected};
}

const FormatCase FormatCases[] = {
    {"grey1", 0, 1, false, false, 13, 5},
    {"grey2_key", 0, 2, false, true, 11, 4},
    {"grey4", 0, 4, false, false, 9, 5},
    {"grey8_key", 0, 8, false, true, 7, 6},
    {"grey16_key", 0, 16, false, true, 5, 5},
    {"rgb8", 2, 8, false, false, 6, 5},
    {"rgb8_key", 2, 8, false, true, 6, 5},
    {"rgb16_key", 2, 16, false, true, 5, 4},
    {"palette1", 3, 1, false, false, 17, 3},
    {"palette2_trns", 3, 2, false, true, 10, 4},
    {"palette4", 3, 4, false, false, 9, 4},
    {"palette8_trns", 3, 8, false, true, 8, 6},
    {"grey_alpha8", 4, 8, false, false, 7, 5},
    {"grey_alpha16", 4, 16, false, false, 5, 5},
    {"rgba8", 6, 8, false, false, 9, 7},
    {"rgba16", 6, 16, false, false, 6, 5},
    // Adam7: sizes with partly and wholly empty passes, and samples packed below a byte per pass.
    {"rgba8_adam7", 6, 8, true, false, 13, 11},
    {"rgba8_adam7_1x1", 6, 8, true, false, 1, 1},
    {"rgba8_adam7_3x2", 6, 8, true, false, 3, 2},
    {"grey1_adam7", 0, 1, true, false, 19, 9},
    {"palette4_adam7_trns", 3, 4, true, true, 10, 10},
    {"rgb16_adam7", 2, 16, true, false, 9, 9},
    {"grey_alpha8_adam7", 4, 8, true, false, 8, 8},
};

class PngFormats : public testing::TestWithParam<FormatCase> {};

TEST_P(PngFormats, DecodeToTheSamplesTheyHold)
{
    const FormatCase& c = GetParam();
    const auto [source, rgba] = MakeCase(c);
    const Bytes file = Encode(source).Serialize();
    for (const bool premultiplied : {false, true}) {
        SCOPED_TRACE(premultiplied ? "premultiplied" : "straight");
        const Image image = Decode(file, premultiplied ? AlphaMode::Premultiplied : AlphaMode::Straight);
        EXPECT_EQ(image.width, c.width);
        EXPECT_EQ(image.height, c.height);
        EXPECT_EQ(FirstDifference(image.bgra, ToBgra(rgba, premultiplied), c.width), "");
    }
}

INSTANTIATE_TEST_SUITE_P(Png, PngFormats, testing::ValuesIn(FormatCases),
                         [](const testing::TestParamInfo<FormatCase>& param) { return param.param.name; });

TEST(PngReader, JoinsImageDataSplitOverManyChunksWithOthersBeforeAndAfter)
{
    const auto [source, rgba] = MakeCase({"rgba8", 6, 8, false, false, 9, 7});
    PngFile png = Encode(source);
    const Bytes data = png.ImageData();
    png.SetImageData({});
    std::vector<Chunk> chunks{png.chunks[0], {"gAMA", {0, 0, 0xB1, 0x8F}}, {"tEXt", {'a', 0, 'b'}}};
    for (std::size_t at = 0; at < data.size(); at += 3)  // also a chunk of one or two bytes at the end
        chunks.push_back({"IDAT", Bytes(data.begin() + static_cast<std::ptrdiff_t>(at),
                                        data.begin() + static_cast<std::ptrdiff_t>(std::min(at + 3, data.size())))});
    chunks.push_back({"IDAT", {}});  // an empty one is allowed too
    chunks.push_back({"tEXt", {'c', 0, 'd'}});
    chunks.push_back({"IEND", {}});
    png.chunks = chunks;
    Bytes file = png.Serialize();
    file.insert(file.end(), {'j', 'u', 'n', 'k'});  // anything after IEND is not read
    const Image image = Decode(file, AlphaMode::Straight);
    EXPECT_EQ(FirstDifference(image.bgra, ToBgra(rgba, false), 9), "");
}

TEST(PngReader, PremultipliesWithRounding)
{
    // 8-bit RGBA pixels chosen where truncating and rounding disagree.
    SampleImage source;
    source.width = 4;
    source.height = 1;
    source.samples = {255, 128, 1, 0, /**/ 200, 100, 50, 1, /**/ 255, 255, 255, 254, /**/ 77, 141, 198, 129};
    const Image image = Decode(Encode(source).Serialize(), AlphaMode::Premultiplied);
    const Bytes expected{0, 0, 0, 0, /**/ 0, 0, 1, 1, /**/ 254, 254, 254, 254, /**/ 100, 71, 39, 129};
    EXPECT_EQ(image.bgra, expected);
}

// ---- The menu's pictures and files from another encoder ------------------------------------------

TEST(PngReader, ReadsEveryMenuPictureAsItsGeneratorMeantIt)
{
    for (const PictureInfo& picture : MenuPictures()) {
        SCOPED_TRACE(picture.name);
        const Bytes file = ReadFileBytes(PicturePath(picture));
        const RgbaImage meant = ReadPam(ExpectedPath(picture));
        ASSERT_FALSE(file.empty());
        ASSERT_EQ(meant.width, picture.width);
        ASSERT_EQ(meant.height, picture.height);
        for (const bool premultiplied : {false, true}) {
            const Image image = Decode(file, premultiplied ? AlphaMode::Premultiplied : AlphaMode::Straight);
            EXPECT_EQ(image.width, picture.width);
            EXPECT_EQ(image.height, picture.height);
            EXPECT_EQ(FirstDifference(image.bgra, ToBgra(meant.rgba, premultiplied), picture.width), "")
                << (premultiplied ? "premultiplied" : "straight");
        }
    }
}

TEST(PngReader, ReadsFilesOfAnotherEncoder)
{
    for (const char* name : {"rgba8_adam7", "rgba16_adam7", "grey16", "grey2", "palette4_adam7"}) {
        SCOPED_TRACE(name);
        const std::string base = SourcePath(std::string("tests/resources/fixtures/") + name);
        const Bytes file = ReadFileBytes(base + ".png");
        const RgbaImage meant = ReadPam(base + ".pam");
        ASSERT_FALSE(file.empty());
        ASSERT_FALSE(meant.rgba.empty());
        const Image image = Decode(file, AlphaMode::Straight);
        EXPECT_EQ(image.width, meant.width);
        EXPECT_EQ(FirstDifference(image.bgra, ToBgra(meant.rgba, false), meant.width), "");
    }
}

// ---- Broken files ----------------------------------------------------------------------------------

// A valid 6 x 4 palette image with transparency, the base of most broken files below.
SampleImage PaletteBase()
{
    SampleImage s;
    s.width = 6;
    s.height = 4;
    s.colourType = 3;
    s.depth = 4;
    s.palette = {0, 0, 0, 255, 255, 255, 200, 40, 40};
    s.transparency = {0, 128};
    for (std::uint32_t i = 0; i < s.width * s.height; ++i)
        s.samples.push_back(static_cast<std::uint16_t>(i % 3));
    return s;
}

SampleImage RgbaBase()
{
    SampleImage s;
    s.width = 5;
    s.height = 3;
    for (std::uint32_t i = 0; i < s.width * s.height * 4; ++i)
        s.samples.push_back(static_cast<std::uint16_t>(i * 17 % 256));
    return s;
}

void SetHeader(PngFile& png, std::uint32_t width, std::uint32_t height, std::uint8_t depth, std::uint8_t type,
               std::uint8_t interlace = 0)
{
    png.Get("IHDR").data = HeaderData(width, height, depth, type, interlace);
}

// The raw (filtered, uncompressed) data of an image, to be changed and compressed again.
void EditRaw(PngFile& png, const std::function<void(Bytes&)>& edit)
{
    Bytes raw = Decompress(png.ImageData());
    edit(raw);
    png.SetImageData(Compress(raw));
}

void Insert(PngFile& png, std::size_t at, Chunk chunk)
{
    png.chunks.insert(png.chunks.begin() + static_cast<std::ptrdiff_t>(at), std::move(chunk));
}

Bytes Replace(Bytes file, std::size_t at, std::initializer_list<std::uint8_t> bytes)
{
    if (at + bytes.size() > file.size())
        std::abort();
    for (const std::uint8_t b : bytes)
        file[at++] = b;
    return file;
}

struct BrokenCase {
    const char* name;
    PngError error;
    std::function<Bytes()> make;
};

void PrintTo(const BrokenCase& c, std::ostream* out) { *out << c.name; }

// Chunk edits on one of the base images.
std::function<Bytes()> Edited(SampleImage (*base)(), std::function<void(PngFile&)> edit)
{
    return [base, edit] {
        PngFile png = Encode(base());
        edit(png);
        return png.Serialize();
    };
}

// Byte edits on the serialized palette image (chunk offsets: IHDR at 8, its data at 16).
std::function<Bytes()> Bytewise(std::function<Bytes(Bytes)> edit)
{
    return [edit] { return edit(Encode(PaletteBase()).Serialize()); };
}

const std::vector<BrokenCase>& BrokenCases()
{
    using E = PngError;
    static const std::vector<BrokenCase> cases{
        // The file and its chunks.
        {"empty", E::BadSignature, [] { return Bytes{}; }},
        {"signature_only_half", E::BadSignature, Bytewise([](Bytes f) { f.resize(4); return f; })},
        {"signature_changed", E::BadSignature, Bytewise([](Bytes f) { return Replace(f, 1, {'p'}); })},
        {"signature_line_ending_converted", E::BadSignature, Bytewise([](Bytes f) { f.erase(f.begin() + 4); return f; })},
        {"no_chunk_after_signature", E::Truncated, Bytewise([](Bytes f) { f.resize(8); return f; })},
        {"cut_inside_a_chunk_header", E::Truncated, Bytewise([](Bytes f) { f.resize(13); return f; })},
        {"cut_inside_image_data", E::Truncated, Bytewise([](Bytes f) { f.resize(f.size() - 20); return f; })},
        {"no_iend", E::Truncated, Bytewise([](Bytes f) { f.resize(f.size() - 12); return f; })},
        {"chunk_length_above_2_31", E::BadChunkLength, Bytewise([](Bytes f) { return Replace(f, 8, {0x80, 0, 0, 13}); })},
        {"chunk_length_past_the_end", E::Truncated, Bytewise([](Bytes f) { return Replace(f, 8, {0, 0, 0x10, 0}); })},
        {"chunk_length_all_ones", E::BadChunkLength, Bytewise([](Bytes f) { return Replace(f, 8, {0xFF, 0xFF, 0xFF, 0xFF}); })},
        {"header_crc", E::BadCrc, Edited(PaletteBase, [](PngFile& p) { p.Get("IHDR").badCrc = true; })},
        {"image_data_crc", E::BadCrc, Edited(PaletteBase, [](PngFile& p) { p.Get("IDAT").badCrc = true; })},
        {"ancillary_chunk_crc", E::BadCrc, Edited(PaletteBase, [](PngFile& p) { Insert(p, 1, {"tEXt", {'a', 0}, true}); })},
        {"bit_flipped_in_data", E::BadCrc, Bytewise([](Bytes f) { f[f.size() - 20] ^= 0x10; return f; })},
        {"chunk_type_not_letters", E::BadChunkType, Edited(PaletteBase, [](PngFile& p) { Insert(p, 1, {"te1t", {}}); })},
        {"unknown_critical_chunk", E::UnknownCriticalChunk, Edited(PaletteBase, [](PngFile& p) { Insert(p, 1, {"QUUX", {1}}); })},

        // The header.
        {"header_not_first", E::BadChunkOrder, Edited(PaletteBase, [](PngFile& p) { std::swap(p.chunks[0], p.chunks[1]); })},
        {"header_twice", E::BadChunkOrder, Edited(PaletteBase, [](PngFile& p) { Insert(p, 1, p.chunks[0]); })},
        {"header_short", E::BadHeader, Edited(PaletteBase, [](PngFile& p) { p.chunks[0].data.pop_back(); })},
        {"header_long", E::BadHeader, Edited(PaletteBase, [](PngFile& p) { p.chunks[0].data.push_back(0); })},
        {"width_zero", E::BadHeader, Edited(PaletteBase, [](PngFile& p) { SetHeader(p, 0, 4, 4, 3); })},
        {"height_zero", E::BadHeader, Edited(PaletteBase, [](PngFile& p) { SetHeader(p, 6, 0, 4, 3); })},
        {"width_2_31", E::BadHeader, Edited(PaletteBase, [](PngFile& p) { SetHeader(p, 0x80000000u, 4, 4, 3); })},
        {"height_all_ones", E::BadHeader, Edited(PaletteBase, [](PngFile& p) { SetHeader(p, 6, 0xFFFFFFFFu, 4, 3); })},
        // 65536 x 65536 is 2^32 pixels: 0 in 32-bit arithmetic.
        {"pixel_count_wraps_32_bits", E::TooLarge, Edited(RgbaBase, [](PngFile& p) { SetHeader(p, 65536, 65536, 8, 6); })},
        {"largest_possible_size", E::TooLarge, Edited(RgbaBase, [](PngFile& p) { SetHeader(p, 0x7FFFFFFF, 0x7FFFFFFF, 16, 6); })},
        {"bytes_wrap_32_bits", E::TooLarge, Edited(RgbaBase, [](PngFile& p) { SetHeader(p, 0x40000001, 1, 16, 6); })},
        {"depth_3", E::BadHeader, Edited(PaletteBase, [](PngFile& p) { SetHeader(p, 6, 4, 3, 3); })},
        {"depth_0", E::BadHeader, Edited(PaletteBase, [](PngFile& p) { SetHeader(p, 6, 4, 0, 3); })},
        {"palette_depth_16", E::BadHeader, Edited(PaletteBase, [](PngFile& p) { SetHeader(p, 6, 4, 16, 3); })},
        {"truecolour_depth_4", E::BadHeader, Edited(RgbaBase, [](PngFile& p) { SetHeader(p, 5, 3, 4, 2); })},
        {"grey_alpha_depth_2", E::BadHeader, Edited(RgbaBase, [](PngFile& p) { SetHeader(p, 5, 3, 2, 4); })},
        {"colour_type_1", E::BadHeader, Edited(RgbaBase, [](PngFile& p) { SetHeader(p, 5, 3, 8, 1); })},
        {"colour_type_7", E::BadHeader, Edited(RgbaBase, [](PngFile& p) { SetHeader(p, 5, 3, 8, 7); })},
        {"compression_method_1", E::BadHeader, Edited(RgbaBase, [](PngFile& p) { p.chunks[0].data[10] = 1; })},
        {"filter_method_1", E::BadHeader, Edited(RgbaBase, [](PngFile& p) { p.chunks[0].data[11] = 1; })},
        {"interlace_method_2", E::BadHeader, Edited(RgbaBase, [](PngFile& p) { p.chunks[0].data[12] = 2; })},

        // Palette and transparency.
        {"palette_missing", E::BadPalette, Edited(PaletteBase, [](PngFile& p) { std::erase_if(p.chunks, [](const Chunk& c) { return c.type == "PLTE" || c.type == "tRNS"; }); })},
        {"palette_empty", E::BadPalette, Edited(PaletteBase, [](PngFile& p) { p.Get("PLTE").data.clear(); p.Get("tRNS").data.clear(); })},
        {"palette_length_not_triples", E::BadPalette, Edited(PaletteBase, [](PngFile& p) { p.Get("PLTE").data.push_back(9); })},
        {"palette_above_depth", E::BadPalette, Edited(PaletteBase, [](PngFile& p) { p.Get("PLTE").data.resize(17 * 3); })},
        {"palette_above_256", E::BadPalette, Edited(RgbaBase, [](PngFile& p) { Insert(p, 1, {"PLTE", Bytes(257 * 3)}); })},
        {"palette_in_grey_image", E::BadPalette, Edited(RgbaBase, [](PngFile& p) {
             SetHeader(p, 5, 3, 8, 4);
             Insert(p, 1, {"PLTE", Bytes(3)});
         })},
        {"palette_twice", E::BadChunkOrder, Edited(PaletteBase, [](PngFile& p) { Insert(p, 1, p.Get("PLTE")); })},
        // A truecolour image may carry a suggested palette, but not after its data (a palette image
        // without PLTE before its data is "palette_missing").
        {"palette_after_image_data", E::BadChunkOrder, Edited(RgbaBase, [](PngFile& p) { Insert(p, 2, {"PLTE", Bytes(6)}); })},
        {"pixel_beyond_palette", E::BadPaletteIndex, Edited(PaletteBase, [](PngFile& p) {
             EditRaw(p, [](Bytes& raw) { raw[0] = 0, raw[1] = 0x30; });  // filter None; first pixel: index 3 of 0..2
         })},
        {"transparency_longer_than_palette", E::BadTransparency, Edited(PaletteBase, [](PngFile& p) { p.Get("tRNS").data.assign(4, 0); })},
        {"transparency_before_palette", E::BadChunkOrder, Edited(PaletteBase, [](PngFile& p) { std::swap(p.chunks[1], p.chunks[2]); })},
        {"transparency_twice", E::BadChunkOrder, Edited(PaletteBase, [](PngFile& p) { Insert(p, 2, p.Get("tRNS")); })},
        {"transparency_after_image_data", E::BadChunkOrder, Edited(PaletteBase, [](PngFile& p) { std::swap(p.chunks[2], p.chunks[3]); })},
        {"transparency_with_alpha_channel", E::BadTransparency, Edited(RgbaBase, [](PngFile& p) { Insert(p, 1, {"tRNS", {0, 0}}); })},
        {"grey_key_of_wrong_length", E::BadTransparency, Edited(RgbaBase, [](PngFile& p) {
             SetHeader(p, 5, 3, 8, 0);
             Insert(p, 1, {"tRNS", {0, 0, 0}});
         })},
        {"colour_key_of_wrong_length", E::BadTransparency, Edited(RgbaBase, [](PngFile& p) {
             SetHeader(p, 5, 3, 8, 2);
             Insert(p, 1, {"tRNS", {0, 0}});
         })},

        // Image data.
        {"no_image_data", E::MissingImageData, Edited(PaletteBase, [](PngFile& p) { std::erase_if(p.chunks, [](const Chunk& c) { return c.type == "IDAT"; }); })},
        {"image_data_interrupted", E::BadChunkOrder, Edited(PaletteBase, [](PngFile& p) {
             const Bytes data = p.ImageData();
             const auto half = data.begin() + static_cast<std::ptrdiff_t>(data.size() / 2);
             p.SetImageData(Bytes(data.begin(), half));
             Insert(p, 4, {"tEXt", {'a', 0}});
             Insert(p, 5, {"IDAT", Bytes(half, data.end())});
         })},
        {"not_a_zlib_stream", E::BadCompressedData, Edited(PaletteBase, [](PngFile& p) { p.Get("IDAT").data[0] = 0x79; })},
        {"zlib_preset_dictionary", E::BadCompressedData, Edited(PaletteBase, [](PngFile& p) {
             p.SetImageData({0x78, 0xBB, 0, 0, 0, 1});  // FDICT set (and the header check still right)
         })},
        {"zlib_checksum_wrong", E::BadCompressedData, Edited(PaletteBase, [](PngFile& p) { p.Get("IDAT").data.back() ^= 1; })},
        {"zlib_corrupt_block", E::BadCompressedData, Edited(PaletteBase, [](PngFile& p) { p.Get("IDAT").data[2] = 0xFF; })},
        {"zlib_stream_cut", E::CompressedDataEndsEarly, Edited(PaletteBase, [](PngFile& p) { p.Get("IDAT").data.resize(p.Get("IDAT").data.size() / 2); })},
        {"zlib_checksum_missing", E::CompressedDataEndsEarly, Edited(PaletteBase, [](PngFile& p) { p.Get("IDAT").data.resize(p.Get("IDAT").data.size() - 4); })},
        {"image_data_empty", E::CompressedDataEndsEarly, Edited(PaletteBase, [](PngFile& p) { p.SetImageData({}); })},
        {"bytes_after_zlib_stream", E::BadCompressedData, Edited(PaletteBase, [](PngFile& p) { p.Get("IDAT").data.push_back(0); })},
        {"one_row_missing", E::ImageDataTooShort, Edited(PaletteBase, [](PngFile& p) { EditRaw(p, [](Bytes& raw) { raw.resize(raw.size() - 4); }); })},
        {"one_byte_missing", E::ImageDataTooShort, Edited(PaletteBase, [](PngFile& p) { EditRaw(p, [](Bytes& raw) { raw.pop_back(); }); })},
        {"one_byte_too_many", E::ImageDataTooLong, Edited(PaletteBase, [](PngFile& p) { EditRaw(p, [](Bytes& raw) { raw.push_back(0); }); })},
        {"far_too_much_data", E::ImageDataTooLong, Edited(PaletteBase, [](PngFile& p) { EditRaw(p, [](Bytes& raw) { raw.resize(1 << 20); }); })},
        {"interlaced_data_for_plain_header", E::ImageDataTooLong, Edited(RgbaBase, [](PngFile& p) {
             SampleImage s = RgbaBase();
             s.interlaced = true;  // Adam7 data of 5 x 3 has more rows (more filter bytes)
             p.SetImageData(Encode(s).ImageData());
         })},
        {"header_claims_more_rows", E::ImageDataTooShort, Edited(PaletteBase, [](PngFile& p) { SetHeader(p, 6, 5000, 4, 3); })},
        {"filter_type_5", E::BadFilter, Edited(PaletteBase, [](PngFile& p) { EditRaw(p, [](Bytes& raw) { raw[4] = 5; }); })},
        {"filter_type_255", E::BadFilter, Edited(RgbaBase, [](PngFile& p) { EditRaw(p, [](Bytes& raw) { raw[raw.size() - 21] = 255; }); })},
    };
    return cases;
}

class PngBroken : public testing::TestWithParam<BrokenCase> {};

TEST_P(PngBroken, IsRefusedWithItsReason)
{
    const BrokenCase& c = GetParam();
    const Bytes file = c.make();
    Image image;
    image.width = 1;  // whatever the caller passed in is cleared
    image.bgra.assign(4, 1);
    EXPECT_EQ(Describe(DecodePng(file, image)), Describe(c.error));
    EXPECT_EQ(image.width, 0u);
    EXPECT_EQ(image.height, 0u);
    EXPECT_TRUE(image.bgra.empty());
}

INSTANTIATE_TEST_SUITE_P(Png, PngBroken, testing::ValuesIn(BrokenCases()),
                         [](const testing::TestParamInfo<BrokenCase>& param) { return param.param.name; });

TEST(PngReader, TheBrokenFilesDifferFromValidOnesOnlyByTheirFault)
{
    // The bases of the table decode, so each broken file fails for its own edit.
    for (auto base : {PaletteBase, RgbaBase}) {
        Image image;
        EXPECT_EQ(Describe(DecodePng(Encode(base()).Serialize(), image)), Describe(PngError::None));
        EXPECT_EQ(image.bgra.size(), std::size_t{base().width} * base().height * 4);
    }
    // And so do unknown ancillary chunks, wherever they stand.
    PngFile png = Encode(PaletteBase());
    Insert(png, 1, {"zzZz", {1, 2, 3}});
    Insert(png, 4, {"aaAa", {}});
    Image image;
    EXPECT_EQ(Describe(DecodePng(png.Serialize(), image)), Describe(PngError::None));
}

TEST(PngReader, RefusesImagesAboveThePixelLimitBeforeReadingThem)
{
    const Bytes file = Encode(RgbaBase()).Serialize();  // 5 x 3 = 15 pixels
    Image image;
    DecodeOptions options;
    options.maxPixels = 14;
    EXPECT_EQ(Describe(DecodePng(file, image, options)), Describe(PngError::TooLarge));
    options.maxPixels = 15;
    EXPECT_EQ(Describe(DecodePng(file, image, options)), Describe(PngError::None));

    // Without a limit, sizes whose buffers could not be addressed are still refused, not wrapped.
    options.maxPixels = UINT64_MAX;
    for (const std::uint32_t side : {65536u, 0x7FFFFFFFu}) {
        PngFile png = Encode(RgbaBase());
        SetHeader(png, side, side, 16, 6);
        EXPECT_EQ(Describe(DecodePng(png.Serialize(), image, options)), Describe(PngError::TooLarge)) << side;
    }
}

} // namespace
