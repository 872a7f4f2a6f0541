#include "catalog/CatalogViews.h"

#include <utility>

namespace halvex {

namespace {

// Written and read on the UI thread only.
CatalogViewCallbacks& Registered()
{
    static CatalogViewCallbacks callbacks;
    return callbacks;
}

// A copy is called, so that a callback may replace the registration while it runs.
void CallIfSet(std::function<void()> callback)
{
    if (callback)
        callback();
}

} // namespace

void SetCatalogViewCallbacks(CatalogViewCallbacks callbacks) { Registered() = std::move(callbacks); }

void FillFavoritesView() { CallIfSet(Registered().FillFavorites); }
void FillRecentView() { CallIfSet(Registered().FillRecent); }
void HideMenuView() { CallIfSet(Registered().HideMenu); }

} // namespace halvex
