#pragma once

// Registry access shared by the recent-programs and favorites stores: one subkey per record under the
// program's key in HKEY_CURRENT_USER, read value by value so that a record can tell a value that is
// missing from one that is there but cannot be read (wrong type or size). The stores never write over
// a value of the second kind: it is the user's data, even if this version cannot make sense of it.

#include "platform/Handles.h"

#include <string>
#include <vector>

namespace halvex {

// The program's key under HKEY_CURRENT_USER and the stores' subkeys below it.
inline constexpr wchar_t ProgramKeyPath[] = L"Software\\Tervane\\Halvex Start Menu";
inline constexpr wchar_t RecentKeyPath[] = L"Software\\Tervane\\Halvex Start Menu\\Recent";
inline constexpr wchar_t FavoriteKeyPath[] = L"Software\\Tervane\\Halvex Start Menu\\Favorite";

enum class ValueState {
    Missing,     // no such value
    Read,        // read and of the expected type
    Unreadable,  // there, but of another type or size
};

template <typename T>
struct StoredValue {
    ValueState state = ValueState::Missing;
    T value{};

    [[nodiscard]] bool read() const noexcept { return state == ValueState::Read; }
    [[nodiscard]] bool unreadable() const noexcept { return state == ValueState::Unreadable; }
};

enum class KeyAccess {
    Read,    // open an existing key for reading: a key the user may not change still loads
    Write,   // open an existing key for reading and writing (and deleting its subkeys)
    Create,  // open for reading and writing, creating the key and its parents when missing
};

// Opens HKEY_CURRENT_USER\path; an invalid key when that fails.
[[nodiscard]] UniqueHKey OpenStoreKey(const std::wstring& path, KeyAccess access);

// The names of the key's subkeys, in the order the registry gives them.
[[nodiscard]] std::vector<std::wstring> SubKeyNames(HKEY key);

// REG_SZ or REG_EXPAND_SZ (taken as stored, not expanded).
[[nodiscard]] StoredValue<std::wstring> ReadStringValue(HKEY key, const wchar_t* name);
// REG_DWORD.
[[nodiscard]] StoredValue<DWORD> ReadDwordValue(HKEY key, const wchar_t* name);
// REG_BINARY of exactly 8 bytes: a little-endian IEEE 754 double.
[[nodiscard]] StoredValue<double> ReadDoubleValue(HKEY key, const wchar_t* name);

// Each true when the value was written.
[[nodiscard]] bool WriteStringValue(HKEY key, const wchar_t* name, const std::wstring& value);
[[nodiscard]] bool WriteDwordValue(HKEY key, const wchar_t* name, DWORD value);
[[nodiscard]] bool WriteDoubleValue(HKEY key, const wchar_t* name, double value);

} // namespace halvex
