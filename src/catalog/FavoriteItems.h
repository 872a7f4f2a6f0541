#pragma once

// The user's pinned programs (favorites), kept in HKEY_CURRENT_USER in the order the user gave them.
//
// Every favorite is one subkey of "Software\Tervane\Halvex Start Menu\Favorite" holding "Caption"
// (REG_SZ), "Path" (REG_SZ, the lower-cased full path) and "Index" (REG_DWORD, its position). A new
// favorite's subkey is named after its path with every "\" turned into "/"; a favorite read from the
// registry keeps the name it was found under. After every pin, unpin, insertion or removal the stored
// indexes are 0 to n-1 in list order, and only the records whose index changed are rewritten.
//
// Pinning arrives from Explorer's "Pin/unpin from Start Menu" verb (through "/pin") and from drags
// between the favorites and recent lists. A record with a value this program cannot read (a value of
// the wrong type) is shown where possible but never rewritten: see TFavoriteProgram::ReadOnly.
//
// UI thread only (or the main thread of a "/pin" process); no locking.

#include <memory>
#include <string>
#include <vector>

namespace halvex {

class TFavoriteProgram {
public:
    std::wstring KeyName;  // the registry subkey; empty until the first save of a new favorite
    std::wstring Caption;  // the text shown
    std::wstring Path;     // lower-cased full path of the pinned file: the favorite's identity
    int Index = 0;         // position in the list, from 0

    // The stored record has a value that cannot be read (of another type than expected), or the
    // subkey a new favorite would take holds such a record. The favorite is shown and can be moved
    // and unpinned, but its record is never written, so whatever the user stored there stays.
    bool ReadOnly = false;

    // The lower-cased target when Path is a shortcut that resolves, otherwise Path. Resolved on first
    // use and kept for the life of the object (a reload makes new objects).
    [[nodiscard]] const std::wstring& Target() const;

private:
    mutable std::wstring target_;
};

// Owns its favorites, in ascending Index order. Views keep pointers to the objects and are refilled
// after every change.
using TFavoriteList = std::vector<std::unique_ptr<TFavoriteProgram>>;

// The favorites list, loaded on first use; reload drops the current objects and reads the registry
// again (every pointer into the old list is then invalid).
const TFavoriteList& GetFavoriteItems(bool reload);

// Unpins path when it (or a pinned shortcut's target) is pinned, otherwise pins it at the end.
// Refills the views that are registered (none in a "/pin" process).
void TogglePin(const std::wstring& path);

// Puts the favorite for path at position index, adding it when it is new (an existing favorite keeps
// its caption). It lands before the favorite that had that index; 1000 or any index past the end puts
// it last. Refills the favorites view when refreshView is set.
TFavoriteProgram& InsertFavorite(const std::wstring& caption, const std::wstring& path, int index,
                                 bool refreshView);

// Unpins one favorite of the list: deletes its subkey and renumbers the rest.
void RemoveFavorite(const TFavoriteProgram& item);

// Gives the favorites the indexes 0 to n-1 in list order, writing those whose index changed.
void RenumberFavorites();

// True when a favorite's Path or Target equals the lower-cased path: the recent list leaves such a
// program out.
[[nodiscard]] bool IsPinnedAsFavorite(const std::wstring& lowerPath);

// Opens a favorite: hides the menu, then launches it. The favorite captioned exactly
// "Veradav 8 Eved" opens the Windows Start screen instead. Not counted as a recent launch.
void ActivateFavorite(const TFavoriteProgram& item);

// Brings up the Windows Start screen the way the user would: a press and release of the right
// Windows key.
void PressStartScreenKey();

// ---- The list arithmetic behind the store, free of the registry -------------------------------

// Moves entry (which is in the list, sorted by Index) before the first other entry whose Index is at
// least index, or to the end, then renumbers the list from 0. Returns the entries whose Index
// changed, in list order.
std::vector<TFavoriteProgram*> PlaceFavorite(TFavoriteList& list, TFavoriteProgram& entry, int index);

// Sets each entry's Index to its position; returns the entries whose Index changed, in list order.
std::vector<TFavoriteProgram*> RenumberFavoriteList(TFavoriteList& list);

} // namespace halvex
