// Both builds of the program carry what Windows reads from the file before any code runs: the
// manifest (asInvoker, no UI access, Vista/7/8, common controls 6) and the version resource.

#include "E2E.h"
#include "PeResources.h"

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
