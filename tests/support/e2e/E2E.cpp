#include "E2E.h"

#include "../taskbar/StandInProtocol.h"

#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <wrl/client.h>

#include <algorithm>
#include <stdexcept>
#include <thread>
#include <utility>

using Microsoft::WRL::ComPtr;

namespace e2e {

std::wstring FromBuildPath(const char* linuxPath)
{
    std::wstring path = L"Z:";
    for (const char* p = linuxPath; *p; ++p)
        path += (*p == '/') ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*p));
    return path;
}

std::wstring HalvexExe() { return FromBuildPath(HALVEX_EXE_PATH); }
std::wstring TaskbarStandInExe() { return FromBuildPath(TASKBAR_STANDIN_EXE_PATH); }
std::wstring RecordRunExe() { return FromBuildPath(RECORD_RUN_EXE_PATH); }

bool PlaceRecordRun(const std::wstring& path)
{
    const std::wstring folder = path.substr(0, path.find_last_of(L'\\'));
    ::SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    ::DeleteFileW((path + L".ran").c_str());
    return ::CopyFileW(RecordRunExe().c_str(), path.c_str(), FALSE) != FALSE;
}

std::vector<std::wstring> RecordedRuns(const std::wstring& path)
{
    std::vector<std::wstring> runs;
    HANDLE file = ::CreateFileW((path + L".ran").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return runs;
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    ::CloseHandle(file);
    size_t start = 0;
    for (size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2) {
        const int length = static_cast<int>(end - start);
        std::wstring line(static_cast<size_t>(length), L'\0');
        line.resize(static_cast<size_t>(
            ::MultiByteToWideChar(CP_UTF8, 0, bytes.data() + start, length, line.data(), length)));
        runs.push_back(line);
    }
    return runs;
}

void PumpMessages()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

bool WaitFor(const std::function<bool()>& condition, Duration deadline, Duration interval)
{
    const auto end = std::chrono::steady_clock::now() + deadline;
    for (;;) {
        // Windows of the test itself keep answering while it waits (activation, cross-process sends).
        PumpMessages();
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(interval);
    }
}

void Pause(Duration duration)
{
    WaitFor([] { return false; }, duration);
}

// ---- Processes ----------------------------------------------------------------------------------

std::wstring QuoteArgument(const std::wstring& argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos)
        return argument;
    std::wstring quoted = L"\"";
    for (auto it = argument.begin();; ++it) {
        size_t backslashes = 0;
        while (it != argument.end() && *it == L'\\') {
            ++it;
            ++backslashes;
        }
        if (it == argument.end()) {
            quoted.append(backslashes * 2, L'\\');
            break;
        }
        if (*it == L'"') {
            quoted.append(backslashes * 2 + 1, L'\\');
            quoted += L'"';
        } else {
            quoted.append(backslashes, L'\\');
            quoted += *it;
        }
    }
    quoted += L'"';
    return quoted;
}

Process::Process(Process&& other) noexcept
    : process_(std::exchange(other.process_, nullptr)), id_(std::exchange(other.id_, 0))
{
}

Process& Process::operator=(Process&& other) noexcept
{
    if (this != &other) {
        Kill();
        process_ = std::exchange(other.process_, nullptr);
        id_ = std::exchange(other.id_, 0);
    }
    return *this;
}

Process::~Process() { Kill(); }

Process Process::Start(const std::wstring& program, const std::vector<std::wstring>& arguments)
{
    std::wstring commandLine = QuoteArgument(program);
    for (const auto& argument : arguments)
        commandLine += L" " + QuoteArgument(argument);
    // The program and whatever it starts in turn (a folder window, a browser) write to NUL: under Wine
    // they would otherwise share the test's own output pipe, and one that lives on would keep the test
    // runner waiting for the end of that pipe.
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    HANDLE nul = ::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                               OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    if (nul != INVALID_HANDLE_VALUE) {
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = si.hStdOutput = si.hStdError = nul;
    }
    PROCESS_INFORMATION pi{};
    const BOOL started = ::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr,
                                          nul != INVALID_HANDLE_VALUE, 0, nullptr, nullptr, &si, &pi);
    const DWORD error = ::GetLastError();
    if (nul != INVALID_HANDLE_VALUE)
        ::CloseHandle(nul);
    if (!started)
        throw std::runtime_error("CreateProcessW failed: " + std::to_string(error));
    ::CloseHandle(pi.hThread);
    Process process;
    process.process_ = pi.hProcess;
    process.id_ = pi.dwProcessId;
    return process;
}

bool Process::running() const
{
    return process_ && ::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Process::WaitForExit(Duration deadline)
{
    if (!process_)
        return std::nullopt;
    if (::WaitForSingleObject(process_, static_cast<DWORD>(deadline.count())) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    ::GetExitCodeProcess(process_, &code);
    return code;
}

void Process::Stop(Duration grace)
{
    if (!running()) {
        Kill();
        return;
    }
    for (HWND window : FindWindows({id_, L"", false}))
        ::PostMessageW(window, WM_CLOSE, 0, 0);
    if (!WaitForExit(grace))
        ::TerminateProcess(process_, 1);
    Kill();
}

void Process::Kill()
{
    if (!process_)
        return;
    if (::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(process_, 1);
        ::WaitForSingleObject(process_, 5000);
    }
    ::CloseHandle(process_);
    process_ = nullptr;
}

// ---- Windows ------------------------------------------------------------------------------------

std::wstring ClassNameOf(HWND window)
{
    wchar_t name[256] = {};
    ::GetClassNameW(window, name, 256);
    return name;
}

std::wstring TextOf(HWND window)
{
    wchar_t text[1024] = {};
    ::SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                          nullptr);
    return text;
}

RECT RectOf(HWND window)
{
    RECT r{};
    ::GetWindowRect(window, &r);
    return r;
}

bool IsShown(HWND window) { return ::IsWindowVisible(window) && !::IsIconic(window); }

namespace {

struct WindowSearch {
    const WindowQuery* query;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    if (search->query->processId && pid != search->query->processId)
        return TRUE;
    if (!search->query->className.empty() && ClassNameOf(window) != search->query->className)
        return TRUE;
    if (search->query->visibleOnly && !::IsWindowVisible(window))
        return TRUE;
    search->found.push_back(window);
    return TRUE;
}

} // namespace

std::vector<HWND> FindWindows(const WindowQuery& query)
{
    WindowSearch search{&query, {}};
    ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForWindow(const WindowQuery& query, Duration deadline)
{
    HWND found = nullptr;
    WaitFor(
        [&] {
            auto windows = FindWindows(query);
            found = windows.empty() ? nullptr : windows.front();
            return found != nullptr;
        },
        deadline);
    return found;
}

TestWindow::TestWindow(int x, int y, int width, int height)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = L"HalvexTestWindow";
    ::RegisterClassW(&wc);
    window_ = ::CreateWindowExW(0, wc.lpszClassName, L"Test window", WS_OVERLAPPEDWINDOW, x, y, width, height,
                                nullptr, nullptr, wc.hInstance, nullptr);
    if (!window_)
        throw std::runtime_error("cannot create a test window");
}

TestWindow::~TestWindow()
{
    ::DestroyWindow(window_);
    PumpMessages();
}

void TestWindow::Activate()
{
    ::ShowWindow(window_, SW_SHOW);
    ::SetForegroundWindow(window_);
    PumpMessages();
}

// ---- Input --------------------------------------------------------------------------------------

namespace {

void SendKey(WORD virtualKey, bool up)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    switch (virtualKey) {
    case VK_LWIN: case VK_RWIN: case VK_RCONTROL: case VK_RMENU: case VK_INSERT: case VK_DELETE:
    case VK_HOME: case VK_END: case VK_PRIOR: case VK_NEXT: case VK_LEFT: case VK_RIGHT: case VK_UP:
    case VK_DOWN:
        input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
        break;
    default:
        break;
    }
    ::SendInput(1, &input, sizeof(INPUT));
}

void SendMouse(DWORD flags, int x, int y)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    const int width = ::GetSystemMetrics(SM_CXSCREEN);
    const int height = ::GetSystemMetrics(SM_CYSCREEN);
    input.mi.dx = static_cast<LONG>((x * 65536LL + width / 2) / width);
    input.mi.dy = static_cast<LONG>((y * 65536LL + height / 2) / height);
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE;
    ::SendInput(1, &input, sizeof(INPUT));
}

} // namespace

void KeyDown(WORD virtualKey) { SendKey(virtualKey, false); }
void KeyUp(WORD virtualKey) { SendKey(virtualKey, true); }

void PressKey(WORD virtualKey)
{
    KeyDown(virtualKey);
    KeyUp(virtualKey);
}

void PressKeys(const std::vector<WORD>& chord)
{
    for (WORD key : chord)
        KeyDown(key);
    for (auto it = chord.rbegin(); it != chord.rend(); ++it)
        KeyUp(*it);
}

void MoveMouse(int x, int y) { SendMouse(MOUSEEVENTF_MOVE, x, y); }

void Click(int x, int y, bool right)
{
    // A hand takes a moment between arriving, pressing and releasing; controls that watch for a drag
    // between press and release (tree views do) see the same sequence as from a real mouse.
    MoveMouse(x, y);
    Pause(50ms);
    SendMouse(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN, x, y);
    Pause(50ms);
    SendMouse(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP, x, y);
}

void DoubleClick(int x, int y)
{
    MoveMouse(x, y);
    Pause(50ms);
    // Two clicks well within the double-click time, each with a short hold as a finger gives it.
    for (int i = 0; i < 2; ++i) {
        SendMouse(MOUSEEVENTF_LEFTDOWN, x, y);
        Pause(20ms);
        SendMouse(MOUSEEVENTF_LEFTUP, x, y);
        Pause(20ms);
    }
    Pause(50ms);
}

namespace {

DWORD ButtonFlag(MouseButton button, bool down)
{
    switch (button) {
    case MouseButton::Left:
        return down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    case MouseButton::Right:
        return down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP;
    case MouseButton::Middle:
        break;
    }
    return down ? MOUSEEVENTF_MIDDLEDOWN : MOUSEEVENTF_MIDDLEUP;
}

} // namespace

void ButtonDown(MouseButton button, int x, int y) { SendMouse(ButtonFlag(button, true), x, y); }
void ButtonUp(MouseButton button, int x, int y) { SendMouse(ButtonFlag(button, false), x, y); }

COLORREF ScreenPixel(int x, int y)
{
    HDC screen = ::GetDC(nullptr);
    const COLORREF colour = ::GetPixel(screen, x, y);
    ::ReleaseDC(nullptr, screen);
    return colour;
}

void Drag(POINT from, POINT to)
{
    MoveMouse(from.x, from.y);
    Pause(50ms);
    SendMouse(MOUSEEVENTF_LEFTDOWN, from.x, from.y);
    Pause(50ms);
    constexpr int Steps = 8;
    for (int i = 1; i <= Steps; ++i) {
        MoveMouse(from.x + (to.x - from.x) * i / Steps, from.y + (to.y - from.y) * i / Steps);
        Pause(30ms);
    }
    SendMouse(MOUSEEVENTF_LEFTUP, to.x, to.y);
    Pause(50ms);
}

// ---- Controls of another process ----------------------------------------------------------------

namespace {

// A block of memory inside another process, for messages whose parameters are pointers.
class RemoteBuffer {
public:
    RemoteBuffer(HWND window, size_t size) : size_(size)
    {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(window, &pid);
        process_ = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (!process_)
            throw std::runtime_error("OpenProcess failed");
        address_ = ::VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        if (!address_) {
            ::CloseHandle(process_);
            throw std::runtime_error("VirtualAllocEx failed");
        }
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;
    ~RemoteBuffer()
    {
        ::VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        ::CloseHandle(process_);
    }

    BYTE* address() const { return static_cast<BYTE*>(address_); }
    void Write(size_t offset, const void* data, size_t size) const
    {
        ::WriteProcessMemory(process_, address() + offset, data, size, nullptr);
    }
    void Read(size_t offset, void* data, size_t size) const
    {
        ::ReadProcessMemory(process_, address() + offset, data, size, nullptr);
    }

private:
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
    size_t size_;
};

constexpr int TextCapacity = 520;

LRESULT SendTo(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<LRESULT>(result);
}

} // namespace

std::vector<TreeItem> ReadTreeView(HWND tree, bool includeCollapsed)
{
    std::vector<TreeItem> items;
    RemoteBuffer remote(tree, sizeof(TVITEMW) + TextCapacity * sizeof(wchar_t));
    const size_t textOffset = sizeof(TVITEMW);

    std::function<void(HTREEITEM, int)> walk = [&](HTREEITEM item, int depth) {
        for (; item; item = reinterpret_cast<HTREEITEM>(
                         SendTo(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
            TVITEMW query{};
            query.mask = TVIF_TEXT | TVIF_STATE | TVIF_HANDLE;
            query.hItem = item;
            query.stateMask = TVIS_EXPANDED | TVIS_SELECTED;
            query.pszText = reinterpret_cast<wchar_t*>(remote.address() + textOffset);
            query.cchTextMax = TextCapacity;
            remote.Write(0, &query, sizeof(query));
            SendTo(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote.address()));
            TVITEMW answer{};
            remote.Read(0, &answer, sizeof(answer));
            wchar_t text[TextCapacity] = {};
            remote.Read(textOffset, text, sizeof(text) - sizeof(wchar_t));
            TreeItem row;
            row.text = text;
            row.depth = depth;
            row.expanded = (answer.state & TVIS_EXPANDED) != 0;
            row.selected = (answer.state & TVIS_SELECTED) != 0;
            items.push_back(row);
            if (row.expanded || includeCollapsed) {
                auto child = reinterpret_cast<HTREEITEM>(
                    SendTo(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
                walk(child, depth + 1);
            }
        }
    };
    walk(reinterpret_cast<HTREEITEM>(SendTo(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)), 0);
    return items;
}

int FirstVisibleRowIndex(HWND tree)
{
    const LRESULT first = SendTo(tree, TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0);
    int index = 0;
    for (LRESULT row = SendTo(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0); row && row != first;
         row = SendTo(tree, TVM_GETNEXTITEM, TVGN_NEXTVISIBLE, row))
        ++index;
    return index;
}

std::vector<std::wstring> ReadListView(HWND list, int column)
{
    std::vector<std::wstring> rows;
    RemoteBuffer remote(list, sizeof(LVITEMW) + TextCapacity * sizeof(wchar_t));
    const size_t textOffset = sizeof(LVITEMW);
    const int count = static_cast<int>(SendTo(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        LVITEMW query{};
        query.iSubItem = column;
        query.pszText = reinterpret_cast<wchar_t*>(remote.address() + textOffset);
        query.cchTextMax = TextCapacity;
        remote.Write(0, &query, sizeof(query));
        SendTo(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(remote.address()));
        wchar_t text[TextCapacity] = {};
        remote.Read(textOffset, text, sizeof(text) - sizeof(wchar_t));
        rows.emplace_back(text);
    }
    return rows;
}

// ---- Registry -----------------------------------------------------------------------------------

namespace {

class Key {
public:
    Key(HKEY root, const std::wstring& path, bool create)
    {
        LSTATUS status = create ? ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                                    &key_, nullptr)
                                : ::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key_);
        if (status != ERROR_SUCCESS)
            key_ = nullptr;
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key()
    {
        if (key_)
            ::RegCloseKey(key_);
    }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

std::optional<std::vector<BYTE>> QueryValue(HKEY root, const std::wstring& path, const std::wstring& name,
                                            DWORD expectedType)
{
    Key key(root, path, false);
    if (!key.get())
        return std::nullopt;
    DWORD type = 0, size = 0;
    if (::RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != expectedType)
        return std::nullopt;
    std::vector<BYTE> data(size);
    if (::RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
        return std::nullopt;
    data.resize(size);
    return data;
}

void SetValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type, const void* data,
              size_t size)
{
    Key key(root, path, true);
    if (!key.get() || ::RegSetValueExW(key.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data),
                                       static_cast<DWORD>(size)) != ERROR_SUCCESS)
        throw std::runtime_error("cannot write a registry value");
}

} // namespace

bool RegistryKey::Exists() const { return Key(root_, path_, false).get() != nullptr; }

void RegistryKey::Delete() const
{
    // RegDeleteTreeW empties the key; RegDeleteKeyW then removes the key itself.
    ::RegDeleteTreeW(root_, path_.c_str());
    ::RegDeleteKeyW(root_, path_.c_str());
}

void RegistryKey::SetString(const std::wstring& name, const std::wstring& value) const
{
    SetValue(root_, path_, name, REG_SZ, value.c_str(), (value.size() + 1) * sizeof(wchar_t));
}

void RegistryKey::SetDword(const std::wstring& name, DWORD value) const
{
    SetValue(root_, path_, name, REG_DWORD, &value, sizeof(value));
}

void RegistryKey::SetBinary(const std::wstring& name, const std::vector<BYTE>& value) const
{
    SetValue(root_, path_, name, REG_BINARY, value.data(), value.size());
}

std::optional<std::wstring> RegistryKey::GetString(const std::wstring& name) const
{
    auto data = QueryValue(root_, path_, name, REG_SZ);
    if (!data)
        return std::nullopt;
    std::wstring text(reinterpret_cast<const wchar_t*>(data->data()), data->size() / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0')
        text.pop_back();
    return text;
}

std::optional<DWORD> RegistryKey::GetDword(const std::wstring& name) const
{
    auto data = QueryValue(root_, path_, name, REG_DWORD);
    if (!data || data->size() != sizeof(DWORD))
        return std::nullopt;
    DWORD value = 0;
    std::copy(data->begin(), data->end(), reinterpret_cast<BYTE*>(&value));
    return value;
}

std::optional<std::vector<BYTE>> RegistryKey::GetBinary(const std::wstring& name) const
{
    return QueryValue(root_, path_, name, REG_BINARY);
}

std::vector<std::wstring> RegistryKey::SubKeys() const
{
    std::vector<std::wstring> names;
    Key key(root_, path_, false);
    if (!key.get())
        return names;
    wchar_t name[512];
    for (DWORD i = 0;; ++i) {
        DWORD length = 512;
        if (::RegEnumKeyExW(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    return names;
}

std::wstring Lower(std::wstring text)
{
    ::CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

std::wstring KeyName(std::wstring path)
{
    std::replace(path.begin(), path.end(), L'\\', L'/');
    return path;
}

RegistryKey HalvexSettingsKey() { return {HKEY_CURRENT_USER, L"SOFTWARE\\Tervane\\Halvex Start Menu"}; }

// ---- Files and folders --------------------------------------------------------------------------

namespace {

std::wstring FolderPath(int csidl)
{
    wchar_t path[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path)))
        throw std::runtime_error("SHGetFolderPathW failed");
    return path;
}

} // namespace

std::wstring UserProgramsFolder() { return FolderPath(CSIDL_PROGRAMS); }
std::wstring CommonProgramsFolder() { return FolderPath(CSIDL_COMMON_PROGRAMS); }

void EmptyFolder(const std::wstring& folder)
{
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..")
            continue;
        std::wstring path = folder + L"\\" + name;
        ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                EmptyFolder(path);
            ::RemoveDirectoryW(path.c_str());
        } else {
            ::DeleteFileW(path.c_str());
        }
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
}

bool CreateShortcut(const std::wstring& linkPath, const std::wstring& target, const std::wstring& arguments)
{
    const std::wstring folder = linkPath.substr(0, linkPath.find_last_of(L'\\'));
    ::SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    const HRESULT init = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    bool ok = false;
    {
        ComPtr<IShellLinkW> link;
        ComPtr<IPersistFile> file;
        if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))) &&
            SUCCEEDED(link->SetPath(target.c_str())) && SUCCEEDED(link->SetArguments(arguments.c_str())) &&
            SUCCEEDED(link.As(&file)))
            ok = SUCCEEDED(file->Save(linkPath.c_str(), TRUE));
    }
    if (SUCCEEDED(init))
        ::CoUninitialize();
    return ok;
}

void WriteTextFile(const std::wstring& path, const std::string& content)
{
    const std::wstring folder = path.substr(0, path.find_last_of(L'\\'));
    ::SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot create a file");
    DWORD written = 0;
    ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    ::CloseHandle(file);
}

// ---- Taskbar stand-in ---------------------------------------------------------------------------

TaskbarStandIn::TaskbarStandIn(const std::wstring& edge, int thickness, int switchListSize)
{
    std::vector<std::wstring> arguments{L"--edge", edge, L"--thickness", std::to_wstring(thickness)};
    if (switchListSize > 0)
        arguments.push_back(L"--switch-list=" + std::to_wstring(switchListSize));
    process_ = Process::Start(TaskbarStandInExe(), arguments);
    tray_ = WaitForWindow({process_.id(), L"Shell_TrayWnd", true});
    if (!tray_)
        throw std::runtime_error("the taskbar stand-in did not show its window");
    // The window shows before its band container has been laid out in it.
    const bool laidOut = WaitFor([&] {
        RECT r{};
        HWND container = bands();
        return container && ::GetWindowRect(container, &r) && r.right > r.left && r.bottom > r.top;
    });
    if (!laidOut)
        throw std::runtime_error("the taskbar stand-in did not lay out its bands");
}

HWND TaskbarStandIn::bands() const { return ::FindWindowExW(tray_, nullptr, L"ReBarWindow32", nullptr); }

long TaskbarStandIn::TaskListRequests() const
{
    return static_cast<long>(SendTo(tray_, standin::WM_STANDIN_TASKLIST_COUNT, 0, 0));
}

} // namespace e2e
