// Catalog behaviour that involves the whole bench: the real Programs folders of the prefix, and keys
// injected on the shared desktop. These tests never run beside another desktop test.

#include "CatalogTesting.h"
#include "E2E.h"

#include "catalog/FavoriteItems.h"
#include "catalog/StartMenuItems.h"
#include "catalog/StoreRegistry.h"
#include "platform/Handles.h"
#include "platform/Utils.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace halvex;
using namespace catalog_testing;

namespace {

TEST(StartMenuRoots, AreTheProgramsFoldersOfTheUserAndOfAllUsers)
{
    const StartMenuRoots roots = GetStartMenuRoots();
    EXPECT_EQ(roots.User, e2e::UserProgramsFolder() + L"\\");
    EXPECT_EQ(roots.Common, e2e::CommonProgramsFolder() + L"\\");
}

TEST(StartMenuRoots, RescanListsBothProgramsFolders)
{
    ComInit com;
    ScratchFolder elsewhere{L"targets"};
    const std::wstring target = elsewhere / L"program.exe";
    TouchFile(target);
    const std::wstring userFolder = e2e::UserProgramsFolder() + L"\\Halvex Catalog Test";
    const std::wstring commonFolder = e2e::CommonProgramsFolder() + L"\\Halvex Catalog Test";
    ASSERT_TRUE(e2e::CreateShortcut(userFolder + L"\\Mine.lnk", target));
    ASSERT_TRUE(e2e::CreateShortcut(commonFolder + L"\\Everyone's.lnk", target));

    const TStartMenuList* tree = RescanStartMenu();

    const TStartMenuItem* folder = nullptr;
    for (const auto& item : *tree)
        if (item->Caption == L"Halvex Catalog Test")
            folder = item.get();
    RemoveTree(userFolder);
    RemoveTree(commonFolder);
    ASSERT_NE(folder, nullptr);
    ASSERT_NE(folder->Children, nullptr);
    ASSERT_EQ(folder->Children->size(), 2u);
    EXPECT_EQ((*folder->Children)[0]->FullPath, commonFolder + L"\\Everyone's.lnk");
    EXPECT_EQ((*folder->Children)[1]->FullPath, userFolder + L"\\Mine.lnk");
}

// Watches the keyboard on a thread of its own, as the Start screen would, and swallows injected
// right Windows key strokes so that nothing else on the bench sees them.
class RightWindowsKeyWatch {
public:
    RightWindowsKeyWatch()
    {
        thread_ = std::thread([this] {
            MSG msg;
            ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
            self_ = this;
            HHOOK hook = ::SetWindowsHookExW(WH_KEYBOARD_LL, &RightWindowsKeyWatch::Hook, ::GetModuleHandleW(nullptr), 0);
            threadId_ = ::GetCurrentThreadId();
            ready_ = true;
            while (::GetMessageW(&msg, nullptr, 0, 0) > 0)
                ::DispatchMessageW(&msg);
            if (hook)
                ::UnhookWindowsHookEx(hook);
        });
        e2e::WaitFor([this] { return ready_.load(); });
    }
    ~RightWindowsKeyWatch()
    {
        ::PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
        thread_.join();
        self_ = nullptr;
    }

    std::atomic<int> downs{0};
    std::atomic<int> ups{0};

private:
    static LRESULT CALLBACK Hook(int code, WPARAM message, LPARAM data)
    {
        const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(data);
        RightWindowsKeyWatch* self = self_;
        if (code == HC_ACTION && self && key->vkCode == VK_RWIN && (key->flags & LLKHF_INJECTED)) {
            if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN)
                ++self->downs;
            else
                ++self->ups;
            return 1;
        }
        return ::CallNextHookEx(nullptr, code, message, data);
    }

    static inline std::atomic<RightWindowsKeyWatch*> self_{nullptr};
    std::thread thread_;
    std::atomic<DWORD> threadId_{0};
    std::atomic<bool> ready_{false};
};

TEST(StartScreenFavorite, OpensTheStartScreenInsteadOfLaunching)
{
    RedirectedHkcu hkcu;
    ComInit com;
    ScratchFolder files{L"start-screen"};
    const std::wstring notLaunched = files / L"Start screen.exe";
    const std::wstring launched = files / L"Ordinary.exe";
    ASSERT_TRUE(e2e::PlaceRecordRun(notLaunched));
    ASSERT_TRUE(e2e::PlaceRecordRun(launched));
    const e2e::RegistryKey root(HKEY_CURRENT_USER, FavoriteKeyPath);
    root.SubKey(L"a").SetString(L"Caption", L"Veradav 8 Eved");
    root.SubKey(L"a").SetString(L"Path", LowerCase(notLaunched));
    root.SubKey(L"a").SetDword(L"Index", 0);
    root.SubKey(L"b").SetString(L"Caption", L"Ordinary");
    root.SubKey(L"b").SetString(L"Path", LowerCase(launched));
    root.SubKey(L"b").SetDword(L"Index", 1);
    const TFavoriteList& list = GetFavoriteItems(true);
    ASSERT_EQ(list.size(), 2u);
    RecordedViews views;
    RightWindowsKeyWatch keys;

    ActivateFavorite(*list[0]);

    EXPECT_TRUE(e2e::WaitFor([&] { return keys.downs == 1 && keys.ups == 1; }))
        << "right Windows key: " << keys.downs << " down, " << keys.ups << " up";
    EXPECT_EQ(views.calls, std::vector<std::string>{"HideMenu"});
    // A launch of the first favorite would have been started before this one ends.
    ActivateFavorite(*list[1]);
    EXPECT_TRUE(e2e::WaitFor([&] { return e2e::RecordedRuns(launched).size() == 1; }));
    EXPECT_TRUE(e2e::RecordedRuns(notLaunched).empty()) << "the Start screen favorite was launched";
    EXPECT_EQ(keys.downs, 1);
}

} // namespace
