// The DLL search restriction and LoadSystemLibrary against a DLL planted beside the program and in its
// current directory. Each case runs DllSearchProbe.exe in a process of its own (a loaded DLL would
// answer every later load by the same name) and reads from its exit code which file it got.

#include "platform/Handles.h"
#include "platform/SystemLibrary.h"

#include "Support.h"
#include "helpers/DllSearchProbe.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

using namespace halvex;
using namespace platform_test;

namespace {

enum class Plant { BesideProgram, InCurrentDirectory };

// A DLL name that no system folder holds.
constexpr const wchar_t* NotASystemDll = L"halvexnotsystem.dll";

// Under Wine, a load that finds a DLL file of a name Wine implements itself runs Wine's built-in code
// under the found file's path, unless the file is preferred for that program. These per-program
// settings make Wine load the planted file as Windows would; Windows never reads them.
class PreferPlantedFilesUnderWine {
public:
    explicit PreferPlantedFilesUnderWine(std::initializer_list<const wchar_t*> dlls)
    {
        if (::RegCreateKeyExW(HKEY_CURRENT_USER, KeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key_.put(),
                              nullptr) != ERROR_SUCCESS)
            return;
        for (const wchar_t* dll : dlls) {
            const std::wstring name(dll, wcslen(dll) - 4);  // without ".dll"
            static const wchar_t order[] = L"native,builtin";
            ::RegSetValueExW(key_.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(order), sizeof order);
        }
    }
    PreferPlantedFilesUnderWine(const PreferPlantedFilesUnderWine&) = delete;
    PreferPlantedFilesUnderWine& operator=(const PreferPlantedFilesUnderWine&) = delete;
    ~PreferPlantedFilesUnderWine()
    {
        key_.reset();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\DllSearchProbe.exe");
    }

private:
    static constexpr const wchar_t* KeyPath = L"Software\\Wine\\AppDefaults\\DllSearchProbe.exe\\DllOverrides";
    UniqueHKey key_;
};

int RunProbe(const std::wstring& probe, const std::wstring& currentDirectory, const std::wstring& mode,
             const std::wstring& dll)
{
    std::wstring commandLine = L"\"" + probe + L"\" " + mode + L" " + dll;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessW(probe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                          currentDirectory.c_str(), &startup, &process))
        return -1;
    ::CloseHandle(process.hThread);
    DWORD exitCode = static_cast<DWORD>(-2);
    if (::WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(process.hProcess, &exitCode);
    else
        ::TerminateProcess(process.hProcess, 1);  // never leave a probe behind
    ::CloseHandle(process.hProcess);
    return static_cast<int>(exitCode);
}

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

} // namespace

TEST(DllSearch, PlantedDllsAreNeverLoadedInPlaceOfSystemOnes)
{
    const struct {
        Plant plant;
        const wchar_t* dll;
        const wchar_t* mode;
        int expected;
    } cases[] = {
        // Without the restriction the plants are found: the cases below test something.
        {Plant::BesideProgram, L"wtsapi32.dll", L"plain", ProbePlanted},
        {Plant::InCurrentDirectory, NotASystemDll, L"plain", ProbePlanted},
        // With it, loads by name take the system folder's DLL or nothing.
        {Plant::BesideProgram, L"wtsapi32.dll", L"restricted", ProbeSystem},
        {Plant::BesideProgram, L"version.dll", L"restricted", ProbeSystem},
        {Plant::BesideProgram, NotASystemDll, L"restricted", ProbeNotLoaded},
        {Plant::InCurrentDirectory, NotASystemDll, L"restricted", ProbeNotLoaded},
        // LoadSystemLibrary does the same without the process-wide restriction.
        {Plant::BesideProgram, L"wtsapi32.dll", L"system", ProbeSystem},
        {Plant::BesideProgram, L"powrprof.dll", L"system", ProbeSystem},
        {Plant::BesideProgram, L"uxtheme.dll", L"system", ProbeSystem},
        {Plant::BesideProgram, NotASystemDll, L"system", ProbeNotLoaded},
        {Plant::InCurrentDirectory, NotASystemDll, L"system", ProbeNotLoaded},
    };
    const PreferPlantedFilesUnderWine preferPlanted{L"wtsapi32.dll", L"version.dll", L"powrprof.dll", L"uxtheme.dll"};
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(std::wstring(c.mode) + L" load of " + c.dll +
                            (c.plant == Plant::BesideProgram ? L" planted beside the program"
                                                             : L" planted in the current directory")));
        ScratchFolder folder(L"dllsearch");
        const std::wstring program = folder / L"Program\\DllSearchProbe.exe";
        const std::wstring current = folder / L"Current\\";
        ASSERT_TRUE(CopyTo(BesideTestExecutable(L"DllSearchProbe.exe"), program));
        const std::wstring plantFolder = c.plant == Plant::BesideProgram ? folder.path() + L"\\Program\\" : current;
        ASSERT_TRUE(CopyTo(BesideTestExecutable(L"planted.dll"), plantFolder + c.dll));

        EXPECT_EQ(RunProbe(program, current, c.mode, c.dll), c.expected);
    }
}

TEST(DllSearch, LoadSystemLibraryTakesFileNamesOnly)
{
    wchar_t system[MAX_PATH] = {};
    ASSERT_NE(::GetSystemDirectoryW(system, MAX_PATH), 0u);
    const std::wstring fullPath = std::wstring(system) + L"\\shell32.dll";

    for (const std::wstring& name : {fullPath, std::wstring(L"..\\shell32.dll"), std::wstring(L"sub/shell32.dll"),
                                     std::wstring()}) {
        UniqueModule module(LoadSystemLibrary(name.c_str()));
        EXPECT_FALSE(module) << Narrow(name);
    }
    EXPECT_EQ(LoadSystemLibrary(nullptr), nullptr);

    UniqueModule shell32(LoadSystemLibrary(L"shell32.dll"));
    ASSERT_TRUE(shell32);
    wchar_t loaded[MAX_PATH * 2] = {};
    ::GetModuleFileNameW(shell32.get(), loaded, MAX_PATH * 2);
    EXPECT_EQ(::lstrcmpiW(loaded, fullPath.c_str()), 0) << Narrow(loaded);
}

TEST(DllSearch, GetSystemProcFindsExportsOfSystemDllsOnly)
{
    using Function = BOOL(WINAPI*)(HANDLE, PBOOL);
    EXPECT_NE(GetSystemProc<Function>(L"kernel32.dll", "IsWow64Process"), nullptr);
    EXPECT_EQ(GetSystemProc<Function>(L"kernel32.dll", "NoSuchExportHere"), nullptr);

    // A DLL beside this executable is not a system DLL, whatever it exports.
    const std::wstring planted = BesideTestExecutable(NotASystemDll);
    ASSERT_TRUE(CopyTo(BesideTestExecutable(L"planted.dll"), planted));
    EXPECT_EQ(GetSystemProc<Function>(NotASystemDll, "HalvexPlantedMarker"), nullptr);
    ::DeleteFileW(planted.c_str());
}
