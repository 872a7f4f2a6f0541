#pragma once

// Files the resource tests compare against: the committed pictures, what their generator meant them
// to look like (netpbm PAM files written next to them by tools/pictures/make_pictures.py), and a few
// PNG files from an independent encoder (fixtures/). Plain C++, for the Wine and the native build.
//
// HALVEX_SOURCE_DIR is the repository as the test process sees it ("Z:/..." under Wine).

#include "resources/ResourceIds.h"

#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace pngtest {

inline std::string SourcePath(const std::string& relative) { return std::string(HALVEX_SOURCE_DIR) + "/" + relative; }

inline std::vector<std::uint8_t> ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Pixels as red, green, blue, alpha bytes (straight alpha), rows top-down.
struct RgbaImage {
    std::uint32_t width = 0, height = 0;
    std::vector<std::uint8_t> rgba;
};

// Reads a PAM file of tuple type RGB_ALPHA, GRAYSCALE_ALPHA, RGB or GRAYSCALE with MAXVAL 255, or
// 65535 (then the high byte of each sample is kept, as the reader does). Empty when unreadable.
inline RgbaImage ReadPam(const std::string& path)
{
    const std::vector<std::uint8_t> file = ReadFileBytes(path);
    const std::string text(file.begin(), file.end());
    const std::size_t end = text.find("ENDHDR\n");
    if (text.rfind("P7\n", 0) != 0 || end == std::string::npos)
        return {};
    std::istringstream header(text.substr(3, end - 3));
    std::uint32_t width = 0, height = 0, depth = 0, maxval = 0;
    std::string key, tupleType;
    while (header >> key) {
        if (key == "WIDTH") header >> width;
        else if (key == "HEIGHT") header >> height;
        else if (key == "DEPTH") header >> depth;
        else if (key == "MAXVAL") header >> maxval;
        else if (key == "TUPLTYPE") header >> tupleType;
    }
    const std::size_t sampleBytes = maxval == 65535 ? 2 : 1;
    const std::size_t dataStart = end + 7;
    if ((maxval != 255 && maxval != 65535) || depth < 1 || depth > 4 ||
        file.size() - dataStart != std::size_t{width} * height * depth * sampleBytes)
        return {};
    RgbaImage image{width, height, {}};
    for (std::size_t i = 0; i < std::size_t{width} * height; ++i) {
        std::uint8_t s[4];
        for (std::uint32_t c = 0; c < depth; ++c)
            s[c] = file[dataStart + (i * depth + c) * sampleBytes];  // high byte first
        const bool grey = depth <= 2, alpha = depth == 2 || depth == 4;
        const std::uint8_t r = s[0], g = grey ? s[0] : s[1], b = grey ? s[0] : s[2], a = alpha ? s[depth - 1] : 255;
        image.rgba.insert(image.rgba.end(), {r, g, b, a});
    }
    return image;
}

inline std::uint8_t PremultipliedChannel(std::uint8_t value, std::uint8_t alpha)
{
    return static_cast<std::uint8_t>(std::lround(value * alpha / 255.0));
}

// The reader's output layout (blue, green, red, alpha) for straight RGBA pixels.
inline std::vector<std::uint8_t> ToBgra(const std::vector<std::uint8_t>& rgba, bool premultiplied)
{
    std::vector<std::uint8_t> out(rgba.size());
    for (std::size_t i = 0; i + 3 < rgba.size(); i += 4) {
        const std::uint8_t a = rgba[i + 3];
        for (int c = 0; c < 3; ++c)
            out[i + 2 - c] = premultiplied ? PremultipliedChannel(rgba[i + c], a) : rgba[i + c];
        out[i + 3] = a;
    }
    return out;
}

// First position (x, y) where two BGRA buffers of one width differ, as text; empty when equal.
inline std::string FirstDifference(const std::vector<std::uint8_t>& actual, const std::vector<std::uint8_t>& expected,
                                   std::uint32_t width)
{
    if (actual.size() != expected.size())
        return "sizes differ: " + std::to_string(actual.size()) + " and " + std::to_string(expected.size());
    for (std::size_t i = 0; i < actual.size(); i += 4) {
        for (std::size_t c = 0; c < 4; ++c) {
            if (actual[i + c] != expected[i + c]) {
                std::ostringstream text;
                const std::size_t pixel = i / 4;
                text << "pixel (" << pixel % width << ", " << pixel / width << ") is BGRA " << int(actual[i]) << ","
                     << int(actual[i + 1]) << "," << int(actual[i + 2]) << "," << int(actual[i + 3]) << ", expected "
                     << int(expected[i]) << "," << int(expected[i + 1]) << "," << int(expected[i + 2]) << ","
                     << int(expected[i + 3]);
                return text.str();
            }
        }
    }
    return {};
}

// The menu's pictures: resource id, file name (in src/resources/pictures and tests/resources/expected)
// and the size the menu lays out for it.
struct PictureInfo {
    int id;
    const char* name;
    std::uint32_t width, height;
};

inline const std::vector<PictureInfo>& MenuPictures()
{
    static const std::vector<PictureInfo> pictures{
        {IDP_WINLOGO, "win_logo", 32, 32},
        {IDP_AVATAR, "avatar", 58, 58},
        {IDP_AVATAR_FRAME, "avatar_frame", 58, 58},
        {IDP_WIN8MENU, "win8_caption", 14, 142},
        {IDP_LABEL, "product_caption", 14, 160},
        {IDP_ARROW1, "arrow_left", 5, 10},
        {IDP_ARROW2, "arrow_right", 6, 10},
        {IDP_ARROW3, "shutdown_arrow", 6, 10},
        {IDP_SMALL_ICONS, "small_icons", 64, 16},
    };
    return pictures;
}

inline std::string PicturePath(const PictureInfo& p) { return SourcePath(std::string("src/resources/pictures/") + p.name + ".png"); }
inline std::string ExpectedPath(const PictureInfo& p) { return SourcePath(std::string("tests/resources/expected/") + p.name + ".pam"); }

} // namespace pngtest
