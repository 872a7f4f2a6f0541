// The recent-programs store against a scratch HKEY_CURRENT_USER and real files.

#include "CatalogTesting.h"
#include "E2E.h"

#include "catalog/RecentItems.h"
#include "catalog/StoreRegistry.h"
#include "platform/Handles.h"
#include "platform/Utils.h"

#include <gtest/gtest.h>

#include <oleauto.h>

#include <cstring>
#include <map>

using namespace halvex;
using namespace catalog_testing;
using e2e::RegistryKey;

namespace {

TEST(RecentDates, DaysSince1899)
{
    struct Case {
        SYSTEMTIME time;  // year, month, day of week, day, hour, minute, second, ms
        double days;
    };
    const Case cases[] = {
        {{1899, 12, 0, 30, 0, 0, 0, 0}, 0.0},
        {{1899, 12, 0, 31, 6, 0, 0, 0}, 1.25},
        {{1900, 1, 0, 1, 18, 0, 0, 0}, 2.75},
        {{2000, 1, 0, 1, 0, 0, 0, 0}, 36526.0},
        {{2024, 2, 0, 29, 12, 0, 0, 500}, 45351.5 + 0.5 / 86400.0},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(ToDaysSince1899(c.time), c.days) << c.time.wYear << "-" << c.time.wMonth << "-" << c.time.wDay;
        // The platform's own conversion agrees (it works in whole seconds).
        SYSTEMTIME whole = c.time;
        whole.wMilliseconds = 0;
        double variant = 0;
        ASSERT_TRUE(::SystemTimeToVariantTime(&whole, &variant));
        EXPECT_NEAR(ToDaysSince1899(c.time), variant, 1.0 / 86400.0);
    }
}

RegistryKey RecentRecord(const std::wstring& keyName)
{
    return RegistryKey(HKEY_CURRENT_USER, std::wstring(RecentKeyPath) + L"\\" + keyName);
}

RegistryKey RecentRoot() { return RegistryKey(HKEY_CURRENT_USER, RecentKeyPath); }

std::wstring Seed(const std::wstring& caption, const std::wstring& path, DWORD count, double lastStart = 45000.5)
{
    const std::wstring lower = LowerCase(path);
    const std::wstring name = PathToKeyName(lower);
    RegistryKey record = RecentRecord(name);
    record.SetString(L"Caption", caption);
    record.SetString(L"Path", lower);
    std::vector<BYTE> bytes(sizeof(double));
    std::memcpy(bytes.data(), &lastStart, sizeof(double));
    record.SetBinary(L"LastStart", bytes);
    record.SetDword(L"StartCount", count);
    return name;
}

std::optional<double> StoredLastStart(const RegistryKey& record)
{
    const auto bytes = record.GetBinary(L"LastStart");
    if (!bytes || bytes->size() != sizeof(double))
        return std::nullopt;
    double value = 0;
    std::memcpy(&value, bytes->data(), sizeof(double));
    return value;
}

double Now()
{
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    now.wMilliseconds = 0;
    double variant = 0;
    ::SystemTimeToVariantTime(&now, &variant);
    return variant;
}

std::wstring Captions(const TRecentList& list)
{
    std::wstring captions;
    for (const auto& item : list)
        captions += (captions.empty() ? L"" : L" ") + item->Caption;
    return captions;
}

class RecentStore : public ::testing::Test {
protected:
    void SetUp() override { GetRecentItems(true); }

    // A real file in the scratch folder; its path.
    std::wstring File(const std::wstring& name)
    {
        const std::wstring path = files / name;
        TouchFile(path);
        return path;
    }

    RedirectedHkcu hkcu;
    ComInit com;
    ScratchFolder files{L"recent"};
    RecordedViews views;
};

TEST_F(RecentStore, EachLaunchRaisesTheCountAndStampsTheLocalTime)
{
    EXPECT_FALSE(RecentRoot().Exists());
    const std::wstring program = File(L"Editor.lnk");
    const RegistryKey record = RecentRecord(PathToKeyName(LowerCase(program)));

    const double before = Now();
    RecordLaunch(L"Editor", program);
    const double after = Now();

    EXPECT_EQ(record.GetString(L"Caption"), L"Editor");
    EXPECT_EQ(record.GetString(L"Path"), LowerCase(program));
    EXPECT_EQ(record.GetDword(L"StartCount"), 1u);
    const auto first = StoredLastStart(record);
    ASSERT_TRUE(first) << "LastStart is not 8 bytes of REG_BINARY";
    EXPECT_GE(*first, before);
    EXPECT_LE(*first, after + 1.0 / 86400.0);
    EXPECT_EQ(views.calls, std::vector<std::string>{"FillRecent"});

    // The stamps carry milliseconds: once the clock has moved on, the second launch must show it.
    ASSERT_TRUE(e2e::WaitFor([&] {
        SYSTEMTIME now;
        ::GetLocalTime(&now);
        return ToDaysSince1899(now) > *first;
    }));
    RecordLaunch(L"Editor", program);
    EXPECT_EQ(record.GetDword(L"StartCount"), 2u);
    ASSERT_TRUE(StoredLastStart(record));
    EXPECT_GT(*StoredLastStart(record), *first);
    ASSERT_EQ(GetRecentItems(false).size(), 1u);
    EXPECT_EQ(GetRecentItems(false)[0]->StartCount, 2);
}

TEST_F(RecentStore, OnePathInAnyCaseIsOneRecordThatKeepsItsFirstCaption)
{
    RecordLaunch(L"App", L"C:\\Tools\\App.lnk");
    RecordLaunch(L"Another caption", L"c:\\tools\\app.lnk");

    EXPECT_EQ(RecentRoot().SubKeys(), std::vector<std::wstring>{L"c:/tools/app.lnk"});
    const RegistryKey record = RecentRecord(L"c:/tools/app.lnk");
    EXPECT_EQ(record.GetDword(L"StartCount"), 2u);
    EXPECT_EQ(record.GetString(L"Caption"), L"App");
    EXPECT_EQ(record.GetString(L"Path"), L"c:\\tools\\app.lnk");
}

TEST_F(RecentStore, TheListRanksByCountAndKeepsOnlyExistingFiles)
{
    Seed(L"Five", File(L"five.lnk"), 5);
    Seed(L"Nine", File(L"nine.lnk"), 9);
    Seed(L"Two", File(L"two.lnk"), 2);
    const std::wstring gone = Seed(L"Gone", files / L"gone.lnk", 20);
    MakeFolder(files / L"Folder");
    Seed(L"Folder", files / L"Folder", 30);
    const auto goneBefore = RawRecord(std::wstring(RecentKeyPath) + L"\\" + gone);

    const TRecentList& list = GetRecentItems(true);

    EXPECT_EQ(Captions(list), L"Nine Five Two");
    EXPECT_EQ(RawRecord(std::wstring(RecentKeyPath) + L"\\" + gone), goneBefore) << "the record of a missing program changed";
    EXPECT_EQ(&GetRecentItems(false), &list);

    RecordLaunch(L"Two", files / L"two.lnk");
    RecordLaunch(L"Two", files / L"two.lnk");
    RecordLaunch(L"Two", files / L"two.lnk");
    RecordLaunch(L"Two", files / L"two.lnk");
    EXPECT_EQ(Captions(GetRecentItems(false)), L"Nine Two Five") << "a launch did not re-sort the list";
}

TEST_F(RecentStore, AProgramMissingAtLoadContinuesItsStoredCount)
{
    const std::wstring program = files / L"OnAStick.lnk";
    const std::wstring name = Seed(L"On a stick", program, 7);
    EXPECT_TRUE(GetRecentItems(true).empty()) << "the missing program was listed";

    TouchFile(program);  // the drive is back
    RecordLaunch(L"OnAStick", program);

    EXPECT_EQ(RecentRecord(name).GetDword(L"StartCount"), 8u);
    EXPECT_EQ(RecentRecord(name).GetString(L"Caption"), L"On a stick");
    ASSERT_EQ(GetRecentItems(false).size(), 1u);
    EXPECT_EQ(GetRecentItems(false)[0]->StartCount, 8);
}

// A record with a value this program cannot read is the user's all the same: the others load, and
// nothing in it is rewritten, not even when its own program is launched again.
struct DamagedCase {
    const char* name;
    std::function<void(const RegistryKey&)> damage;
    std::wstring listed;  // the programs listed after loading
};

TEST_F(RecentStore, ARecordThatCannotBeReadIsNeverOverwritten)
{
    const DamagedCase cases[] = {
        {"StartCount of type REG_SZ", [](const RegistryKey& r) { r.SetString(L"StartCount", L"12"); }, L"A B X"},
        {"LastStart of 3 bytes", [](const RegistryKey& r) { r.SetBinary(L"LastStart", {1, 2, 3}); }, L"X A B"},
        {"LastStart of type REG_DWORD", [](const RegistryKey& r) { r.SetDword(L"LastStart", 1); }, L"X A B"},
        {"Path of type REG_DWORD", [](const RegistryKey& r) { r.SetDword(L"Path", 1); }, L"A B"},
        {"Caption of type REG_DWORD", [](const RegistryKey& r) { r.SetDword(L"Caption", 1); }, L"x A B"},
    };
    for (const DamagedCase& c : cases) {
        SCOPED_TRACE(c.name);
        RecentRoot().Delete();
        Seed(L"A", File(L"a.lnk"), 4);
        Seed(L"B", File(L"b.lnk"), 3);
        const std::wstring damaged = Seed(L"X", File(L"x.lnk"), 10);
        c.damage(RecentRecord(damaged));
        const auto before = RawRecord(std::wstring(RecentKeyPath) + L"\\" + damaged);

        EXPECT_EQ(Captions(GetRecentItems(true)), c.listed);
        RecordLaunch(L"A", files / L"a.lnk");
        RecordLaunch(L"X", files / L"x.lnk");
        RecordLaunch(L"X", files / L"X.LNK");

        EXPECT_EQ(RawRecord(std::wstring(RecentKeyPath) + L"\\" + damaged), before);
        EXPECT_EQ(RecentRecord(PathToKeyName(LowerCase(files / L"a.lnk"))).GetDword(L"StartCount"), 5u);
        EXPECT_EQ(RecentRoot().SubKeys().size(), 3u);
    }
}

TEST_F(RecentStore, MissingValuesReadAsEmptyAndAreFilledIn)
{
    const std::wstring program = File(L"Sparse.lnk");
    const std::wstring name = PathToKeyName(LowerCase(program));
    RecentRecord(name).SetString(L"Path", LowerCase(program));
    RecentRecord(name).SetDword(L"StartCount", 3);

    const TRecentList& list = GetRecentItems(true);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]->Caption, L"sparse") << "a missing caption gets one made from the (lower-cased) path";
    EXPECT_EQ(list[0]->LastStart, 0.0);

    RecordLaunch(L"Sparse", program);
    EXPECT_EQ(RecentRecord(name).GetDword(L"StartCount"), 4u);
    EXPECT_TRUE(StoredLastStart(RecentRecord(name)));
    EXPECT_EQ(RecentRecord(name).GetString(L"Caption"), L"sparse");
}

TEST_F(RecentStore, ActivateHidesTheMenuLaunchesAndThenCounts)
{
    const std::wstring program = files / L"Tool.exe";
    ASSERT_TRUE(e2e::PlaceRecordRun(program));
    const std::wstring name = Seed(L"Tool", program, 1);
    const TRecentList& list = GetRecentItems(true);
    ASSERT_EQ(list.size(), 1u);
    std::optional<DWORD> countAtHide;
    views.onHide = [&] { countAtHide = RecentRecord(name).GetDword(L"StartCount"); };

    ActivateRecentProgram(*list[0]);

    EXPECT_EQ(views.calls, (std::vector<std::string>{"HideMenu", "FillRecent"}));
    EXPECT_EQ(countAtHide, 1u) << "the launch was counted before the menu was hidden";
    EXPECT_EQ(RecentRecord(name).GetDword(L"StartCount"), 2u);
    EXPECT_TRUE(e2e::WaitFor([&] { return e2e::RecordedRuns(program).size() == 1; })) << "the program did not run";
}

} // namespace
