// The command-line modes of the real program, driven and observed from outside.

#include "E2E.h"

#include <gtest/gtest.h>

#include <thread>

using namespace e2e;

namespace {

constexpr UINT WM_PIN_PATH = WM_USER + 125;
constexpr UINT WM_TOGGLE_MENU = WM_USER + 126;
constexpr UINT WM_OPEN_START_SCREEN = WM_USER + 127;
constexpr LPARAM Marker = 666;

const RegistryKey VerbKey{HKEY_CLASSES_ROOT, L"lnkfile\\shell\\StartMenuHalvex"};

// What a one-shot run looked like from outside.
struct OneShot {
    std::optional<DWORD> exitCode;
    bool showedWindow = false;
};

OneShot RunOneShot(const std::vector<std::wstring>& arguments, Duration deadline = 10s)
{
    Process process = Process::Start(HalvexExe(), arguments);
    OneShot result;
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (std::chrono::steady_clock::now() < end) {
        if (!FindWindows({process.id(), L"", true}).empty())
            result.showedWindow = true;
        if (auto code = process.WaitForExit(10ms)) {
            result.exitCode = code;
            break;
        }
    }
    return result;
}

class Modes : public ::testing::Test {
protected:
    void SetUp() override
    {
        HalvexSettingsKey().Delete();
        VerbKey.Delete();
    }
    void TearDown() override
    {
        HalvexSettingsKey().Delete();
        VerbKey.Delete();
    }

    // Starts a resident menu and waits for its window (shown or not).
    HWND StartResident(Process& process, const std::vector<std::wstring>& arguments = {})
    {
        process = Process::Start(HalvexExe(), arguments);
        return WaitForWindow({process.id(), L"THalvexForm", false});
    }

    TaskbarStandIn taskbar_;
};

} // namespace

TEST_F(Modes, NoArgumentShowsTheMenuOnceAndStartupLeavesItHidden)
{
    {
        Process plain;
        HWND menu = StartResident(plain);
        ASSERT_NE(menu, nullptr);
        EXPECT_TRUE(WaitFor([&] { return IsShown(menu); }));
    }
    Process startup;
    HWND menu = StartResident(startup, {L"/startup"});
    ASSERT_NE(menu, nullptr);
    // Give a wrongly shown window the time to appear before concluding it stays hidden.
    std::this_thread::sleep_for(500ms);
    EXPECT_FALSE(IsShown(menu));
    EXPECT_TRUE(startup.running());
}

TEST_F(Modes, ASecondResidentStartEndsAtOnceAndLeavesTheFirstAlone)
{
    Process first;
    HWND menu = StartResident(first);
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(WaitFor([&] { return IsShown(menu); }));
    const RECT before = RectOf(menu);

    for (const std::vector<std::wstring>& arguments :
         {std::vector<std::wstring>{}, {L"/startup"}, {L"something else"}}) {
        OneShot second = RunOneShot(arguments);
        ASSERT_TRUE(second.exitCode.has_value()) << "the second resident process did not end";
        EXPECT_EQ(*second.exitCode, 0u);
        EXPECT_FALSE(second.showedWindow);
    }
    EXPECT_TRUE(first.running());
    EXPECT_EQ(FindWindows({0, L"THalvexForm", false}), std::vector<HWND>{menu});
    EXPECT_TRUE(IsShown(menu));
    const RECT after = RectOf(menu);
    EXPECT_TRUE(::EqualRect(&before, &after));
}

TEST_F(Modes, ASwitchInOtherLetterCaseStartsTheResidentMenu)
{
    Process process;
    HWND menu = StartResident(process, {L"/INSTALL"});
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(WaitFor([&] { return IsShown(menu); }));
    EXPECT_FALSE(VerbKey.Exists()) << "the capitalised switch installed the verb";
}

TEST_F(Modes, MetroAsksTheTaskbarForTheStartScreen)
{
    ASSERT_EQ(taskbar_.TaskListRequests(), 0);
    OneShot metro = RunOneShot({L"/metro"});
    ASSERT_TRUE(metro.exitCode.has_value());
    EXPECT_EQ(*metro.exitCode, 0u);
    EXPECT_EQ(taskbar_.TaskListRequests(), 1);
}

TEST_F(Modes, OneShotModesEndAtOnceWithoutWindowOrGuard)
{
    const std::vector<std::vector<std::wstring>> modes = {
        {L"/install"}, {L"/uninstall"}, {L"/pin"}, {L"/pin", L"C:\\no such\\file.lnk"}, {L"/metro"}};
    for (const auto& arguments : modes) {
        SCOPED_TRACE(std::string(arguments.front().begin(), arguments.front().end()));
        OneShot run = RunOneShot(arguments);
        ASSERT_TRUE(run.exitCode.has_value()) << "did not end";
        EXPECT_EQ(*run.exitCode, 0u);
        EXPECT_FALSE(run.showedWindow);

        // It took no guard: a resident start right after it still comes up.
        Process resident;
        HWND menu = StartResident(resident);
        ASSERT_NE(menu, nullptr);
        EXPECT_TRUE(WaitFor([&] { return IsShown(menu); }));
        resident.Stop();
    }
}

TEST_F(Modes, ReminderRunsBesideTheMenuEndsAfterFiveSecondsAndTakesNoGuard)
{
    Process reminder = Process::Start(HalvexExe(), {L"/reminder"});
    {
        // A resident start while the reminder runs is not hindered.
        Process resident;
        ASSERT_NE(StartResident(resident), nullptr);
        EXPECT_TRUE(reminder.running());
    }
    // The reminder lives five seconds; allow generously for a slow machine, but it must end by itself.
    auto code = reminder.WaitForExit(20s);
    ASSERT_TRUE(code.has_value()) << "the reminder did not end by itself";
    EXPECT_EQ(*code, 0u);

    Process after;
    EXPECT_NE(StartResident(after), nullptr);
}

TEST_F(Modes, PrivateMessagesWithoutTheMarkerChangeNothing)
{
    // The menu opens the Start screen by sending itself SC_TASKLIST; the default window procedure then
    // starts the system's task manager program (under Wine: taskman.exe in the system folder), which a
    // recorder stands in for here.
    wchar_t system[MAX_PATH];
    ::GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring taskman = std::wstring(system) + L"\\taskman.exe";
    ASSERT_TRUE(PlaceRecordRun(taskman));
    struct Remove {
        std::wstring path;
        ~Remove()
        {
            ::DeleteFileW(path.c_str());
            ::DeleteFileW((path + L".ran").c_str());
        }
    } removeTaskman{taskman};

    Process process;
    HWND menu = StartResident(process);
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(WaitFor([&] { return IsShown(menu); }));

    ::SendMessageW(menu, WM_TOGGLE_MENU, 0, 42);
    EXPECT_TRUE(IsShown(menu));
    ::SendMessageW(menu, WM_OPEN_START_SCREEN, 0, 42);

    // With the marker, the same messages act.
    ::SendMessageW(menu, WM_TOGGLE_MENU, 0, Marker);
    EXPECT_TRUE(WaitFor([&] { return !IsShown(menu); }));
    ::SendMessageW(menu, WM_TOGGLE_MENU, 0, Marker);
    EXPECT_TRUE(WaitFor([&] { return IsShown(menu); }));
    ::SendMessageW(menu, WM_OPEN_START_SCREEN, 0, Marker);
    EXPECT_TRUE(WaitFor([&] { return RecordedRuns(taskman).size() == 1; }));
    // Only the message with the marker opened it; the taskbar itself was not asked.
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(RecordedRuns(taskman).size(), 1u);
    EXPECT_EQ(taskbar_.TaskListRequests(), 0);
}

TEST_F(Modes, PinMessagesWithoutAReadablePathChangeNothing)
{
    Process process;
    HWND menu = StartResident(process);
    ASSERT_NE(menu, nullptr);
    // Once the window shows, its creation (which registers window classes, themselves global atoms)
    // is over, and the number of the deleted atom below is not handed out again behind our back.
    ASSERT_TRUE(WaitFor([&] { return IsShown(menu); }));
    const RegistryKey favorites = HalvexSettingsKey().SubKey(L"Favorite");

    const ATOM valid = ::GlobalAddAtomW(L"C:\\Tools\\Pinned.lnk");
    ASSERT_NE(valid, 0);
    const ATOM deleted = ::GlobalAddAtomW(L"C:\\Tools\\Deleted.lnk");
    ::GlobalDeleteAtom(deleted);
    wchar_t name[256];
    ASSERT_EQ(::GlobalGetAtomNameW(deleted, name, 256), 0u);

    // Without the marker, even a good atom is left alone (and not deleted).
    ::SendMessageW(menu, WM_PIN_PATH, valid, 42);
    // No atom, a deleted atom, an integer atom (its "name" is its number), a value beyond 16 bits.
    for (WPARAM atom : {WPARAM{0}, WPARAM{deleted}, WPARAM{42}, WPARAM{0x1C001}})
        ::SendMessageW(menu, WM_PIN_PATH, atom, Marker);

    EXPECT_TRUE(process.running());
    for (const auto& key : favorites.SubKeys())
        ADD_FAILURE() << "a favorite appeared: " << std::string(key.begin(), key.end());
    EXPECT_GT(::GlobalGetAtomNameW(valid, name, 256), 0u) << "an atom sent without the marker was consumed";
    ::GlobalDeleteAtom(valid);
}
