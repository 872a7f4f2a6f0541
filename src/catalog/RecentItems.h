#pragma once

// How often each program was launched from the menu, kept in HKEY_CURRENT_USER so that the menu can
// show the most used programs under the favorites.
//
// Every counted program is one subkey of "Software\Tervane\Halvex Start Menu\Recent", named after its
// lower-cased path with every "\" turned into "/", holding "Caption" (REG_SZ), "Path" (REG_SZ),
// "LastStart" (REG_BINARY, a little-endian double of days since 1899-12-30 00:00, local time) and
// "StartCount" (REG_DWORD). Records are created and rewritten, never deleted; a program whose file is
// missing at load time (an unplugged drive) is not listed, but its record and its count stay.
//
// UI thread only; no locking.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace halvex {

struct TRecentProgram {
    std::wstring Caption;    // the caption of the first counted launch
    std::wstring Path;       // lower-cased full path of what was launched: the identity
    double LastStart = 0;    // local date and time of the latest counted launch (days since 1899-12-30)
    int32_t StartCount = 0;  // number of counted launches

    // The stored record has a value that cannot be read (of another type or size than expected). The
    // program is still listed and counted for this session, but its record is never written, so
    // that the count the user built up is not replaced by a guess.
    bool ReadOnly = false;
};

// Owns its programs, most launched first (equal counts keep the order they had).
using TRecentList = std::vector<std::unique_ptr<TRecentProgram>>;

// The recent list, loaded on first use; reload drops the current objects and reads the registry
// again, keeping only programs whose file exists (every pointer into the old list is then invalid).
const TRecentList& GetRecentItems(bool reload);

// Counts one launch of path: raises its count (continuing a stored record that was not listed),
// stamps the time, writes that one record, re-sorts and refills the recent view.
void RecordLaunch(const std::wstring& caption, const std::wstring& path);

// Opens a program of the recent list: hides the menu, launches it, counts the launch.
void ActivateRecentProgram(const TRecentProgram& item);

// Every counted launch, in this order: hide the menu, open the path through the shell, count it.
// Takes copies, because hiding the menu may refill the lists that hold the caller's objects.
void LaunchAndRecord(std::wstring caption, std::wstring path);

// A local date and time as days since 1899-12-30 00:00, the fraction being the time of day.
[[nodiscard]] double ToDaysSince1899(const SYSTEMTIME& localTime);

} // namespace halvex
