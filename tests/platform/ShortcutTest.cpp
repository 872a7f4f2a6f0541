// XFile::GetShortcutPath against real shortcut files made through IShellLinkW.

#include "platform/Utils.h"

#include "Support.h"

#include <gtest/gtest.h>

#include <thread>

using namespace halvex;
using namespace platform_test;

namespace {

class ShortcutPath : public testing::Test {
protected:
    ComInit com;
    ScratchFolder folder{L"shortcuts"};
};

} // namespace

TEST_F(ShortcutPath, ResolvesOrFallsBackToTheInputPath)
{
    ASSERT_TRUE(com.ok());
    const std::wstring target = folder / L"Target Folder\\My Program.exe";
    const std::wstring foreignTarget = folder / L"Программы\\Ärger.txt";
    WriteBytes(target, "MZ");
    WriteBytes(foreignTarget, "text");
    ASSERT_TRUE(MakeShortcut(folder / L"valid.lnk", target));
    ASSERT_TRUE(MakeShortcut(folder / L"foreign.lnk", foreignTarget));
    ASSERT_TRUE(MakeShortcut(folder / L"to folder.lnk", folder.path() + L"\\Target Folder"));

    // A shortcut file cut short and one that is no shortcut at all, both named like shortcuts.
    WriteBytes(folder / L"corrupt.lnk", std::string("\x4C\0\0\0\x01\x14\x02\0", 8) + "broken");
    WriteBytes(folder / L"text.lnk", "just some text, not a shell link");
    WriteBytes(folder / L"notes.txt", "notes");

    const std::wstring input = L"<input>";  // stands for "the path passed in"
    const struct {
        const char* what;
        std::wstring path, expected;
    } cases[] = {
        {"target with spaces", folder / L"valid.lnk", target},
        {"target outside ASCII", folder / L"foreign.lnk", foreignTarget},
        {"target is a folder", folder / L"to folder.lnk", folder.path() + L"\\Target Folder"},
        {"corrupt shortcut", folder / L"corrupt.lnk", input},
        {"text named .lnk", folder / L"text.lnk", input},
        {"not a shortcut", folder / L"notes.txt", input},
        {"missing file", folder / L"missing.lnk", input},
        {"a folder", folder.path(), input},
        {"empty path", L"", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(XFile::GetShortcutPath(c.path), c.expected == input ? c.path : c.expected) << c.what;
}

TEST_F(ShortcutPath, ShortcutToAnItemOutsideTheFileSystemGivesEmpty)
{
    UniquePidl controlPanel;
    ASSERT_EQ(::SHGetSpecialFolderLocation(nullptr, CSIDL_CONTROLS, controlPanel.put()), S_OK);
    const std::wstring link = folder / L"control panel.lnk";
    ASSERT_TRUE(MakeShortcut(link, controlPanel.get()));

    EXPECT_EQ(XFile::GetShortcutPath(link), L"");
}

TEST_F(ShortcutPath, WithoutComTheInputPathComesBack)
{
    const std::wstring link = folder / L"valid.lnk";
    ASSERT_TRUE(MakeShortcut(link, folder / L"target.exe"));

    // A thread that never initialised COM cannot create the shell link object.
    std::wstring resolved;
    std::thread([&] { resolved = XFile::GetShortcutPath(link); }).join();
    EXPECT_EQ(resolved, link);
}
