// XFile::ExtractIcons with real files, shortcuts and shell items. The shell's own icon handles are
// watched through the executable's import of SHGetFileInfoW, so that a handle the routine asks for
// and then forgets shows up as a leak.

#include "platform/Utils.h"

#include "Support.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <vector>

using namespace halvex;
using namespace platform_test;

namespace {

using SHGetFileInfoWFunction = DWORD_PTR(WINAPI*)(LPCWSTR, DWORD, SHFILEINFOW*, UINT, UINT);

SHGetFileInfoWFunction realSHGetFileInfoW = nullptr;
std::vector<HICON> handedOver;  // every icon handle the shell gave the code under test
int shellCalls = 0;

DWORD_PTR WINAPI WatchedSHGetFileInfoW(LPCWSTR path, DWORD attributes, SHFILEINFOW* info, UINT size, UINT flags)
{
    ++shellCalls;
    const DWORD_PTR result = realSHGetFileInfoW(path, attributes, info, size, flags);
    if ((flags & SHGFI_ICON) && info && info->hIcon)
        handedOver.push_back(info->hIcon);
    return result;
}

class ExtractIcons : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(com.ok());
        ASSERT_TRUE(watch.installed()) << "the test executable does not import SHGetFileInfoW";
        realSHGetFileInfoW = reinterpret_cast<SHGetFileInfoWFunction>(watch.original());
        handedOver.clear();

        exe = folder / L"App Folder\\Sample App.exe";
        ASSERT_TRUE(CopyTo(BesideTestExecutable(L"LaunchMarker.exe"), exe));
        link = folder / L"Sample App.lnk";
        ASSERT_TRUE(MakeShortcut(link, exe));
        text = folder / L"readme.txt";
        WriteBytes(text, "text");
    }

    // Every handle the shell handed over ended in a slot or was destroyed.
    void ExpectNoShellIconLeft(const UniqueIcon& smallIcon, const UniqueIcon& largeIcon) const
    {
        for (HICON icon : handedOver)
            EXPECT_TRUE(icon == smallIcon.get() || icon == largeIcon.get() || !IsLiveIcon(icon))
                << "a shell icon handle was neither kept nor destroyed";
    }

    static SIZE SmallSize() { return {::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON)}; }
    static SIZE LargeSize() { return {::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON)}; }

    ComInit com;
    ImportPatch watch{"shell32.dll", "SHGetFileInfoW", reinterpret_cast<void*>(&WatchedSHGetFileInfoW)};
    ScratchFolder folder{L"icons"};
    std::wstring exe, link, text;
};

void ExpectSize(const UniqueIcon& icon, SIZE expected, const char* which)
{
    const auto size = IconSize(icon.get());
    ASSERT_TRUE(size) << which << " slot holds no live icon";
    EXPECT_EQ(size->cx, expected.cx) << which;
    EXPECT_EQ(size->cy, expected.cy) << which;
}

} // namespace

TEST_F(ExtractIcons, FilesFillBothSlotsInTheirSizes)
{
    const struct {
        const char* what;
        std::wstring path;
    } cases[] = {
        {"executable", exe},
        {"shortcut", link},
        {"text file", text},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        handedOver.clear();
        UniqueIcon smallIcon, largeIcon;
        EXPECT_TRUE(XFile::ExtractIcons(c.path, smallIcon, largeIcon));
        ExpectSize(smallIcon, SmallSize(), "small");
        ExpectSize(largeIcon, LargeSize(), "large");
        ExpectNoShellIconLeft(smallIcon, largeIcon);
    }
}

TEST_F(ExtractIcons, FilledSlotsGetNewIconsAndTheOldOnesAreDestroyed)
{
    UniqueIcon smallIcon(NewIcon()), largeIcon(NewIcon());
    const HICON oldSmall = smallIcon.get(), oldLarge = largeIcon.get();
    ASSERT_TRUE(IsLiveIcon(oldSmall) && IsLiveIcon(oldLarge));

    EXPECT_TRUE(XFile::ExtractIcons(exe, smallIcon, largeIcon));

    EXPECT_NE(smallIcon.get(), oldSmall);
    EXPECT_NE(largeIcon.get(), oldLarge);
    EXPECT_TRUE(IsLiveIcon(smallIcon.get()));
    EXPECT_TRUE(IsLiveIcon(largeIcon.get()));
    EXPECT_FALSE(IsLiveIcon(oldSmall));
    EXPECT_FALSE(IsLiveIcon(oldLarge));
}

TEST_F(ExtractIcons, NetworkAndMissingPathsFailAndTheSlotsStayAsTheyWere)
{
    const struct {
        const char* what;
        std::wstring path;
        bool shellAsked;
    } cases[] = {
        {"network path", L"\\\\server\\share\\x.exe", false},  // refused before any shell call
        {"missing file", folder.path() + L"\\missing.exe", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        shellCalls = 0;
        UniqueIcon smallIcon(NewIcon()), largeIcon;
        const HICON oldSmall = smallIcon.get();

        EXPECT_FALSE(XFile::ExtractIcons(c.path, smallIcon, largeIcon));

        EXPECT_EQ(smallIcon.get(), oldSmall);
        EXPECT_TRUE(IsLiveIcon(oldSmall));
        EXPECT_FALSE(largeIcon);
        if (!c.shellAsked) {
            EXPECT_EQ(shellCalls, 0) << "the shell was asked about a network path";
        }
    }
}

TEST_F(ExtractIcons, IdentifierListFillsTheSmallSlotAndKeepsNoShellHandle)
{
    const struct {
        const char* what;
        std::wstring path;
    } cases[] = {
        {"file", text},
        {"executable", exe},
        {"folder", folder.path()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        UniquePidl idList;
        SFGAOF attributes = 0;
        ASSERT_EQ(::SHParseDisplayName(c.path.c_str(), nullptr, idList.put(), 0, &attributes), S_OK);
        handedOver.clear();
        UniqueIcon smallIcon(NewIcon()), largeIcon(NewIcon());
        const HICON oldSmall = smallIcon.get(), oldLarge = largeIcon.get();

        EXPECT_TRUE(XFile::ExtractIcons(L"", smallIcon, largeIcon, idList.get()));

        ExpectSize(smallIcon, SmallSize(), "small");
        EXPECT_FALSE(IsLiveIcon(oldSmall)) << "the replaced small icon was not destroyed";
        EXPECT_EQ(largeIcon.get(), oldLarge) << "only the small icon comes from an identifier list";
        EXPECT_FALSE(handedOver.empty()) << "the shell was not asked for an icon";
        ExpectNoShellIconLeft(smallIcon, largeIcon);
    }
}

TEST_F(ExtractIcons, IdentifierListCountsAsDoneEvenWithoutAnIcon)
{
    UniqueIcon smallIcon, largeIcon;
    EXPECT_TRUE(XFile::ExtractIcons(L"", smallIcon, largeIcon, nullptr));
    EXPECT_FALSE(smallIcon);
    EXPECT_FALSE(largeIcon);
}
