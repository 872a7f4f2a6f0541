#pragma once

// How the stores reach the menu window without knowing it. After a store changes, the lists that
// show it must be refilled, and an activation hides the menu before it launches anything. The menu
// registers these callbacks when its window exists and clears them when the window goes; in a
// process without a menu window (a "/pin" process, a test) nothing is registered and the stores only
// read and write the registry.
//
// UI thread only, like the stores themselves.

#include <functional>

namespace halvex {

struct CatalogViewCallbacks {
    std::function<void()> FillFavorites;  // refill the favorites list from GetFavoriteItems
    std::function<void()> FillRecent;     // refill the recent list from GetRecentItems
    std::function<void()> HideMenu;       // hide the menu before something is launched
};

// Replaces the registered callbacks; an empty member (or SetCatalogViewCallbacks({})) means "nothing
// to call".
void SetCatalogViewCallbacks(CatalogViewCallbacks callbacks);

// Used by the stores: each calls the registered callback, or does nothing when none is registered.
void FillFavoritesView();
void FillRecentView();
void HideMenuView();

} // namespace halvex
