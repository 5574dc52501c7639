// The application list against the real registry and a real list-view control.
#include "harness.h"
#include "../app/hidden_list.h"
#include "../app/state.h"
#include "../platform/platform.h"
#include "../ui/app_list.h"
#include <commctrl.h>

class AppListTest : public AppTest
{
  protected:
    void SetUp() override
    {
        AppTest::SetUp();
        list_ = CreateWindowExW(0, WC_LISTVIEWW, L"",
                                WS_POPUP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                                    LVS_NOCOLUMNHEADER,
                                0, 0, 240, 300, NULL, NULL, NULL, NULL);
        ASSERT_NE((HWND)NULL, list_);
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Security\\AppInstall", 0,
                                               APP_KEY_ACCESS, &key_));
    }
    void TearDown() override
    {
        ClearAppList(list_);
        DestroyWindow(list_);
        RegCloseKey(key_);
        AppTest::TearDown();
    }
    std::vector<std::wstring> Refresh()
    {
        RefreshAppList(key_, list_);
        return ListRows(list_);
    }
    void AddNamed(std::initializer_list<const wchar_t *> names)
    {
        for (const wchar_t *name : names)
            AddRecord(name, L"C:\\Program Files\\x", NULL);
    }
    void AddWithClass(const std::wstring &name, const wchar_t *cls)
    {
        HKEY k;
        std::wstring path = L"Security\\AppInstall\\" + name;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, (LPWSTR)cls,
                                                 0, KEY_ALL_ACCESS, NULL, &k, NULL));
        RegCloseKey(k);
    }
    HWND list_ = NULL;
    HKEY key_ = NULL;
};

TEST_F(AppListTest, EmptyKeyGivesEmptyList)
{
    EXPECT_TRUE(Refresh().empty());
}

TEST_F(AppListTest, SortsByCodeUnitsCaseSensitively)
{
    static const struct {
        int line;
        std::vector<const wchar_t *> names;
        std::vector<std::wstring> rows;
    } cases[] = {
        {__LINE__, {L"beta", L"Alpha"}, {L"Alpha", L"beta"}},
        {__LINE__, {L"alpha", L"Beta"}, {L"Beta", L"alpha"}},
        {__LINE__, {L"Game", L"Gam", L"Games"}, {L"Gam", L"Game", L"Games"}},
        {__LINE__, {L"zeta", L"_under", L"Yeti", L"1st"}, {L"1st", L"Yeti", L"_under", L"zeta"}},
        {__LINE__, {L"\x00c9t\x00e9", L"Ete", L"ezra"}, {L"Ete", L"ezra", L"\x00c9t\x00e9"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "case at line " << c.line);
        for (const wchar_t *name : c.names)
            AddRecord(name, NULL, NULL);
        EXPECT_EQ(c.rows, Refresh());
        for (const wchar_t *name : c.names)
            RegDeleteKeyW(key_, name);
    }
}

TEST_F(AppListTest, HiddenNamesAreLeftOutAndOthersStay)
{
    // Registry names ignore case, the hidden list does not: "notes" hides nothing.
    AddNamed({L"Solitaire", L"Notes", L"Zip", L"Calc"});
    WriteBytes(Path(L"Hide.txt"), "Solitaire\r\nnotes\nZi\nCalc\n");
    LoadHiddenList(Path(L"Hide.txt").c_str());
    EXPECT_EQ((std::vector<std::wstring>{L"Notes", L"Zip"}), Refresh());
}

TEST_F(AppListTest, RecordsWhoseNameOrClassDoesNotFitAreSkippedNotTheEnd)
{
    AddNamed({L"Alpha", L"Mid", L"Zulu"});
    AddRecord(std::wstring(100, L'L'), NULL, NULL);
    AddRecord(std::wstring(99, L'M'), NULL, NULL);
    AddWithClass(L"Classy", L"a class name of 25 units");
    AddWithClass(L"Plain", L"short");
    std::vector<std::wstring> rows = Refresh();
    EXPECT_EQ(
        (std::vector<std::wstring>{L"Alpha", std::wstring(99, L'M'), L"Mid", L"Plain", L"Zulu"}),
        rows);
}

TEST_F(AppListTest, RefreshTwiceGivesSameRowsWithMarkOnFirstAndNothingSelected)
{
    AddNamed({L"b", L"a", L"C"});
    std::vector<std::wstring> first = Refresh();
    std::vector<std::wstring> second = Refresh();
    EXPECT_EQ((std::vector<std::wstring>{L"C", L"a", L"b"}), first);
    EXPECT_EQ(first, second);
    EXPECT_EQ(0, SendMessageW(list_, LVM_GETSELECTIONMARK, 0, 0));
    EXPECT_EQ(0, SendMessageW(list_, LVM_GETSELECTEDCOUNT, 0, 0));
    EXPECT_EQ(APPLIST_COLUMN_WIDTH, SendMessageW(list_, LVM_GETCOLUMNWIDTH, 0, 0));
    EXPECT_EQ(0, SendMessageW(list_, LVM_GETCOLUMNWIDTH, 1, 0)) << "one column only";
}

TEST_F(AppListTest, RefreshShowsRecordsAddedAndDropsRecordsGone)
{
    AddNamed({L"Old", L"Stays"});
    Refresh();
    RegDeleteKeyW(key_, L"Old");
    AddNamed({L"New"});
    EXPECT_EQ((std::vector<std::wstring>{L"New", L"Stays"}), Refresh());
}

TEST_F(AppListTest, KeyDeletedUnderTheListEndsTheListing)
{
    AddNamed({L"One", L"Two"});
    EXPECT_EQ(2u, Refresh().size());
    DeleteAppInstallKey();
    EXPECT_TRUE(Refresh().empty());
}

TEST_F(AppListTest, EachRowOwnsACopyThatClearReleases)
{
    if (HeapChecking())
        GTEST_SKIP() << "while Wine checks the heap, freed blocks stay busy for a while; "
                        "the plain run counts them";
    int before = HeapBlocks(APPNAME_CCH * sizeof(WCHAR));
    AddNamed({L"One", L"Two", L"Three", L"Four"});
    Refresh();
    EXPECT_EQ(before + 4, HeapBlocks(APPNAME_CCH * sizeof(WCHAR)));
    Refresh();
    EXPECT_EQ(before + 4, HeapBlocks(APPNAME_CCH * sizeof(WCHAR)));

    LVITEMW item;
    ZeroMemory(&item, sizeof(item));
    item.mask = LVIF_PARAM;
    item.iItem = 0;
    SendMessageW(list_, LVM_GETITEMW, 0, (LPARAM)&item);
    EXPECT_STREQ(L"Four", (LPCWSTR)item.lParam);

    ClearAppList(list_);
    EXPECT_EQ(0, SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
    EXPECT_EQ(before, HeapBlocks(APPNAME_CCH * sizeof(WCHAR)));
}

TEST(CompareAppNames, PlainCodeUnitOrder)
{
    static const struct {
        int line;
        const wchar_t *a, *b;
        int expected;
    } cases[] = {
        {__LINE__, L"Alpha", L"beta", -1}, {__LINE__, L"beta", L"Alpha", 1},
        {__LINE__, L"alpha", L"Beta", 1},  {__LINE__, L"same", L"same", 0},
        {__LINE__, L"pre", L"prefix", -1}, {__LINE__, L"prefix", L"pre", 1},
        {__LINE__, L"", L"a", -1},         {__LINE__, L"\xffff", L"a", 1},
        {__LINE__, L"Z", L"a", -1},
    };
    for (const auto &c : cases) {
        WCHAR a[APPNAME_CCH] = {0}, b[APPNAME_CCH] = {0};
        lstrcpyW(a, c.a);
        lstrcpyW(b, c.b);
        EXPECT_EQ(c.expected, CompareAppNames((LPARAM)a, (LPARAM)b, 0)) << "line " << c.line;
    }
}
