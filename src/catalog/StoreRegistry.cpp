#include "catalog/StoreRegistry.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace halvex {

UniqueHKey OpenStoreKey(const std::wstring& path, KeyAccess access)
{
    UniqueHKey key;
    LSTATUS status = ERROR_SUCCESS;
    switch (access) {
    case KeyAccess::Read:
        status = ::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.put());
        break;
    case KeyAccess::Write:
        status = ::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ | KEY_WRITE | DELETE, key.put());
        break;
    case KeyAccess::Create:
        status = ::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                                   key.put(), nullptr);
        break;
    }
    if (status != ERROR_SUCCESS)
        key.reset();
    return key;
}

std::vector<std::wstring> SubKeyNames(HKEY key)
{
    std::vector<std::wstring> names;
    DWORD count = 0;
    DWORD longest = 0;
    if (::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &count, &longest, nullptr, nullptr, nullptr, nullptr,
                           nullptr, nullptr) != ERROR_SUCCESS)
        return names;
    names.reserve(count);
    // Key names are at most 255 characters; the buffer also covers a name added since the query.
    std::wstring name(std::max<DWORD>(longest, 255) + 1, L'\0');
    for (DWORD i = 0;; ++i) {
        DWORD length = static_cast<DWORD>(name.size());
        const LSTATUS status = ::RegEnumKeyExW(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status == ERROR_SUCCESS)
            names.emplace_back(name.data(), length);
    }
    return names;
}

StoredValue<std::wstring> ReadStringValue(HKEY key, const wchar_t* name)
{
    StoredValue<std::wstring> result;
    DWORD type = 0;
    DWORD size = 0;
    if (::RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return result;
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
        result.state = ValueState::Unreadable;
        return result;
    }
    // The stored text need not end in a terminator, and another writer may change it in between.
    std::wstring text;
    LSTATUS status = ERROR_MORE_DATA;
    while (status == ERROR_MORE_DATA) {
        text.assign(size / sizeof(wchar_t) + 1, L'\0');
        size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        status = ::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size);
    }
    if (status != ERROR_SUCCESS) {
        result.state = status == ERROR_FILE_NOT_FOUND ? ValueState::Missing : ValueState::Unreadable;
        return result;
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
        result.state = ValueState::Unreadable;
        return result;
    }
    text.resize(size / sizeof(wchar_t));
    if (const size_t end = text.find(L'\0'); end != std::wstring::npos)
        text.resize(end);
    result.state = ValueState::Read;
    result.value = std::move(text);
    return result;
}

StoredValue<DWORD> ReadDwordValue(HKEY key, const wchar_t* name)
{
    StoredValue<DWORD> result;
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof(value);
    const LSTATUS status = ::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    if (status == ERROR_FILE_NOT_FOUND)
        return result;
    if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(value)) {
        result.state = ValueState::Unreadable;
        return result;
    }
    result.state = ValueState::Read;
    result.value = value;
    return result;
}

StoredValue<double> ReadDoubleValue(HKEY key, const wchar_t* name)
{
    static_assert(std::endian::native == std::endian::little, "the stored double is little-endian");
    StoredValue<double> result;
    DWORD type = 0;
    BYTE bytes[sizeof(double)] = {};
    DWORD size = sizeof(bytes);
    const LSTATUS status = ::RegQueryValueExW(key, name, nullptr, &type, bytes, &size);
    if (status == ERROR_FILE_NOT_FOUND)
        return result;
    if (status != ERROR_SUCCESS || type != REG_BINARY || size != sizeof(bytes)) {
        result.state = ValueState::Unreadable;
        return result;
    }
    result.state = ValueState::Read;
    std::memcpy(&result.value, bytes, sizeof(bytes));
    return result;
}

bool WriteStringValue(HKEY key, const wchar_t* name, const std::wstring& value)
{
    return ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool WriteDwordValue(HKEY key, const wchar_t* name, DWORD value)
{
    return ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value)) ==
           ERROR_SUCCESS;
}

bool WriteDoubleValue(HKEY key, const wchar_t* name, double value)
{
    BYTE bytes[sizeof(double)];
    std::memcpy(bytes, &value, sizeof(bytes));
    return ::RegSetValueExW(key, name, 0, REG_BINARY, bytes, sizeof(bytes)) == ERROR_SUCCESS;
}

} // namespace halvex
