// Both builds of the program carry what Windows reads from the file before any code runs: the
// manifest (asInvoker, no UI access, Vista/7/8, common controls 6) and the version resource.

#include "E2E.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace e2e;

namespace {

struct Build {
    const char* name;
    std::wstring path;
};

std::vector<Build> Builds()
{
    return {{"x86_64", HalvexExe()}, {"i686", FromBuildPath(HALVEX_I686_EXE_PATH)}};
}

// Reads a resource straight from the file's resource section. The 64-bit Wine here cannot load a
// 32-bit image even as a data file, so the shipped build is read the way Windows' loader reads it.
class PeResources {
public:
    explicit PeResources(const std::wstring& path)
    {
        HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            return;
        }
        LARGE_INTEGER size{};
        ::GetFileSizeEx(file, &size);
        image_.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        ::ReadFile(file, image_.data(), static_cast<DWORD>(image_.size()), &read, nullptr);
        ::CloseHandle(file);
        image_.resize(read);
        Parse();
    }

    // The bytes of resource (type, id) in its first language; empty when there is none.
    std::vector<BYTE> Find(WORD type, WORD id) const
    {
        if (!resourceOffset_)
            return {};
        const size_t typeDir = Entry(resourceOffset_, type);
        const size_t nameDir = typeDir ? Entry(typeDir, id) : 0;
        const size_t languageDir = nameDir ? FirstEntry(nameDir) : 0;
        if (!languageDir)
            return {};
        // The data entry: the RVA and size of the bytes.
        const DWORD rva = U32(languageDir), length = U32(languageDir + 4);
        const size_t offset = FileOffset(rva);
        if (!offset || offset + length > image_.size())
            return {};
        return {image_.begin() + static_cast<ptrdiff_t>(offset), image_.begin() + static_cast<ptrdiff_t>(offset + length)};
    }

private:
    DWORD U16(size_t at) const { return at + 2 <= image_.size() ? image_[at] | (image_[at + 1] << 8) : 0; }
    DWORD U32(size_t at) const { return at + 4 <= image_.size() ? U16(at) | (U16(at + 2) << 16) : 0; }

    void Parse()
    {
        const size_t pe = U32(0x3C);
        if (U32(pe) != 0x00004550)
            return;
        const size_t sections = U16(pe + 6);
        const size_t optional = pe + 24;
        const size_t optionalSize = U16(pe + 20);
        const DWORD magic = U16(optional);
        const size_t directories = optional + (magic == 0x20B ? 112 : 96);
        const DWORD resourceRva = U32(directories + 2 * 8);
        for (size_t i = 0; i < sections; ++i) {
            const size_t header = optional + optionalSize + i * 40;
            sections_.push_back({U32(header + 12), U32(header + 8), U32(header + 20)});
        }
        resourceRva_ = resourceRva;
        resourceOffset_ = FileOffset(resourceRva);
    }

    size_t FileOffset(DWORD rva) const
    {
        for (const auto& section : sections_)
            if (rva >= section.rva && rva < section.rva + section.size)
                return section.raw + (rva - section.rva);
        return 0;
    }

    // The subdirectory or data entry (as a file offset) of the entry with this id.
    size_t Entry(size_t directory, WORD id) const
    {
        const size_t named = U16(directory + 12), ids = U16(directory + 14);
        for (size_t i = 0; i < named + ids; ++i) {
            const size_t entry = directory + 16 + i * 8;
            if (U32(entry) == id)
                return Target(entry);
        }
        return 0;
    }

    size_t FirstEntry(size_t directory) const
    {
        return U16(directory + 12) + U16(directory + 14) ? Target(directory + 16) : 0;
    }

    size_t Target(size_t entry) const { return resourceOffset_ + (U32(entry + 4) & 0x7FFFFFFF); }

    struct Section {
        DWORD rva, size, raw;
    };
    std::vector<BYTE> image_;
    std::vector<Section> sections_;
    DWORD resourceRva_ = 0;
    size_t resourceOffset_ = 0;
};

std::string ManifestOf(const std::wstring& exe)
{
    auto bytes = PeResources(exe).Find(24, 1);
    return {bytes.begin(), bytes.end()};
}

std::wstring VersionString(const std::vector<BYTE>& info, const wchar_t* name)
{
    std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    void* value = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(info.data(), path.c_str(), &value, &length) || !value)
        return {};
    return static_cast<const wchar_t*>(value);
}

} // namespace

TEST(Executables, CarryTheManifest)
{
    for (const Build& build : Builds()) {
        SCOPED_TRACE(build.name);
        const DWORD attributes = ::GetFileAttributesW(build.path.c_str());
        ASSERT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            << "missing; build both presets first";
        const std::string manifest = ManifestOf(build.path);
        ASSERT_FALSE(manifest.empty()) << "no manifest resource (type 24, id 1)";
        EXPECT_NE(manifest.find(R"(level="asInvoker")"), std::string::npos);
        EXPECT_NE(manifest.find(R"(uiAccess="false")"), std::string::npos);
        for (const char* os : {"{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                               "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"})
            EXPECT_NE(manifest.find(os), std::string::npos) << os;
        EXPECT_NE(manifest.find(R"(name="Microsoft.Windows.Common-Controls" version="6.0.0.0")"),
                  std::string::npos);
    }
}

TEST(Executables, CarryTheVersionResource)
{
    for (const Build& build : Builds()) {
        SCOPED_TRACE(build.name);
        std::vector<BYTE> info = PeResources(build.path).Find(16, 1);
        ASSERT_FALSE(info.empty()) << "no version resource";
        info.resize(info.size() * 2);  // VerQueryValueW may use room after the block
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(::VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
        EXPECT_EQ(HIWORD(fixed->dwProductVersionMS), 2);
        EXPECT_EQ(LOWORD(fixed->dwProductVersionMS), 0);
        EXPECT_EQ(VersionString(info, L"ProductName"), L"Halvex Start Menu");
        EXPECT_EQ(VersionString(info, L"ProductVersion"), L"2.0");
    }
}

TEST(Executables, ResourceReaderAgreesWithWindows)
{
    // The reader above is checked against Windows' own loader on the build this machine can load.
    HMODULE module = ::LoadLibraryExW(HalvexExe().c_str(), nullptr,
                                      LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr);
    HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(resource, nullptr);
    const char* data = static_cast<const char*>(::LockResource(::LoadResource(module, resource)));
    const std::string viaWindows(data, ::SizeofResource(module, resource));
    ::FreeLibrary(module);
    EXPECT_EQ(ManifestOf(HalvexExe()), viaWindows);
}

TEST(Executables, CarryTheApplicationIcon)
{
    for (const Build& build : Builds()) {
        SCOPED_TRACE(build.name);
        EXPECT_FALSE(PeResources(build.path).Find(14, 1).empty()) << "no icon group 1";
    }
}
