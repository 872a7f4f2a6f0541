// A short, deterministic fuzzing run of the PNG reader, built for the Linux host under AddressSanitizer
// and UBSan (see native/). It mutates valid files (the menu's pictures and images of every format from
// the tests' writer) in four ways, from blind byte edits to edits that keep every CRC and the zlib
// stream valid so that the mutations reach the header checks, the unfiltering and the pixel
// conversion. The sanitizers catch any out-of-bounds access or undefined behaviour; this program
// checks the results: a decoded image has exactly its pixels, premultiplied colour never exceeds
// alpha, and the run reaches both success and many different refusals (else the mutations would not
// be testing much).
//
//   png_fuzz ITERATIONS FILE...

#include "PngBuilder.h"

#include "resources/Png.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <iterator>
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

// SplitMix64: the same sequence on every platform and compiler.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::size_t Below(std::size_t n) { return n ? static_cast<std::size_t>(Next() % n) : 0; }
    bool OneIn(std::size_t n) { return Below(n) == 0; }

private:
    std::uint64_t state_;
};

const std::uint32_t InterestingNumbers[] = {0, 1, 2, 3, 4, 7, 8, 15, 16, 255, 256, 0x7FFF, 0xFFFF, 0x10000,
                                            0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu};

std::uint8_t InterestingByte(Random& r)
{
    static const std::uint8_t bytes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 16, 0x7F, 0x80, 0xFE, 0xFF};
    return bytes[r.Below(sizeof bytes)];
}

void MutateBytes(Bytes& b, Random& r)
{
    const std::size_t edits = 1 + r.Below(4);
    for (std::size_t e = 0; e < edits && !b.empty(); ++e) {
        const std::size_t at = r.Below(b.size());
        switch (r.Below(6)) {
        case 0: b[at] ^= static_cast<std::uint8_t>(1u << r.Below(8)); break;
        case 1: b[at] = InterestingByte(r); break;
        case 2: b[at] = static_cast<std::uint8_t>(r.Next()); break;
        case 3: b.insert(b.begin() + static_cast<std::ptrdiff_t>(at), static_cast<std::uint8_t>(r.Next())); break;
        case 4: b.erase(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(std::min(b.size(), at + 1 + r.Below(16)))); break;
        default: b.resize(at); break;
        }
    }
}

// Recomputes the CRC of every chunk whose length still fits the file.
void FixCrcs(Bytes& file)
{
    std::size_t at = 8;
    while (at + 12 <= file.size()) {
        const std::uint32_t length = GetU32(file, at);
        if (length > file.size() - at - 12)
            return;
        const std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, file.data() + at + 4, length + 4));
        for (int i = 0; i < 4; ++i)
            file[at + 8 + length + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
        at += 12 + length;
    }
}

void MutateChunks(PngFile& png, Random& r)
{
    auto& chunks = png.chunks;
    if (chunks.empty())
        return;
    const std::size_t at = r.Below(chunks.size());
    switch (r.Below(8)) {
    case 0: chunks.erase(chunks.begin() + static_cast<std::ptrdiff_t>(at)); break;
    case 1: chunks.insert(chunks.begin() + static_cast<std::ptrdiff_t>(at), chunks[r.Below(chunks.size())]); break;
    case 2: if (at + 1 < chunks.size()) std::swap(chunks[at], chunks[at + 1]); break;
    case 3: {  // a header field set to an edge value
        if (!png.Has("IHDR") || png.Get("IHDR").data.size() < 13)
            break;
        Bytes& h = png.Get("IHDR").data;
        const std::size_t field = r.Below(7);
        if (field < 2) {
            const std::uint32_t v = r.OneIn(2) ? InterestingNumbers[r.Below(std::size(InterestingNumbers))]
                                               : GetU32(h, field * 4) + static_cast<std::uint32_t>(r.Below(5)) - 2;
            for (std::size_t i = 0; i < 4; ++i)
                h[field * 4 + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
        } else {
            h[8 + field - 2] = InterestingByte(r);
        }
        break;
    }
    case 4: {  // a palette or transparency chunk of another length
        const char* type = r.OneIn(2) ? "PLTE" : "tRNS";
        if (png.Has(type))
            png.Get(type).data.resize(r.Below(800), static_cast<std::uint8_t>(r.Next()));
        else
            chunks.insert(chunks.begin() + static_cast<std::ptrdiff_t>(at), {r.OneIn(2) ? "PLTE" : "tRNS", Bytes(r.Below(40), 0x55)});
        break;
    }
    case 5: {  // the image data split at random places
        const Bytes data = png.ImageData();
        png.SetImageData({});
        std::size_t idat = 0;
        while (idat < chunks.size() && chunks[idat].type != "IDAT") ++idat;
        std::vector<Chunk> pieces;
        for (std::size_t from = 0; from < data.size();) {
            const std::size_t n = std::min(data.size() - from, 1 + r.Below(64));
            pieces.push_back({"IDAT", Bytes(data.begin() + static_cast<std::ptrdiff_t>(from), data.begin() + static_cast<std::ptrdiff_t>(from + n))});
            from += n;
        }
        if (idat < chunks.size()) {
            chunks.erase(chunks.begin() + static_cast<std::ptrdiff_t>(idat));
            chunks.insert(chunks.begin() + static_cast<std::ptrdiff_t>(idat), pieces.begin(), pieces.end());
        }
        break;
    }
    case 6: {  // an unknown chunk, critical or not
        static const char* types[] = {"zzZz", "ZZZZ", "tEXt", "IDAT", "IEND", "iCCP"};
        chunks.insert(chunks.begin() + static_cast<std::ptrdiff_t>(at), {types[r.Below(std::size(types))], Bytes(r.Below(20), 7)});
        break;
    }
    default: MutateBytes(chunks[at].data, r); break;
    }
}

// Edits the uncompressed, filtered image data and compresses it again, so that zlib accepts it.
void MutateRaw(PngFile& png, Random& r)
{
    Bytes raw = Decompress(png.ImageData());
    if (raw.empty())
        return;
    const std::size_t edits = 1 + r.Below(6);
    for (std::size_t e = 0; e < edits; ++e) {
        const std::size_t at = r.Below(raw.size());
        switch (r.Below(5)) {
        case 0: raw[at] = static_cast<std::uint8_t>(r.Below(7)); break;  // likely a filter byte: 0..4 valid
        case 1: raw[at] = static_cast<std::uint8_t>(r.Next()); break;
        case 2: raw.resize(raw.size() - r.Below(std::min<std::size_t>(raw.size(), 9))); break;
        case 3: raw.insert(raw.end(), r.Below(9), static_cast<std::uint8_t>(r.Next())); break;
        default: raw[at] = InterestingByte(r); break;
        }
        if (raw.empty())
            break;
    }
    png.SetImageData(Compress(raw, static_cast<int>(r.Below(10))));
    if (r.OneIn(4))
        MutateChunks(png, r);
}

std::vector<Bytes> BuiltCorpus()
{
    std::vector<Bytes> files;
    struct Form {
        std::uint8_t type, depth;
        bool interlaced;
    };
    for (const Form f : {Form{0, 1, true}, Form{0, 16, false}, Form{2, 8, true}, Form{2, 16, false}, Form{3, 2, true},
                         Form{3, 8, false}, Form{4, 8, true}, Form{4, 16, false}, Form{6, 8, false}, Form{6, 16, true}}) {
        SampleImage s;
        s.width = 11;
        s.height = 7;
        s.colourType = f.type;
        s.depth = f.depth;
        s.interlaced = f.interlaced;
        const std::uint32_t top = (1u << f.depth) - 1;
        for (std::uint32_t i = 0; i < s.width * s.height * s.Channels(); ++i)
            s.samples.push_back(static_cast<std::uint16_t>((i * 2654435761u >> 7) % (f.type == 3 ? 3 : top + 1)));
        if (f.type == 3) {
            s.palette = {1, 2, 3, 40, 50, 60, 200, 100, 0};
            s.transparency = {0, 99};
        } else if (f.type == 0) {
            s.transparency = {0, 1};
        } else if (f.type == 2) {
            s.transparency = {0, 1, 0, 2, 0, 3};
        }
        files.push_back(Encode(s).Serialize());
    }
    return files;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: png_fuzz ITERATIONS [FILE...]\n");
        return 2;
    }
    const long iterations = std::strtol(argv[1], nullptr, 10);
    std::vector<Bytes> corpus = BuiltCorpus();
    for (int i = 2; i < argc; ++i) {
        std::FILE* f = std::fopen(argv[i], "rb");
        if (!f) {
            std::fprintf(stderr, "png_fuzz: cannot read %s\n", argv[i]);
            return 2;
        }
        Bytes file;
        for (int c; (c = std::fgetc(f)) != EOF;)
            file.push_back(static_cast<std::uint8_t>(c));
        std::fclose(f);
        corpus.push_back(std::move(file));
    }

    Random r(0x48616C7665784Dull);
    std::map<std::string, long> outcomes;
    long failures = 0;
    for (long i = 0; i < iterations; ++i) {
        const Bytes& base = corpus[r.Below(corpus.size())];
        Bytes file;
        switch (i % 4) {
        case 0:
            file = base;
            MutateBytes(file, r);
            break;
        case 1:
            file = base;
            MutateBytes(file, r);
            FixCrcs(file);
            break;
        case 2: {
            PngFile png = PngFile::Parse(base);
            MutateChunks(png, r);
            file = png.Serialize();
            break;
        }
        default: {
            PngFile png = PngFile::Parse(base);
            MutateRaw(png, r);
            file = png.Serialize();
            break;
        }
        }

        DecodeOptions options;
        options.alpha = i % 2 ? AlphaMode::Straight : AlphaMode::Premultiplied;
        options.maxPixels = std::uint64_t{1} << 22;
        Image image;
        const PngError error = DecodePng(file, image, options);
        ++outcomes[PngErrorText(error)];
        if (error != PngError::None) {
            if (!image.bgra.empty() || image.width || image.height) {
                std::fprintf(stderr, "iteration %ld: refused (%s) but left an image behind\n", i, PngErrorText(error));
                ++failures;
            }
            continue;
        }
        if (image.width == 0 || image.height == 0 || image.bgra.size() != std::size_t{image.width} * image.height * 4) {
            std::fprintf(stderr, "iteration %ld: %ux%u image with %zu bytes\n", i, image.width, image.height, image.bgra.size());
            ++failures;
            continue;
        }
        if (options.alpha == AlphaMode::Premultiplied) {
            for (std::size_t p = 0; p < image.bgra.size(); p += 4) {
                const std::uint8_t a = image.bgra[p + 3];
                if (image.bgra[p] > a || image.bgra[p + 1] > a || image.bgra[p + 2] > a) {
                    std::fprintf(stderr, "iteration %ld: premultiplied colour above alpha at byte %zu\n", i, p);
                    ++failures;
                    break;
                }
            }
        }
    }

    std::printf("png_fuzz: %ld iterations over %zu files\n", iterations, corpus.size());
    for (const auto& [text, count] : outcomes)
        std::printf("  %6ld  %s\n", count, text.c_str());
    const long decoded = outcomes.count(PngErrorText(PngError::None)) ? outcomes[PngErrorText(PngError::None)] : 0;
    if (decoded < iterations / 20 || outcomes.size() < 12) {
        std::fprintf(stderr, "png_fuzz: the mutations reach too little of the reader (%ld decoded, %zu outcomes)\n",
                     decoded, outcomes.size());
        ++failures;
    }
    return failures ? 1 : 0;
}
