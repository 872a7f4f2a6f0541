// A program that imports version.dll directly: the import rule of check-executables.sh must reject it.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

int wmain(int, wchar_t** argv)
{
    DWORD handle = 0;
    return ::GetFileVersionInfoSizeW(argv[0], &handle) ? 0 : 1;
}
