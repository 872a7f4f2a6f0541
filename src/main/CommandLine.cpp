#include "main/CommandLine.h"

namespace halvex {

ProgramMode SelectMode(const std::vector<std::wstring>& arguments)
{
    if (arguments.empty())
        return ProgramMode::Resident;
    const std::wstring& first = arguments.front();
    if (first == L"/install")
        return ProgramMode::Install;
    if (first == L"/uninstall")
        return ProgramMode::Uninstall;
    if (first == L"/pin")
        return ProgramMode::Pin;
    if (first == L"/metro")
        return ProgramMode::Metro;
    if (first == L"/reminder")
        return ProgramMode::Reminder;
    if (first == L"/startup")
        return ProgramMode::Startup;
    return ProgramMode::Resident;
}

std::wstring RejoinPinPath(const std::vector<std::wstring>& arguments)
{
    std::wstring path;
    for (size_t i = 1; i < arguments.size(); ++i) {
        path += L' ';
        path += arguments[i];
    }
    auto isTrimmed = [](wchar_t c) { return c <= L' '; };
    size_t begin = 0, end = path.size();
    while (begin < end && isTrimmed(path[begin]))
        ++begin;
    while (end > begin && isTrimmed(path[end - 1]))
        --end;
    return path.substr(begin, end - begin);
}

} // namespace halvex
