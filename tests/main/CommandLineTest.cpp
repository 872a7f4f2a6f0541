#include "main/CommandLine.h"

#include <gtest/gtest.h>

using namespace halvex;

TEST(SelectMode, ComparesTheFirstArgumentExactlyAndCaseSensitively)
{
    struct Case {
        std::vector<std::wstring> arguments;
        ProgramMode mode;
    };
    const Case cases[] = {
        {{}, ProgramMode::Resident},
        {{L"/install"}, ProgramMode::Install},
        {{L"/uninstall"}, ProgramMode::Uninstall},
        {{L"/pin", L"c:\\a.lnk"}, ProgramMode::Pin},
        {{L"/pin"}, ProgramMode::Pin},
        {{L"/metro"}, ProgramMode::Metro},
        {{L"/reminder"}, ProgramMode::Reminder},
        {{L"/startup"}, ProgramMode::Startup},
        {{L"/INSTALL"}, ProgramMode::Resident},
        {{L"/Pin", L"x"}, ProgramMode::Resident},
        {{L"/install "}, ProgramMode::Resident},
        {{L" /install"}, ProgramMode::Resident},
        {{L"-install"}, ProgramMode::Resident},
        {{L"install"}, ProgramMode::Resident},
        {{L""}, ProgramMode::Resident},
        {{L"c:\\some file.txt"}, ProgramMode::Resident},
        // Only the first argument selects the mode.
        {{L"/startup", L"/install"}, ProgramMode::Startup},
        {{L"x", L"/install"}, ProgramMode::Resident},
    };
    for (const Case& c : cases) {
        std::wstring shown;
        for (const auto& a : c.arguments)
            shown += L"[" + a + L"]";
        EXPECT_EQ(SelectMode(c.arguments), c.mode) << std::string(shown.begin(), shown.end());
    }
}

TEST(RejoinPinPath, JoinsThePiecesTheShellSplitAndTrimsTheEnds)
{
    struct Case {
        std::vector<std::wstring> arguments;
        std::wstring path;
    };
    const Case cases[] = {
        {{L"/pin"}, L""},
        {{L"/pin", L""}, L""},
        {{L"/pin", L"   "}, L""},
        {{L"/pin", L"c:\\tools\\app.lnk"}, L"c:\\tools\\app.lnk"},
        // Explorer passes the path unquoted: a blank splits it.
        {{L"/pin", L"C:\\Users\\Ann\\My", L"App.lnk"}, L"C:\\Users\\Ann\\My App.lnk"},
        {{L"/pin", L"C:\\A", L"B", L"C.lnk"}, L"C:\\A B C.lnk"},
        // The shell splits "C:\two  blanks.lnk" at its run of blanks into two pieces: one blank comes back.
        {{L"/pin", L"C:\\two", L"blanks.lnk"}, L"C:\\two blanks.lnk"},
        // An empty piece still counts as one.
        {{L"/pin", L"C:\\a", L"", L"b.lnk"}, L"C:\\a  b.lnk"},
        // A quoted path arrives whole.
        {{L"/pin", L"C:\\Program Files\\x.lnk"}, L"C:\\Program Files\\x.lnk"},
        // White space and control characters at the ends go; those inside stay.
        {{L"/pin", L"\t C:\\x.lnk\r\n"}, L"C:\\x.lnk"},
        {{L"/pin", L"\x01" L"C:\\x\ty.lnk\x1f"}, L"C:\\x\ty.lnk"},
        // Letter case is kept: the favorites store lower-cases for identity, the caption keeps it.
        {{L"/pin", L"C:\\Tools\\My", L"Editor.LNK"}, L"C:\\Tools\\My Editor.LNK"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RejoinPinPath(c.arguments), c.path) << std::string(c.path.begin(), c.path.end());
}
