#include "app/ShellIntegration.h"

#include "platform/Handles.h"
#include "platform/Logger.h"
#include "platform/Utils.h"

#include <string>

namespace halvex {

namespace {

constexpr wchar_t VerbKey[] = L"lnkfile\\shell\\StartMenuHalvex";
constexpr wchar_t VerbCommandKey[] = L"lnkfile\\shell\\StartMenuHalvex\\command";
constexpr wchar_t VerbCaption[] = L"Pin/unpin from Start Menu";
constexpr wchar_t SettingsKey[] = L"Software\\Tervane\\Halvex Start Menu";
constexpr wchar_t DefaultFavoriteFile[] = L"Veradav 8 Eved.lnk";
constexpr wchar_t DefaultFavoriteCaption[] = L"Veradav 8 Eved";

std::wstring ExecutablePath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

UniqueHKey CreateKey(HKEY root, const std::wstring& path)
{
    UniqueHKey key;
    if (::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, key.put(), nullptr) !=
        ERROR_SUCCESS)
        key.reset();
    return key;
}

bool KeyExists(HKEY root, const wchar_t* path)
{
    UniqueHKey key;
    return ::RegOpenKeyExW(root, path, 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

void SetString(HKEY key, const wchar_t* name, const std::wstring& value)
{
    ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void SetDword(HKEY key, const wchar_t* name, DWORD value)
{
    ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

} // namespace

void InstallShellVerb(bool install) noexcept
{
    try {
        // Writing under HKEY_CLASSES_ROOT needs administrator rights; find out once, quietly.
        if (!CreateKey(HKEY_CLASSES_ROOT, L"exefile\\shell"))
            return;

        if (!install) {
            if (KeyExists(HKEY_CLASSES_ROOT, VerbKey) &&
                ::RegDeleteKeyW(HKEY_CLASSES_ROOT, VerbCommandKey) == ERROR_SUCCESS)
                ::RegDeleteKeyW(HKEY_CLASSES_ROOT, VerbKey);
            return;
        }

        if (UniqueHKey verb = CreateKey(HKEY_CLASSES_ROOT, VerbKey))
            SetString(verb.get(), nullptr, VerbCaption);
        // Explorer replaces %L with the shortcut's long path, unquoted; "/pin" joins the pieces again.
        if (UniqueHKey command = CreateKey(HKEY_CLASSES_ROOT, VerbCommandKey))
            SetString(command.get(), nullptr, L"\"" + ExecutablePath() + L"\" /pin %L");
    } catch (...) {
        Log(L"ShellIntegration.InstallShellVerb: unexpected failure");
    }
}

void AddDefaultFavorite() noexcept
{
    try {
        // A user who has the settings key has used the program before: keep their favorites as they are.
        if (KeyExists(HKEY_CURRENT_USER, SettingsKey))
            return;

        std::wstring folder = ExecutablePath();
        const size_t slash = folder.find_last_of(L'\\');
        if (slash == std::wstring::npos)
            return;
        folder.resize(slash + 1);
        // Favorites are known by their lower-cased path; the Explorer verb pins and unpins by it.
        const std::wstring path = LowerCase(folder + DefaultFavoriteFile);

        UniqueHKey favorite =
            CreateKey(HKEY_CURRENT_USER, std::wstring(SettingsKey) + L"\\Favorite\\" + PathToKeyName(path));
        if (!favorite)
            return;
        SetString(favorite.get(), L"Path", path);
        SetString(favorite.get(), L"Caption", DefaultFavoriteCaption);
        SetDword(favorite.get(), L"Index", 0);
    } catch (...) {
        Log(L"ShellIntegration.AddDefaultFavorite: unexpected failure");
    }
}

} // namespace halvex
