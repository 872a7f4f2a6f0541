#include "catalog/FavoriteItems.h"

namespace halvex {

// Placeholder until the favorites store lands: the store replaces this file.
void TogglePin(const std::wstring&) {}

} // namespace halvex
