// The menu's pictures as the program gets them: carried by both executables byte for byte as drawn,
// loaded from the 64-bit one into DIB sections with exactly the meant pixels, and drawn with alpha.
// The look the menu relies on is checked here from its own description, not from the generator: the
// arrow glyphs row by row, white on transparent where the pictures sit on the window's blue, the
// four roles of the small icons.

#include "E2E.h"
#include "PeResources.h"
#include "TestData.h"

#include "resources/Pictures.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

using namespace pngtest;
using halvex::DecodePicture;
using halvex::DrawPicture;
using halvex::LoadPicture;
using halvex::Picture;
using halvex::png::AlphaMode;

namespace {

// The program, loaded as a data file so that its resources can be read without running it.
class ProgramResources {
public:
    ProgramResources()
        : module_(::LoadLibraryExW(e2e::HalvexExe().c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE))
    {
    }
    ~ProgramResources()
    {
        if (module_)
            ::FreeLibrary(module_);
    }
    ProgramResources(const ProgramResources&) = delete;
    ProgramResources& operator=(const ProgramResources&) = delete;
    HMODULE get() const { return module_; }

private:
    HMODULE module_;
};

// The bitmap's pixels as GDI sees them, rows from the top down (whatever order they have in memory),
// after checking that it is a 32-bit DIB section.
std::vector<std::uint8_t> PixelsOf(const Picture& picture)
{
    DIBSECTION dib{};
    if (::GetObjectW(picture.bitmap.get(), sizeof(dib), &dib) != sizeof(dib)) {
        ADD_FAILURE() << "not a DIB section";
        return {};
    }
    EXPECT_EQ(dib.dsBm.bmBitsPixel, 32);
    EXPECT_EQ(dib.dsBm.bmWidth, picture.width);
    EXPECT_EQ(dib.dsBm.bmHeight, picture.height);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), picture.width, -picture.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<std::uint8_t> pixels(std::size_t(picture.width) * picture.height * 4);
    HDC dc = ::CreateCompatibleDC(nullptr);
    const int rows = ::GetDIBits(dc, picture.bitmap.get(), 0, UINT(picture.height), pixels.data(), &info, DIB_RGB_COLORS);
    ::DeleteDC(dc);
    EXPECT_EQ(rows, picture.height);
    return pixels;
}

// The straight RGBA pixel at (x, y) of a picture loaded with AlphaMode::Straight.
struct Rgba {
    int r, g, b, a;
};
Rgba At(const std::vector<std::uint8_t>& bgra, int width, int x, int y)
{
    const std::uint8_t* p = bgra.data() + (std::size_t(y) * width + x) * 4;
    return {p[2], p[1], p[0], p[3]};
}

TEST(Pictures, BothExecutablesCarryEveryPictureAsDrawn)
{
    const std::vector<std::pair<const char*, std::wstring>> builds{
        {"x86_64", e2e::HalvexExe()}, {"i686", e2e::FromBuildPath(HALVEX_I686_EXE_PATH)}};
    for (const auto& [build, path] : builds) {
        SCOPED_TRACE(build);
        ASSERT_NE(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES) << "missing; build both presets first";
        const PeResources program(path);
        for (const PictureInfo& picture : MenuPictures()) {
            SCOPED_TRACE(picture.name);
            const std::vector<BYTE> resource = program.Find(10 /* RT_RCDATA */, static_cast<WORD>(picture.id));
            ASSERT_FALSE(resource.empty()) << "no RCDATA resource " << picture.id;
            const std::vector<std::uint8_t> file = ReadFileBytes(PicturePath(picture));
            EXPECT_TRUE(std::vector<std::uint8_t>(resource.begin(), resource.end()) == file)
                << "the resource is not the committed picture file";
        }
    }
}

TEST(Pictures, LoadIntoDibSectionsWithTheMeantPixels)
{
    const ProgramResources program;
    ASSERT_NE(program.get(), nullptr);
    for (const PictureInfo& picture : MenuPictures()) {
        SCOPED_TRACE(picture.name);
        const RgbaImage meant = ReadPam(ExpectedPath(picture));
        ASSERT_FALSE(meant.rgba.empty());
        for (const AlphaMode alpha : {AlphaMode::Premultiplied, AlphaMode::Straight}) {
            const Picture loaded = LoadPicture(picture.id, alpha, program.get());
            ASSERT_TRUE(loaded);
            EXPECT_EQ(loaded.width, int(picture.width));
            EXPECT_EQ(loaded.height, int(picture.height));
            EXPECT_EQ(FirstDifference(PixelsOf(loaded), ToBgra(meant.rgba, alpha == AlphaMode::Premultiplied),
                                      picture.width),
                      "");
        }
    }
}

// '#' is the glyph, '.' the background.
void ExpectRows(int id, const std::vector<std::string>& rows, Rgba ink, Rgba background)
{
    const ProgramResources program;
    const Picture picture = LoadPicture(id, AlphaMode::Straight, program.get());
    ASSERT_TRUE(picture);
    ASSERT_EQ(picture.height, int(rows.size()));
    ASSERT_EQ(picture.width, int(rows[0].size()));
    const std::vector<std::uint8_t> pixels = PixelsOf(picture);
    for (int y = 0; y < picture.height; ++y) {
        std::string actual;
        for (int x = 0; x < picture.width; ++x) {
            const Rgba p = At(pixels, picture.width, x, y);
            const Rgba& want = rows[y][x] == '#' ? ink : background;
            const bool same = want.a == 0 ? p.a == 0 : (p.r == want.r && p.g == want.g && p.b == want.b && p.a == want.a);
            actual += same ? rows[y][x] : '?';
        }
        EXPECT_EQ(actual, rows[y]) << "row " << y;
    }
}

const Rgba Black{0, 0, 0, 255}, White{255, 255, 255, 255}, Clear{0, 0, 0, 0}, MenuBlue{77, 141, 198, 255};

TEST(Pictures, BackGlyphIsALeftPointingTriangleAgainstTheRightEdge)
{
    ExpectRows(IDP_ARROW1, {"....#", "...##", "..###", ".####", "#####", "#####", ".####", "..###", "...##", "....#"},
               Black, Clear);
}

TEST(Pictures, AllProgramsGlyphIsARightPointingTriangleOnePixelFromTheLeft)
{
    ExpectRows(IDP_ARROW2, {".#....", ".##...", ".###..", ".####.", ".#####", ".#####", ".####.", ".###..", ".##...", ".#...."},
               Black, Clear);
}

TEST(Pictures, ShutdownArrowIsWhiteOnTheColumnsBlueAndOpaque)
{
    ExpectRows(IDP_ARROW3, {".#....", ".##...", ".###..", ".####.", ".#####", ".#####", ".####.", ".###..", ".##...", ".#...."},
               White, MenuBlue);
}

TEST(Pictures, LogoAndCaptionsAreWhiteOnTransparent)
{
    const ProgramResources program;
    for (const int id : {IDP_WINLOGO, IDP_WIN8MENU, IDP_LABEL}) {
        SCOPED_TRACE(id);
        const Picture picture = LoadPicture(id, AlphaMode::Straight, program.get());
        ASSERT_TRUE(picture);
        const std::vector<std::uint8_t> pixels = PixelsOf(picture);
        int inked = 0, clear = 0;
        for (int y = 0; y < picture.height; ++y) {
            for (int x = 0; x < picture.width; ++x) {
                const Rgba p = At(pixels, picture.width, x, y);
                if (p.a == 0) {
                    ++clear;
                    continue;
                }
                ++inked;
                ASSERT_TRUE(p.r == 255 && p.g == 255 && p.b == 255) << "non-white ink at " << x << "," << y;
            }
        }
        EXPECT_GT(inked, picture.width * picture.height / 20);
        EXPECT_GT(clear, picture.width * picture.height / 2);
        // The corners are background.
        for (const auto& [x, y] : {std::pair{0, 0}, {picture.width - 1, 0}, {0, picture.height - 1}})
            EXPECT_EQ(At(pixels, picture.width, x, y).a, 0);
    }
}

TEST(Pictures, LogoIsARingAroundAFlagWithSoftEdges)
{
    const ProgramResources program;
    const Picture logo = LoadPicture(IDP_WINLOGO, AlphaMode::Straight, program.get());
    ASSERT_TRUE(logo);
    const std::vector<std::uint8_t> pixels = PixelsOf(logo);
    auto alpha = [&](int x, int y) { return At(pixels, 32, x, y).a; };
    // Along the middle row from the left: clear outside, the ring, clear inside it, the flag.
    EXPECT_EQ(alpha(0, 16), 0);
    EXPECT_EQ(alpha(2, 16), 255);
    EXPECT_EQ(alpha(6, 16), 0);
    EXPECT_EQ(alpha(12, 12), 255);
    EXPECT_EQ(alpha(16, 16), 0) << "the flag has a gap between its panes";
    int partial = 0;
    for (std::size_t i = 3; i < pixels.size(); i += 4)
        partial += pixels[i] != 0 && pixels[i] != 255;
    EXPECT_GT(partial, 40) << "the round edges are smoothed with alpha";
}

TEST(Pictures, SmallIconsAreEmptyFolderProgramAndCross)
{
    const ProgramResources program;
    const Picture strip = LoadPicture(IDP_SMALL_ICONS, AlphaMode::Straight, program.get());
    ASSERT_TRUE(strip);
    ASSERT_EQ(strip.width, 64);
    ASSERT_EQ(strip.height, 16);
    const std::vector<std::uint8_t> pixels = PixelsOf(strip);
    // Counts the opaque pixels of image `index` that satisfy the colour test.
    auto count = [&](int index, auto test) {
        int n = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const Rgba p = At(pixels, 64, index * 16 + x, y);
                n += p.a == 255 && test(p);
            }
        return n;
    };
    auto any = [](const Rgba&) { return true; };
    EXPECT_EQ(count(0, any), 0);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(At(pixels, 64, x, y).a, 0) << "image 0 is empty";
    const int yellow = count(1, [](const Rgba& p) { return p.r > 200 && p.g > 150 && p.b < 130; });
    EXPECT_GT(yellow, count(1, any) / 2) << "image 1 is a yellow folder";
    const int white = count(2, [](const Rgba& p) { return p.r == 255 && p.g == 255 && p.b == 255; });
    const int blue = count(2, [](const Rgba& p) { return p.b > 150 && p.r < 100; });
    EXPECT_GT(white, 60) << "image 2 is a window with a white client area";
    EXPECT_GT(blue, 10) << "and a blue title bar";
    const int red = count(3, [](const Rgba& p) { return p.r > 130 && p.g < 60 && p.b < 60; });
    EXPECT_GT(red, count(3, any) * 9 / 10) << "image 3 is a red cross";
    EXPECT_EQ(At(pixels, 64, 48 + 8, 8).a, 255) << "crossing at the centre";
    EXPECT_EQ(At(pixels, 64, 48 + 8, 2).a, 0);

    // The strip is what an image list of 16 x 16 images takes in one call.
    HIMAGELIST list = ::ImageList_Create(16, 16, ILC_COLOR32, 4, 4);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(::ImageList_Add(list, strip.bitmap.get(), nullptr), 0);
    EXPECT_EQ(::ImageList_GetImageCount(list), 4);
    ::ImageList_Destroy(list);
}

TEST(Pictures, AvatarIsAnOpaqueGreySilhouetteAndTheFrameLeavesItsMiddleOpen)
{
    const ProgramResources program;
    const Picture avatar = LoadPicture(IDP_AVATAR, AlphaMode::Straight, program.get());
    const Picture frame = LoadPicture(IDP_AVATAR_FRAME, AlphaMode::Straight, program.get());
    ASSERT_TRUE(avatar && frame);
    const std::vector<std::uint8_t> a = PixelsOf(avatar), f = PixelsOf(frame);
    for (int y = 0; y < 58; ++y)
        for (int x = 0; x < 58; ++x) {
            const Rgba p = At(a, 58, x, y);
            ASSERT_TRUE(p.a == 255 && p.r == p.g && p.g == p.b) << "avatar pixel " << x << "," << y;
        }
    EXPECT_LT(At(a, 58, 29, 22).r, At(a, 58, 3, 3).r) << "the head is darker than the background";
    EXPECT_LT(At(a, 58, 29, 52).r, At(a, 58, 3, 52).r) << "so are the shoulders";
    EXPECT_GT(At(f, 58, 0, 29).a, 200) << "the frame's edge covers the picture";
    EXPECT_EQ(At(f, 58, 29, 29).a, 0) << "the frame's middle shows it";
    EXPECT_EQ(At(f, 58, 6, 29).a, 0);
}

TEST(Pictures, DrawBlendedByTheirAlpha)
{
    const ProgramResources program;
    const Picture logo = LoadPicture(IDP_WINLOGO, AlphaMode::Premultiplied, program.get());
    ASSERT_TRUE(logo);
    // A 32-bit surface in the menu's blue, the logo drawn over it at (2, 1).
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 36, -34, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    halvex::UniqueBitmap surface(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    ASSERT_TRUE(surface && bits);
    auto* px = static_cast<std::uint8_t*>(bits);
    for (int i = 0; i < 36 * 34; ++i) {
        px[i * 4] = 198, px[i * 4 + 1] = 141, px[i * 4 + 2] = 77, px[i * 4 + 3] = 0;
    }
    HDC dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, surface.get());
    EXPECT_TRUE(DrawPicture(dc, logo, 2, 1));
    ::GdiFlush();
    ::SelectObject(dc, old);
    ::DeleteDC(dc);

    const RgbaImage meant = ReadPam(ExpectedPath(MenuPictures()[0]));
    ASSERT_EQ(MenuPictures()[0].id, IDP_WINLOGO);
    int worst = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const std::uint8_t* m = meant.rgba.data() + (y * 32 + x) * 4;
            const std::uint8_t* d = px + ((y + 1) * 36 + x + 2) * 4;
            const int background[3] = {77, 141, 198};
            for (int c = 0; c < 3; ++c) {
                const double expected = (m[c] * m[3] + background[c] * (255 - m[3])) / 255.0;
                worst = std::max(worst, int(std::abs(d[2 - c] - expected) + 0.5));
            }
        }
    EXPECT_LE(worst, 1) << "white over blue by the logo's alpha, within GDI's rounding";
    EXPECT_EQ(px[0], 198) << "outside the picture nothing changed";
}

TEST(Pictures, MissingOrBrokenPicturesComeBackEmpty)
{
    const ProgramResources program;
    EXPECT_FALSE(LoadPicture(4242, AlphaMode::Premultiplied, program.get()));
    EXPECT_TRUE(halvex::PictureResource(4242, program.get()).empty());
    const std::vector<std::uint8_t> notPng{'G', 'I', 'F', '8', '9', 'a', 0, 0};
    EXPECT_FALSE(DecodePicture(notPng));
    std::vector<std::uint8_t> file = ReadFileBytes(PicturePath(MenuPictures()[0]));
    file.resize(file.size() / 2);
    EXPECT_FALSE(DecodePicture(file));
    HDC dc = ::CreateCompatibleDC(nullptr);
    EXPECT_FALSE(DrawPicture(dc, Picture{}, 0, 0));
    ::DeleteDC(dc);
}

} // namespace
