// The executable's entry point: hands the command line to RunProgram.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <shellapi.h>

#include "main/Program.h"
#include "platform/SystemLibrary.h"

#include <string>
#include <vector>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    halvex::RestrictDllSearchToSystem();  // before anything can load a DLL by name
    std::vector<std::wstring> arguments;
    int count = 0;
    if (LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &count)) {
        for (int i = 1; i < count; ++i)
            arguments.emplace_back(argv[i]);
        ::LocalFree(argv);
    }
    return halvex::RunProgram(arguments);
}
