#pragma once

// Support for end-to-end tests: they start the real executable inside the bench's Wine desktop and
// observe it only from outside, as a user or a screen reader would: its windows, their rectangles and
// visibility, the items of its tree and list views, the registry and the files.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

using namespace std::chrono_literals;
using Duration = std::chrono::milliseconds;

inline constexpr Duration DefaultDeadline = 10s;

// Windows paths of the executables under test (built into the test executables by CMake).
std::wstring HalvexExe();
std::wstring TaskbarStandInExe();
// A program that appends its command line to "<its own path>.ran" each time it runs.
std::wstring RecordRunExe();
// Copies RecordRun.exe to path (creating its folders) and removes an old record; true on success.
bool PlaceRecordRun(const std::wstring& path);
// The command lines recorded by the copy at path, one per run, in order.
std::vector<std::wstring> RecordedRuns(const std::wstring& path);
// A Windows path for a path of the Linux build tree ("/a/b" becomes "Z:\a\b").
std::wstring FromBuildPath(const char* linuxPath);

// Polls the condition until it holds or the deadline passes; true when it held. Serves the test
// thread's own window messages while it waits.
bool WaitFor(const std::function<bool()>& condition, Duration deadline = DefaultDeadline,
             Duration interval = 20ms);
// Waits (serving messages) for a fixed time: only to give a wrong outcome the chance to show itself
// before a test concludes that something did not happen.
void Pause(Duration duration);
void PumpMessages();

// A plain top-level window of the test process, for taking the foreground away from the program.
class TestWindow {
public:
    TestWindow(int x, int y, int width, int height);
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    ~TestWindow();
    HWND handle() const noexcept { return window_; }
    // Shows the window and makes it the foreground window.
    void Activate();

private:
    HWND window_ = nullptr;
};

// A process started by a test. Stopped by its own handle, never by name; the destructor stops a
// process that is still running, so a failing test leaves nothing behind for the next one.
class Process {
public:
    Process() = default;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;
    ~Process();

    // Starts the program with the given command-line arguments (each quoted as needed).
    static Process Start(const std::wstring& program, const std::vector<std::wstring>& arguments = {});

    [[nodiscard]] bool started() const noexcept { return process_ != nullptr; }
    [[nodiscard]] DWORD id() const noexcept { return id_; }
    [[nodiscard]] HANDLE handle() const noexcept { return process_; }
    [[nodiscard]] bool running() const;

    // Waits for the process to end by itself; the exit code, or nothing when it still runs.
    std::optional<DWORD> WaitForExit(Duration deadline = DefaultDeadline);

    // Asks the process's windows to close (WM_CLOSE), then ends it by force after the grace time.
    void Stop(Duration grace = 3s);
    void Kill();

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// Quotes one argument the way CommandLineToArgvW reads it back.
std::wstring QuoteArgument(const std::wstring& argument);

// Windows.
struct WindowQuery {
    DWORD processId = 0;          // 0: any process
    std::wstring className;       // empty: any class
    bool visibleOnly = false;
};
std::vector<HWND> FindWindows(const WindowQuery& query);
HWND WaitForWindow(const WindowQuery& query, Duration deadline = DefaultDeadline);
std::wstring ClassNameOf(HWND window);
std::wstring TextOf(HWND window);
RECT RectOf(HWND window);
// "Shown" for a user: visible and not minimised (Wine parks minimised windows on screen).
bool IsShown(HWND window);

// Input through SendInput, as a user's keyboard and mouse would give it.
void PressKey(WORD virtualKey);
void KeyDown(WORD virtualKey);
void KeyUp(WORD virtualKey);
void PressKeys(const std::vector<WORD>& chord);  // all down in order, then all up in reverse
void MoveMouse(int x, int y);
void Click(int x, int y, bool right = false);
void DoubleClick(int x, int y);
enum class MouseButton { Left, Right, Middle };
void ButtonDown(MouseButton button, int x, int y);
void ButtonUp(MouseButton button, int x, int y);
// The colour of a pixel of the screen as it is shown now.
COLORREF ScreenPixel(int x, int y);
// Presses the left button at one point, moves the pointer to another in small steps and releases it.
void Drag(POINT from, POINT to);

// The items of another process's controls, read through their standard messages with a buffer in
// that process's memory.
struct TreeItem {
    std::wstring text;
    int depth = 0;
    bool expanded = false;
    bool selected = false;
};
// Visible and collapsed items alike, in tree order (children after their parent); collapsed
// branches are included only when includeCollapsed is set.
std::vector<TreeItem> ReadTreeView(HWND tree, bool includeCollapsed = false);
std::vector<std::wstring> ReadListView(HWND list, int column = 0);
// How many visible rows (expanded branches included) lie above the tree's first row on screen: 0
// until the tree is scrolled.
int FirstVisibleRowIndex(HWND tree);

// Registry of the bench's prefix (the same for the test and the program under test).
class RegistryKey {
public:
    RegistryKey(HKEY root, std::wstring path) : root_(root), path_(std::move(path)) {}

    bool Exists() const;
    void Delete() const;  // the key and everything below it; no error when it is missing
    void SetString(const std::wstring& name, const std::wstring& value) const;
    void SetDword(const std::wstring& name, DWORD value) const;
    void SetBinary(const std::wstring& name, const std::vector<BYTE>& value) const;
    std::optional<std::wstring> GetString(const std::wstring& name) const;
    std::optional<DWORD> GetDword(const std::wstring& name) const;
    std::optional<std::vector<BYTE>> GetBinary(const std::wstring& name) const;
    std::vector<std::wstring> SubKeys() const;
    RegistryKey SubKey(const std::wstring& name) const { return {root_, path_ + L"\\" + name}; }

private:
    HKEY root_;
    std::wstring path_;
};

// A path as the program's stores know it: lower-cased with the system's own rules.
std::wstring Lower(std::wstring text);
// The registry subkey name the stores give a lower-cased path: every "\" becomes "/".
std::wstring KeyName(std::wstring path);

// The program's own settings key.
RegistryKey HalvexSettingsKey();

// Start Menu "Programs" folders of the prefix.
std::wstring UserProgramsFolder();
std::wstring CommonProgramsFolder();
// Removes everything inside the folder (the folder itself stays).
void EmptyFolder(const std::wstring& folder);
// Makes a shortcut (with its folders) to target; true on success.
bool CreateShortcut(const std::wstring& linkPath, const std::wstring& target,
                    const std::wstring& arguments = L"");
void WriteTextFile(const std::wstring& path, const std::string& content);

// The taskbar stand-in, started for one test and stopped after it.
class TaskbarStandIn {
public:
    explicit TaskbarStandIn(const std::wstring& edge = L"bottom", int thickness = 40, int switchListSize = 0);
    HWND tray() const noexcept { return tray_; }
    HWND bands() const;
    long TaskListRequests() const;
    Process& process() noexcept { return process_; }

private:
    Process process_;
    HWND tray_ = nullptr;
};

} // namespace e2e
