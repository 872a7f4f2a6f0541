// LaunchMarker.exe: a program that only records that it ran, for the launching tests. Each run appends
// one line to "<its own path>.ran": its process id, a tab, and its command line. Then it ends.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    wchar_t self[MAX_PATH * 4] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, self, MAX_PATH * 4);
    if (length == 0 || length >= MAX_PATH * 4)
        return 1;
    const std::wstring record = std::wstring(self) + L".ran";
    HANDLE file = ::CreateFileW(record.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    // UTF-16 as it is: the tests read it back with the same width.
    const std::wstring line =
        std::to_wstring(::GetCurrentProcessId()) + L"\t" + ::GetCommandLineW() + L"\n";
    DWORD written = 0;
    const BOOL ok = ::WriteFile(file, line.data(), static_cast<DWORD>(line.size() * sizeof(wchar_t)), &written, nullptr);
    ::CloseHandle(file);
    return ok ? 0 : 1;
}
