#pragma once

// The menu over a seeded registry and Start Menu, with the stand-in taskbar, and the ways a user
// reaches its left column's lists.

#include "E2E.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace e2e;

inline constexpr UINT WM_TOGGLE_MENU = WM_USER + 126;
inline constexpr LPARAM Marker = 666;

inline std::vector<std::wstring> Texts(const std::vector<TreeItem>& items)
{
    std::vector<std::wstring> texts;
    for (const auto& item : items)
        texts.push_back(std::wstring(static_cast<size_t>(item.depth) * 2, L' ') + item.text);
    return texts;
}

class LeftColumn : public ::testing::Test {
protected:
    void SetUp() override
    {
        HalvexSettingsKey().Delete();
        EmptyFolder(UserProgramsFolder());
        EmptyFolder(CommonProgramsFolder());
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        apps_ = std::wstring(temp) + L"Halvex Apps\\";
        EmptyFolder(apps_);
    }
    void TearDown() override
    {
        menu_.Stop();
        HalvexSettingsKey().Delete();
        EmptyFolder(UserProgramsFolder());
        EmptyFolder(CommonProgramsFolder());
        EmptyFolder(apps_);
    }

    // A real program (one that records its runs) at apps_\name.exe.
    std::wstring App(const std::wstring& name)
    {
        const std::wstring path = apps_ + name + L".exe";
        EXPECT_TRUE(PlaceRecordRun(path));
        return path;
    }

    void SeedFavorite(int index, const std::wstring& caption, const std::wstring& path)
    {
        const RegistryKey key = HalvexSettingsKey().SubKey(L"Favorite\\" + KeyName(Lower(path)));
        key.SetString(L"Path", Lower(path));
        key.SetString(L"Caption", caption);
        key.SetDword(L"Index", static_cast<DWORD>(index));
    }

    // The recent store's record of a path (it may not exist).
    static RegistryKey RecentRecordOf(const std::wstring& path)
    {
        return HalvexSettingsKey().SubKey(L"Recent\\" + KeyName(Lower(path)));
    }

    void SeedRecent(const std::wstring& caption, const std::wstring& path, DWORD count)
    {
        const RegistryKey key = RecentRecordOf(path);
        key.SetString(L"Caption", caption);
        key.SetString(L"Path", Lower(path));
        const double lastStart = 46000.5;
        std::vector<BYTE> bytes(sizeof(lastStart));
        std::memcpy(bytes.data(), &lastStart, sizeof(lastStart));
        key.SetBinary(L"LastStart", bytes);
        key.SetDword(L"StartCount", count);
    }

    void StartMenu()
    {
        menu_ = Process::Start(HalvexExe());
        window_ = WaitForWindow({menu_.id(), L"THalvexForm", true});
        ASSERT_NE(window_, nullptr);
        ASSERT_TRUE(WaitFor([&] { return IsShown(window_); }));
    }

    // Favorites "First" and "Second" above the recent programs "Busy" and "Quiet", in the foreground.
    void StartWithTwoFavoritesAndTwoRecentPrograms()
    {
        SeedFavorite(0, L"First", App(L"first"));
        SeedFavorite(1, L"Second", App(L"second"));
        SeedRecent(L"Busy", App(L"busy"), 9);
        SeedRecent(L"Quiet", App(L"quiet"), 3);
        StartMenu();
        ::SetForegroundWindow(window_);
    }

    HWND Child(const wchar_t* className, const wchar_t* text) const
    {
        return ::FindWindowExW(window_, nullptr, className, text);
    }
    HWND Favorites() const { return Child(WC_TREEVIEWW, L"Favorites"); }
    HWND Recent() const { return Child(WC_TREEVIEWW, L"Recent programs"); }
    HWND AllPrograms() const { return Child(WC_TREEVIEWW, L"All Programs"); }
    HWND AllProgramsButton() const
    {
        HWND button = Child(WC_BUTTONW, L"All Programs");
        return button ? button : Child(WC_BUTTONW, L"Back");
    }

    int WindowHeight() const
    {
        const RECT r = RectOf(window_);
        return r.bottom - r.top;
    }

    // The middle of the list's n-th row (rows are 32 pixels high), on the screen.
    POINT RowPoint(HWND list, int row) const
    {
        const RECT r = RectOf(list);
        return POINT{r.left + 60, r.top + row * 32 + 16};
    }

    std::vector<std::pair<std::wstring, DWORD>> StoredFavorites() const
    {
        std::vector<std::pair<std::wstring, DWORD>> stored;
        const RegistryKey favorites = HalvexSettingsKey().SubKey(L"Favorite");
        for (const auto& name : favorites.SubKeys()) {
            const RegistryKey favorite = favorites.SubKey(name);
            stored.emplace_back(favorite.GetString(L"Caption").value_or(L"?"), favorite.GetDword(L"Index").value_or(99));
        }
        std::sort(stored.begin(), stored.end(), [](const auto& a, const auto& b) { return a.second < b.second; });
        return stored;
    }

    // Clicks the middle of the list's n-th row (rows are 32 pixels high), in the menu as the user
    // meets it: in front, with the foreground.
    void ClickRow(HWND list, int row)
    {
        ::SetForegroundWindow(window_);
        ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == window_; }));
        const RECT r = RectOf(list);
        ClickOn(list, POINT{r.left + 60, r.top + row * 32 + 16});
    }

    // Clicks a point once the window meant to get the click is the one there: a window just shown
    // again may take a moment to be back in its place on a loaded machine.
    static void ClickOn(HWND window, POINT at)
    {
        EXPECT_TRUE(WaitFor([&] { return ::WindowFromPoint(at) == window; })) << "another window is at the point";
        Click(at.x, at.y);
    }

    TaskbarStandIn taskbar_;
    Process menu_;
    HWND window_ = nullptr;
    std::wstring apps_;
};

