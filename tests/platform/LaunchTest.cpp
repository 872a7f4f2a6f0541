// LaunchItem and LaunchIdList start a real program, LaunchMarker.exe, which records its process id
// and command line; each test waits for that record and then for the process to end.

#include "platform/Utils.h"

#include "Support.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>

using namespace halvex;
using namespace platform_test;

namespace {

struct RecordedRun {
    DWORD processId = 0;
    std::wstring commandLine;
};

std::vector<RecordedRun> ReadRuns(const std::wstring& recordPath)
{
    std::vector<RecordedRun> runs;
    HANDLE file = ::CreateFileW(recordPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return runs;
    std::wstring content;
    wchar_t buffer[512];
    DWORD read = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        content.append(buffer, read / sizeof(wchar_t));
    ::CloseHandle(file);
    std::wistringstream lines(content);
    for (std::wstring line; std::getline(lines, line);) {
        const size_t tab = line.find(L'\t');
        if (tab != std::wstring::npos)
            runs.push_back({static_cast<DWORD>(std::stoul(line.substr(0, tab))), line.substr(tab + 1)});
    }
    return runs;
}

class Launch : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(com.ok());
        marker = folder / L"Program Files\\Märker App\\LaunchMarker.exe";
        ASSERT_TRUE(CopyTo(BesideTestExecutable(L"LaunchMarker.exe"), marker));
    }

    // The one run of the program the launch caused, once the program has recorded it and ended.
    std::optional<RecordedRun> AwaitSingleRun(const std::wstring& program) const
    {
        std::vector<RecordedRun> runs;
        const bool recorded = WaitFor([&] { return !(runs = ReadRuns(program + L".ran")).empty(); });
        EXPECT_TRUE(recorded) << "the program did not run";
        if (!recorded)
            return std::nullopt;
        EXPECT_EQ(runs.size(), 1u);
        // The record is written just before the program ends; make sure it did, so nothing started
        // here outlives the test.
        if (HANDLE process = ::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, runs[0].processId)) {
            if (::WaitForSingleObject(process, 20000) != WAIT_OBJECT_0) {
                ::TerminateProcess(process, 1);
                ADD_FAILURE() << "the launched program did not end";
            }
            ::CloseHandle(process);
        }
        return runs[0];
    }

    ComInit com;
    ScratchFolder folder{L"launch"};
    std::wstring marker;
};

} // namespace

TEST_F(Launch, LaunchItemOpensAProgramByItsPath)
{
    LaunchItem(marker);
    const auto run = AwaitSingleRun(marker);
    ASSERT_TRUE(run);
    EXPECT_NE(run->commandLine.find(L"LaunchMarker.exe"), std::wstring::npos) << testing::PrintToString(run->commandLine);
}

TEST_F(Launch, LaunchItemOfAShortcutPassesTheShortcutsOwnArguments)
{
    const std::wstring link = folder / L"Start Menu\\Marker.lnk";
    ASSERT_TRUE(MakeShortcut(link, marker, L"--from-shortcut \"two words\""));

    LaunchItem(link);

    const auto run = AwaitSingleRun(marker);
    ASSERT_TRUE(run);
    EXPECT_NE(run->commandLine.find(L"--from-shortcut \"two words\""), std::wstring::npos)
        << testing::PrintToString(run->commandLine);
}

TEST_F(Launch, LaunchItemHandsWhatTheShellCannotParseToShellExecute)
{
    // A bare file name: no shell item, but ShellExecuteW finds it in the current directory. The name
    // is one of its own, so that no other copy on the search path answers instead.
    const std::wstring program = folder / L"Current\\HalvexBareMarker.exe";
    ASSERT_TRUE(CopyTo(marker, program));
    wchar_t previous[MAX_PATH + 1] = {};
    ::GetCurrentDirectoryW(MAX_PATH + 1, previous);
    ASSERT_TRUE(::SetCurrentDirectoryW((folder.path() + L"\\Current").c_str()));
    {
        UniquePidl parsed;
        SFGAOF attributes = 0;
        EXPECT_TRUE(FAILED(::SHParseDisplayName(L"HalvexBareMarker.exe", nullptr, parsed.put(), 0, &attributes)))
            << "the shell parses a bare name here; this test does not reach the fallback";

        LaunchItem(L"HalvexBareMarker.exe");
    }
    ::SetCurrentDirectoryW(previous);
    EXPECT_TRUE(AwaitSingleRun(program));
}

TEST_F(Launch, LaunchIdListReportsTheShellAcceptingTheRequest)
{
    UniquePidl idList;
    SFGAOF attributes = 0;
    ASSERT_EQ(::SHParseDisplayName(marker.c_str(), nullptr, idList.put(), 0, &attributes), S_OK);

    EXPECT_TRUE(LaunchIdList(idList.get()));
    EXPECT_TRUE(AwaitSingleRun(marker));
}
