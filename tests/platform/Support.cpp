#include "Support.h"

#include <wrl/client.h>

#include <filesystem>
#include <thread>

namespace platform_test {

using Microsoft::WRL::ComPtr;

ScratchFolder::ScratchFolder(const std::wstring& hint)
{
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, temp);
    static unsigned counter = 0;
    path_ = std::wstring(temp) + L"halvex-" + hint + L"-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
        std::to_wstring(++counter);
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
    std::filesystem::create_directories(path_);
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::wstring ScratchFolder::operator/(const std::wstring& relative) const
{
    const std::wstring full = path_ + L"\\" + relative;
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(full).parent_path(), ignored);
    return full;
}

void WriteBytes(const std::wstring& path, const std::string& bytes)
{
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
}

bool CopyTo(const std::wstring& from, const std::wstring& to)
{
    return ::CopyFileW(from.c_str(), to.c_str(), FALSE) != FALSE;
}

namespace {

bool SaveShortcut(IShellLinkW* link, const std::wstring& linkPath)
{
    ComPtr<IPersistFile> file;
    return SUCCEEDED(link->QueryInterface(IID_PPV_ARGS(&file))) && SUCCEEDED(file->Save(linkPath.c_str(), TRUE));
}

ComPtr<IShellLinkW> NewShellLink()
{
    ComPtr<IShellLinkW> link;
    ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link));
    return link;
}

} // namespace

bool MakeShortcut(const std::wstring& linkPath, const std::wstring& target, const std::wstring& arguments)
{
    ComPtr<IShellLinkW> link = NewShellLink();
    return link && SUCCEEDED(link->SetPath(target.c_str())) && SUCCEEDED(link->SetArguments(arguments.c_str())) &&
        SaveShortcut(link.Get(), linkPath);
}

bool MakeShortcut(const std::wstring& linkPath, PCIDLIST_ABSOLUTE target)
{
    ComPtr<IShellLinkW> link = NewShellLink();
    return link && SUCCEEDED(link->SetIDList(target)) && SaveShortcut(link.Get(), linkPath);
}

std::wstring BesideTestExecutable(const std::wstring& fileName)
{
    wchar_t self[MAX_PATH * 4] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH * 4);
    std::wstring folder(self);
    folder.resize(folder.find_last_of(L'\\') + 1);
    return folder + fileName;
}

std::optional<SIZE> IconSize(HICON icon)
{
    ICONINFO info = {};
    if (!icon || !::GetIconInfo(icon, &info))
        return std::nullopt;
    BITMAP bitmap = {};
    SIZE size = {};
    if (info.hbmColor && ::GetObjectW(info.hbmColor, sizeof bitmap, &bitmap)) {
        size = {bitmap.bmWidth, bitmap.bmHeight};
    } else if (info.hbmMask && ::GetObjectW(info.hbmMask, sizeof bitmap, &bitmap)) {
        size = {bitmap.bmWidth, bitmap.bmHeight / 2};  // a monochrome icon: mask and image stacked
    }
    if (info.hbmColor)
        ::DeleteObject(info.hbmColor);
    if (info.hbmMask)
        ::DeleteObject(info.hbmMask);
    return size;
}

bool IsLiveIcon(HICON icon)
{
    return IconSize(icon).has_value();
}

HICON NewIcon()
{
    return ::CopyIcon(::LoadIconW(nullptr, IDI_APPLICATION));
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds deadline)
{
    const auto end = std::chrono::steady_clock::now() + deadline;
    for (;;) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(20ms);
    }
}

ImportPatch::ImportPatch(const char* dll, const char* function, void* replacement)
{
    auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!directory.VirtualAddress)
        return;
    for (auto* import = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         import->Name; ++import) {
        if (::lstrcmpiA(reinterpret_cast<const char*>(base + import->Name), dll) != 0)
            continue;
        const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(
            base + (import->OriginalFirstThunk ? import->OriginalFirstThunk : import->FirstThunk));
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (::lstrcmpA(reinterpret_cast<const char*>(byName->Name), function) != 0)
                continue;
            auto** slot = reinterpret_cast<void**>(&slots->u1.Function);
            DWORD protection = 0;
            if (!::VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection))
                return;
            original_ = *slot;
            *slot = replacement;
            ::VirtualProtect(slot, sizeof *slot, protection, &protection);
            slot_ = slot;
            return;
        }
    }
}

ImportPatch::~ImportPatch()
{
    if (!slot_)
        return;
    DWORD protection = 0;
    if (::VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &protection)) {
        *slot_ = original_;
        ::VirtualProtect(slot_, sizeof *slot_, protection, &protection);
    }
}

} // namespace platform_test
