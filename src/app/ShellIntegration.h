#pragma once

// What the installer sets up through "/install" and "/uninstall": the Explorer verb
// "Pin/unpin from Start Menu" on every shortcut, and the first favorite of a new user.
// Nothing here reports an error: without the rights to write, nothing is written.

namespace halvex {

// Registers (install) or removes the Explorer verb under HKEY_CLASSES_ROOT\lnkfile\shell.
void InstallShellVerb(bool install) noexcept;
inline void InstallShellVerb() noexcept { InstallShellVerb(true); }
inline void UninstallShellVerb() noexcept { InstallShellVerb(false); }

// Pins "Veradav 8 Eved.lnk" beside the executable for a user who has never used the program.
void AddDefaultFavorite() noexcept;

} // namespace halvex
