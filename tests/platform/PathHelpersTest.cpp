// The string helpers for paths and registry key names, at their edges.

#include "platform/Utils.h"

#include <gtest/gtest.h>

#include <string>

using namespace halvex;

TEST(PathHelpers, AddTrailingBackslash)
{
    const struct {
        std::wstring path, expected;
    } cases[] = {
        {L"", L""},                          // an empty path stays empty: no root "\" invented
        {L"C:\\Users", L"C:\\Users\\"},
        {L"C:\\Users\\", L"C:\\Users\\"},    // never doubled
        {L"\\", L"\\"},
        {L"C:\\Users/", L"C:\\Users/\\"},    // only a backslash counts as one
    };
    for (const auto& c : cases) {
        std::wstring path = c.path;
        AddTrailingBackslash(path);
        EXPECT_EQ(path, c.expected) << "path: " << testing::PrintToString(c.path);
    }
}

TEST(PathHelpers, DropLastChars)
{
    const struct {
        std::wstring text;
        int count;
        std::wstring expected;
    } cases[] = {
        {L"abc", 4, L""},                  // shorter than the count
        {L"abc", 3, L""},
        {L"abc", 0, L"abc"},
        {L"abc", -2, L"abc"},
        {L"", 4, L""},
        {L"Notepad.lnk", 4, L"Notepad"},   // the use: a caption without ".lnk"
        {L"Ünïcödé.url", 4, L"Ünïcödé"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DropLastChars(c.text, c.count), c.expected)
            << testing::PrintToString(c.text) << " minus " << c.count;
}

TEST(PathHelpers, PathToKeyName)
{
    const struct {
        std::wstring path, expected;
    } cases[] = {
        {L"c:\\users\\a\\start menu\\x.lnk", L"c:/users/a/start menu/x.lnk"},
        {L"\\\\server\\share\\x.exe", L"//server/share/x.exe"},
        {L"already/slashed", L"already/slashed"},
        {L"", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PathToKeyName(c.path), c.expected);
}

TEST(PathHelpers, LowerCaseIsThePlatformsLowerCasing)
{
    const struct {
        std::wstring text, expected;
    } cases[] = {
        {L"C:\\Program Files\\App\\APP.EXE", L"c:\\program files\\app\\app.exe"},
        {L"C:\\ÄÖÜ\\ПРОГРАММА.LNK", L"c:\\äöü\\программа.lnk"},  // beyond ASCII, as CharLowerBuffW does
        {L"", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LowerCase(c.text), c.expected);
}
