// WaitForWindow.exe CLASS [SECONDS]: waits until a visible top-level window of the class exists.
// Exit code 0 when it appeared, 1 when the time ran out. Used by scripts that drive the bench.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return 2;
    const DWORD seconds = argc > 2 ? static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)) : 20;
    const ULONGLONG end = ::GetTickCount64() + seconds * 1000ULL;
    do {
        HWND window = ::FindWindowW(argv[1], nullptr);
        if (window && ::IsWindowVisible(window))
            return 0;
        ::Sleep(50);
    } while (::GetTickCount64() < end);
    return 1;
}
