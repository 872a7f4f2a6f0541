// GetSpecialFolderPath and the WOW64 switches as a 64-bit process sees them.

#include "platform/Utils.h"

#include "Support.h"

#include <gtest/gtest.h>

using namespace halvex;
using namespace platform_test;

namespace {

bool IsFolder(const std::wstring& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool EndsWith(const std::wstring& text, const std::wstring& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Points HKEY_CURRENT_USER of this process at a scratch key for the object's lifetime.
class ScratchCurrentUser {
public:
    ScratchCurrentUser()
    {
        path_ = L"Software\\HalvexTests\\CurrentUser-" + std::to_wstring(::GetCurrentProcessId());
        ::RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
        if (::RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              key_.put(), nullptr) == ERROR_SUCCESS)
            overridden_ = ::RegOverridePredefKey(HKEY_CURRENT_USER, key_.get()) == ERROR_SUCCESS;
    }
    ScratchCurrentUser(const ScratchCurrentUser&) = delete;
    ScratchCurrentUser& operator=(const ScratchCurrentUser&) = delete;
    ~ScratchCurrentUser()
    {
        if (overridden_)
            ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        key_.reset();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
    }
    [[nodiscard]] bool active() const noexcept { return overridden_; }

private:
    std::wstring path_;
    UniqueHKey key_;
    bool overridden_ = false;
};

} // namespace

TEST(SpecialFolderPath, ProgramsFoldersExist)
{
    for (const int csidl : {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS}) {
        const std::wstring path = GetSpecialFolderPath(csidl);
        EXPECT_TRUE(EndsWith(path, L"\\Start Menu\\Programs")) << testing::PrintToString(path);
        EXPECT_TRUE(IsFolder(path)) << testing::PrintToString(path);
    }
}

TEST(SpecialFolderPath, UnknownFolderGivesEmpty)
{
    EXPECT_EQ(GetSpecialFolderPath(0x7E), L"");
}

// A user whose profile lies under a name in another script: the path must come back as it is, and the
// folder is created when it is missing.
TEST(SpecialFolderPath, PathOutsideTheAnsiCodePage)
{
    ScratchFolder folder(L"folders");
    const std::wstring programs = folder.path() + L"\\Пользователь ∂ 用户\\Start Menu\\Programs";
    ASSERT_FALSE(IsFolder(programs));

    ScratchCurrentUser user;
    ASSERT_TRUE(user.active());
    UniqueHKey shellFolders;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER,
                                L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders", 0,
                                nullptr, 0, KEY_SET_VALUE, nullptr, shellFolders.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExW(shellFolders.get(), L"Programs", 0, REG_EXPAND_SZ,
                               reinterpret_cast<const BYTE*>(programs.c_str()),
                               static_cast<DWORD>((programs.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);

    EXPECT_EQ(GetSpecialFolderPath(CSIDL_PROGRAMS), programs);
    EXPECT_TRUE(IsFolder(programs));
}

TEST(Wow64, A64BitProcessIsNotRedirectedAndTheSwitchesDoNothing)
{
    if (sizeof(void*) != 8)
        GTEST_SKIP() << "only a 64-bit process is known not to run under WOW64";
    EXPECT_FALSE(XSystem::IsWow64());

    PVOID saved = reinterpret_cast<PVOID>(0x1234);
    EXPECT_FALSE(XSystem::Wow64DisableWow64FsRedirection(&saved));
    EXPECT_EQ(saved, reinterpret_cast<PVOID>(0x1234)) << "the saved state was written";
    EXPECT_FALSE(XSystem::Wow64RevertWow64FsRedirection(saved));
}
