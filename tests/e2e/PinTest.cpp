// "/pin" as the Explorer verb runs it: the shortcut's path unquoted after the switch, so a path with
// blanks arrives in pieces.

#include "E2E.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

using namespace e2e;

namespace {

// The arguments Explorer's command "<exe> /pin %L" produces for an unquoted path with blanks.
std::vector<std::wstring> VerbArguments(const std::wstring& path)
{
    std::vector<std::wstring> arguments{L"/pin"};
    size_t start = 0;
    for (;;) {
        const size_t blank = path.find(L' ', start);
        arguments.push_back(path.substr(start, blank - start));
        if (blank == std::wstring::npos)
            return arguments;
        start = blank + 1;
    }
}

std::optional<DWORD> RunPin(const std::wstring& exe, const std::wstring& path)
{
    Process pin = Process::Start(exe, VerbArguments(path));
    return pin.WaitForExit(15s);
}

class Pin : public ::testing::Test {
protected:
    void SetUp() override
    {
        HalvexSettingsKey().Delete();
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"Pin Test Folder\\";
        shortcut_ = folder_ + L"My Tool.lnk";
        ASSERT_TRUE(CreateShortcut(shortcut_, HalvexExe()));
    }
    void TearDown() override
    {
        HalvexSettingsKey().Delete();
        EmptyFolder(folder_);
        ::RemoveDirectoryW(folder_.c_str());
    }

    RegistryKey Favorites() const { return HalvexSettingsKey().SubKey(L"Favorite"); }

    std::wstring folder_;
    std::wstring shortcut_;
};

} // namespace

TEST_F(Pin, WithoutAMenuTogglesThePinInTheRegistry)
{
    ASSERT_EQ(RunPin(HalvexExe(), shortcut_), 0u);

    const std::wstring path = Lower(shortcut_);
    ASSERT_EQ(Favorites().SubKeys(), std::vector<std::wstring>{KeyName(path)});
    const RegistryKey favorite = Favorites().SubKey(KeyName(path));
    EXPECT_EQ(favorite.GetString(L"Path"), path);
    EXPECT_EQ(favorite.GetString(L"Caption"), L"My Tool");
    EXPECT_EQ(favorite.GetDword(L"Index"), 0u);

    // The same verb on the same shortcut unpins it.
    ASSERT_EQ(RunPin(HalvexExe(), shortcut_), 0u);
    EXPECT_TRUE(Favorites().SubKeys().empty());
}

TEST_F(Pin, WithAMenuRunningTheMenuTogglesThePin)
{
    TaskbarStandIn taskbar;
    Process menu = Process::Start(HalvexExe());
    HWND window = WaitForWindow({menu.id(), L"THalvexForm", false});
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitFor([&] { return IsShown(window); }));  // its creation is over

    // Hold the menu's window thread: a "/pin" that hands the path over must now wait for the menu,
    // while one that toggled the pin itself would end at once.
    const DWORD uiThreadId = ::GetWindowThreadProcessId(window, nullptr);
    HANDLE uiThread = ::OpenThread(THREAD_SUSPEND_RESUME, FALSE, uiThreadId);
    ASSERT_NE(uiThread, nullptr);
    ASSERT_NE(::SuspendThread(uiThread), static_cast<DWORD>(-1));

    Process pin = Process::Start(HalvexExe(), VerbArguments(shortcut_));
    const bool endedWhileMenuHeld = pin.WaitForExit(1500ms).has_value();
    const bool changedWhileMenuHeld = Favorites().Exists();
    ::ResumeThread(uiThread);
    ::CloseHandle(uiThread);

    EXPECT_FALSE(endedWhileMenuHeld) << "the /pin process did not wait for the running menu";
    EXPECT_FALSE(changedWhileMenuHeld);
    auto code = pin.WaitForExit(15s);
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 0u);
    EXPECT_EQ(Favorites().SubKeys(), std::vector<std::wstring>{KeyName(Lower(shortcut_))});
    EXPECT_TRUE(menu.running());
    // The running menu's favorites list shows the new pin at once.
    HWND favorites = ::FindWindowExW(window, nullptr, WC_TREEVIEWW, L"Favorites");
    ASSERT_NE(favorites, nullptr);
    const auto rows = ReadTreeView(favorites);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows.front().text, L"My Tool");
}

TEST_F(Pin, TheVerbUnpinsTheDefaultFavoriteThatInstallPinned)
{
    // The program in a folder with blanks and capitals, and the default favorite's shortcut beside it.
    const std::wstring exe = folder_ + L"Halvex Copy.exe";
    ASSERT_TRUE(::CopyFileW(HalvexExe().c_str(), exe.c_str(), FALSE));
    const std::wstring defaultShortcut = folder_ + L"Veradav 8 Eved.lnk";
    ASSERT_TRUE(CreateShortcut(defaultShortcut, exe));

    Process install = Process::Start(exe, {L"/install"});
    ASSERT_EQ(install.WaitForExit(15s), 0u);
    ASSERT_EQ(Favorites().SubKeys().size(), 1u);

    // Explorer passes the path as the file system spells it, capitals and all.
    ASSERT_EQ(RunPin(exe, defaultShortcut), 0u);
    EXPECT_TRUE(Favorites().SubKeys().empty()) << "the default favorite was pinned twice instead of unpinned";
    RegistryKey(HKEY_CLASSES_ROOT, L"lnkfile\\shell\\StartMenuHalvex").Delete();
}
