// "/install" and "/uninstall" of the real program: the Explorer verb under HKEY_CLASSES_ROOT and the
// default favorite of a first-time user.

#include "E2E.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace e2e;

namespace {

const RegistryKey VerbKey{HKEY_CLASSES_ROOT, L"lnkfile\\shell\\StartMenuHalvex"};
const RegistryKey CommandKey{HKEY_CLASSES_ROOT, L"lnkfile\\shell\\StartMenuHalvex\\command"};

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\') + 1); }

DWORD RunToEnd(const std::wstring& exe, const std::vector<std::wstring>& arguments)
{
    Process process = Process::Start(exe, arguments);
    auto code = process.WaitForExit(15s);
    EXPECT_TRUE(code.has_value()) << "did not end";
    return code.value_or(~0u);
}

class Install : public ::testing::Test {
protected:
    void SetUp() override { Clean(); }
    void TearDown() override
    {
        Clean();
        if (!copiedExe_.empty()) {
            ::DeleteFileW(copiedExe_.c_str());
            ::RemoveDirectoryW(FolderOf(copiedExe_).c_str());
        }
    }
    static void Clean()
    {
        HalvexSettingsKey().Delete();
        VerbKey.Delete();
    }

    // A copy of the program in a folder whose name has blanks and capitals.
    std::wstring ExeInFolderWithBlanks()
    {
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        const std::wstring folder = std::wstring(temp) + L"Halvex Test Folder\\";
        ::CreateDirectoryW(folder.c_str(), nullptr);
        copiedExe_ = folder + L"My Halvex.exe";
        EXPECT_TRUE(::CopyFileW(HalvexExe().c_str(), copiedExe_.c_str(), FALSE));
        return copiedExe_;
    }

    std::wstring copiedExe_;
};

} // namespace

TEST_F(Install, RegistersTheVerbWithTheQuotedPathAndAnUnquotedShortcutPath)
{
    const std::wstring exe = ExeInFolderWithBlanks();
    ASSERT_EQ(RunToEnd(exe, {L"/install"}), 0u);

    EXPECT_EQ(VerbKey.GetString(L""), L"Pin/unpin from Start Menu");
    EXPECT_EQ(CommandKey.GetString(L""), L"\"" + exe + L"\" /pin %L");
}

TEST_F(Install, PinsTheDefaultFavoriteOnceForAFirstTimeUser)
{
    const std::wstring exe = ExeInFolderWithBlanks();
    ASSERT_EQ(RunToEnd(exe, {L"/install"}), 0u);

    // The favorite is known by its whole lower-cased path, so the Explorer verb can unpin it.
    const std::wstring path = Lower(FolderOf(exe) + L"Veradav 8 Eved.lnk");
    const RegistryKey favorites = HalvexSettingsKey().SubKey(L"Favorite");
    ASSERT_EQ(favorites.SubKeys(), std::vector<std::wstring>{KeyName(path)});
    const RegistryKey favorite = favorites.SubKey(KeyName(path));
    EXPECT_EQ(favorite.GetString(L"Path"), path);
    EXPECT_EQ(favorite.GetString(L"Caption"), L"Veradav 8 Eved");
    EXPECT_EQ(favorite.GetDword(L"Index"), 0u);

    // A second install rewrites the verb for the current path and adds no second favorite, even when
    // the user has since removed the first one.
    favorites.SubKey(KeyName(path)).Delete();
    CommandKey.SetString(L"", L"stale");
    ASSERT_EQ(RunToEnd(HalvexExe(), {L"/install"}), 0u);
    EXPECT_EQ(CommandKey.GetString(L""), L"\"" + HalvexExe() + L"\" /pin %L");
    EXPECT_TRUE(favorites.SubKeys().empty());
}

TEST_F(Install, AddsNoFavoriteForAUserWhoHasSettingsAlready)
{
    HalvexSettingsKey().SetDword(L"OverrideMouseClick", 1);
    ASSERT_EQ(RunToEnd(HalvexExe(), {L"/install"}), 0u);
    EXPECT_TRUE(VerbKey.Exists());
    EXPECT_FALSE(HalvexSettingsKey().SubKey(L"Favorite").Exists());
    EXPECT_EQ(HalvexSettingsKey().GetDword(L"OverrideMouseClick"), 1u);
}

TEST_F(Install, UninstallRemovesTheVerbAndKeepsWhatTheUserStored)
{
    ASSERT_EQ(RunToEnd(HalvexExe(), {L"/install"}), 0u);
    const RegistryKey settings = HalvexSettingsKey();
    settings.SetDword(L"AutoStart", 1);
    settings.SubKey(L"Recent\\c:/tools/app.exe").SetDword(L"StartCount", 7);
    const auto favoritesBefore = settings.SubKey(L"Favorite").SubKeys();
    ASSERT_EQ(favoritesBefore.size(), 1u);

    ASSERT_EQ(RunToEnd(HalvexExe(), {L"/uninstall"}), 0u);
    EXPECT_FALSE(VerbKey.Exists());
    EXPECT_FALSE(CommandKey.Exists());
    EXPECT_TRUE(RegistryKey(HKEY_CLASSES_ROOT, L"lnkfile\\shell").Exists()) << "removed more than its verb";
    EXPECT_EQ(settings.GetDword(L"AutoStart"), 1u);
    EXPECT_EQ(settings.SubKey(L"Recent\\c:/tools/app.exe").GetDword(L"StartCount"), 7u);
    EXPECT_EQ(settings.SubKey(L"Favorite").SubKeys(), favoritesBefore);

    // Uninstalling again, with nothing left to remove, is harmless.
    EXPECT_EQ(RunToEnd(HalvexExe(), {L"/uninstall"}), 0u);
}
