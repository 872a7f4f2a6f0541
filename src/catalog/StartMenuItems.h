#pragma once

// The "All Programs" tree: one merged, sorted tree of the current user's and the all-users Start Menu
// "Programs" folders. It is built from scratch shortly after start-up and again after every change in
// either folder; it is replaced, never edited.
//
// UI thread only; no locking.

#include <memory>
#include <string>
#include <vector>

namespace halvex {

struct TStartMenuItem;

// Owns its entries: files first, then folders, each kind by caption in the user's collation.
using TStartMenuList = std::vector<std::unique_ptr<TStartMenuItem>>;

// One file or folder found in one of the two roots; when both roots hold an entry of the same kind
// and caption (compared lower-cased), the user's wins and a folder shows the contents of both.
struct TStartMenuItem {
    std::wstring Caption;    // the shell's display name (the file name when it has none), without ".lnk"/".url"
    std::wstring FileName;   // the name in its folder, extension included
    std::wstring FullPath;   // root + relative folder + FileName; no trailing backslash for a folder
    std::wstring LowerPath;  // FullPath lower-cased: the key of the entry's icon
    bool IsFolder = false;
    // Folders only: the folder's entries; none when it yields none (the view then leaves it out).
    std::unique_ptr<TStartMenuList> Children;
};

// The two folders the tree is made of, each with a trailing backslash. A root that is empty (its
// location could not be obtained) contributes nothing; it never stands for the current directory.
struct StartMenuRoots {
    std::wstring User;
    std::wstring Common;
};

// The Programs folders of the current user and of all users, created when missing.
[[nodiscard]] StartMenuRoots GetStartMenuRoots();

// Rebuilds the tree from the Programs folders (or the given roots) and returns it: none when both are
// empty. The previous tree is released here, so the caller must have dropped every reference to it.
TStartMenuList* RescanStartMenu();
TStartMenuList* RescanStartMenu(const StartMenuRoots& roots);

// The entries of one folder level: relativeFolder is empty for the top, otherwise a path relative to
// the roots ending in a backslash. None when the level has no entry. A folder that leads back to one
// of its own ancestors (a junction or symbolic link pointing up the tree) is listed, but not entered
// again.
[[nodiscard]] std::unique_ptr<TStartMenuList> Scan(const StartMenuRoots& roots, const std::wstring& relativeFolder);

// Opens an entry: hides the menu, launches the entry, counts the launch in the recent programs.
void ActivateStartMenuItem(const TStartMenuItem& item);

// The order of an entry list: files before folders, then the caption in the user's locale collation
// (case-sensitive).
[[nodiscard]] bool StartMenuOrder(const TStartMenuItem& a, const TStartMenuItem& b);

} // namespace halvex
