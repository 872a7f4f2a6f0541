#include "CatalogTesting.h"

#include "E2E.h"

#include "catalog/CatalogViews.h"

#include <shlobj.h>

#include <atomic>
#include <stdexcept>

namespace catalog_testing {

namespace {

std::wstring UniqueSuffix()
{
    static std::atomic<int> counter{0};
    return std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) + L"-" +
           std::to_wstring(::GetTickCount64());
}

using UnixFileName = char*(CDECL*)(LPCWSTR);

// The Unix path of a Windows path under Wine; empty elsewhere.
std::string UnixPath(const std::wstring& path)
{
    // Through void*: a FARPROC does not convert to another function type without a warning.
    static const auto convert = reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!convert)
        return {};
    char* unix = convert(path.c_str());
    if (!unix)
        return {};
    std::string result = unix;
    ::HeapFree(::GetProcessHeap(), 0, unix);
    return result;
}

std::wstring FromUtf8(const std::string& text)
{
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

// Runs a Unix program under Wine, which starts programs given by their path on drive Z:, and waits
// for it.
bool RunUnixProgram(const std::wstring& program, const std::vector<std::string>& arguments)
{
    std::wstring commandLine = program;
    for (const std::string& argument : arguments)
        commandLine += L" \"" + FromUtf8(argument) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process))
        return false;
    ::WaitForSingleObject(process.hProcess, 10000);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return true;
}

// Removes a link to a folder, never what it leads to. Under Wine (where the link is a Unix symbolic
// link that neither RemoveDirectoryW nor DeleteFileW takes away) it goes on the Unix side.
void RemoveFolderLink(const std::wstring& link)
{
    const std::string unixLink = UnixPath(link);
    if (unixLink.empty()) {
        ::RemoveDirectoryW(link.c_str());
        return;
    }
    if (RunUnixProgram(L"Z:\\bin\\rm", {"-f", unixLink}))
        e2e::WaitFor([&] { return ::GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES; },
                     std::chrono::seconds(5));
}

bool LeadsTo(const std::wstring& link, const std::wstring& target)
{
    auto id = [](const std::wstring& path, BY_HANDLE_FILE_INFORMATION& info) {
        HANDLE h = ::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return false;
        const bool ok = ::GetFileInformationByHandle(h, &info) != FALSE;
        ::CloseHandle(h);
        return ok;
    };
    BY_HANDLE_FILE_INFORMATION a{}, b{};
    return id(link, a) && id(target, b) && a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

} // namespace

RedirectedHkcu::RedirectedHkcu() : scratchPath_(L"Software\\HalvexTests\\" + UniqueSuffix())
{
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, scratchPath_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &scratch_,
                          nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("cannot create the scratch registry key");
    if (::RegOverridePredefKey(HKEY_CURRENT_USER, scratch_) != ERROR_SUCCESS)
        throw std::runtime_error("cannot redirect HKEY_CURRENT_USER");
}

RedirectedHkcu::~RedirectedHkcu()
{
    ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    ::RegCloseKey(scratch_);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, scratchPath_.c_str());
    ::RegDeleteKeyW(HKEY_CURRENT_USER, scratchPath_.c_str());
}

ScratchFolder::ScratchFolder(const std::wstring& label)
{
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, temp);
    path_ = std::wstring(temp) + L"halvex-" + label + L"-" + UniqueSuffix();
    MakeFolder(path_);
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

void RemoveTree(const std::wstring& folder)
{
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring path = folder + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                RemoveFolderLink(path);
            } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileW(path.c_str());
            }
        } while (::FindNextFileW(find, &data));
        ::FindClose(find);
    }
    ::SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::RemoveDirectoryW(folder.c_str());
}

void MakeFolder(const std::wstring& path)
{
    const int result = ::SHCreateDirectoryExW(nullptr, path.c_str(), nullptr);
    if (result != ERROR_SUCCESS && result != ERROR_ALREADY_EXISTS)
        throw std::runtime_error("cannot create a folder");
}

void TouchFile(const std::wstring& path)
{
    MakeFolder(path.substr(0, path.find_last_of(L'\\')));
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot create a file");
    ::CloseHandle(file);
}

bool MakeFolderLink(const std::wstring& link, const std::wstring& target)
{
    if (::CreateSymbolicLinkW(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) && LeadsTo(link, target))
        return true;
    ::RemoveDirectoryW(link.c_str());
    const std::string unixLink = UnixPath(link);
    const std::string unixTarget = UnixPath(target);
    if (unixLink.empty() || unixTarget.empty() || !RunUnixProgram(L"Z:\\bin\\ln", {"-s", unixTarget, unixLink}))
        return false;
    // The handle of a Unix process can be signalled before the program has done its work.
    return e2e::WaitFor([&] { return LeadsTo(link, target); }, std::chrono::seconds(5));
}

RecordedViews::RecordedViews()
{
    halvex::SetCatalogViewCallbacks({
        [this] { calls.push_back("FillFavorites"); },
        [this] { calls.push_back("FillRecent"); },
        [this] {
            if (onHide)
                onHide();
            calls.push_back("HideMenu");
        },
    });
}

RecordedViews::~RecordedViews() { halvex::SetCatalogViewCallbacks({}); }

RawValues RawRecord(const std::wstring& path)
{
    RawValues values;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return values;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLength = 256;
        BYTE data[1024];
        DWORD size = sizeof(data);
        DWORD type = 0;
        if (::RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS)
            break;
        values[std::wstring(name, nameLength)] = {type, std::vector<BYTE>(data, data + size)};
    }
    ::RegCloseKey(key);
    return values;
}

} // namespace catalog_testing
