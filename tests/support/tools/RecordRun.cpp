// RecordRun.exe: a program that only records that it ran. Each run appends one line, its command
// line, to the file named like the executable with ".ran" added ("C:\x\app.exe.ran"), then ends.
// Tests copy it wherever a launched program is expected and look for the record.

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
    const std::wstring line = std::wstring(::GetCommandLineW()) + L"\r\n";
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0,
                                            nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), utf8.data(), bytes, nullptr,
                          nullptr);
    DWORD written = 0;
    ::WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    ::CloseHandle(file);
    return 0;
}
