// Details through the real dialog: what the box shows, and that nothing changes.
#include "harness.h"
#include "../app/state.h"
#include "../res/resource.h"
#include <commctrl.h>

class DetailsTest : public AppTest
{
  protected:
    // Sets a file's stored last-write time, in UTC.
    static void SetWriteTime(const std::wstring &path, WORD year, WORD month, WORD day, WORD hour)
    {
        SYSTEMTIME st = {year, month, 0, day, hour, 30, 0, 0};
        FILETIME ft;
        SystemTimeToFileTime(&st, &ft);
        HANDLE file =
            CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, NULL, OPEN_EXISTING, 0, NULL);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        SetFileTime(file, NULL, NULL, &ft);
        CloseHandle(file);
    }
    void InstallThreeKilobytes(const std::wstring &name)
    {
        dir_ = Path(L"Program Files\\" + name);
        MakeDir(dir_);
        for (const wchar_t *file : {L"\\a.exe", L"\\b.dll", L"\\c.dat"})
            MakeFileOfSize(dir_ + file, 1024);
        unload_ = Path(L"AppMgr\\" + name + L".unload");
        MakeDir(Path(L"AppMgr"));
        MakeFileOfSize(unload_, 10);
        SetWriteTime(unload_, 2005, 3, 14, 23);
        AddRecord(name, dir_.c_str(), unload_.c_str());
    }
    void ShowDetails()
    {
        driver_.Run([&](HWND dialog) { DialogDriver::Command(dialog, IDM_DETAILS); });
    }
    std::wstring dir_, unload_;
    DialogDriver driver_;
};

TEST_F(DetailsTest, ShowsPathSizeAndDateUnderTheApplicationsName)
{
    InstallThreeKilobytes(L"Notes");
    ShowDetails();
    ASSERT_EQ(1u, driver_.boxes.size()) << testing::PrintToString(driver_.boxes);
    EXPECT_BOX(driver_.boxes[0],
               L"Install path: \"" + dir_ + L"\"\nSize: 3KB\nInstall date: 2005/03/14", L"Notes",
               MB_ICONINFORMATION);
}

TEST_F(DetailsTest, DateIsTheStoredOneNotShiftedToLocalTime)
{
    InstallThreeKilobytes(L"Notes");
    // Make sure this machine's zone would move 23:30 UTC to another day.
    FILETIME utc, local;
    SYSTEMTIME st = {2005, 3, 0, 14, 23, 30, 0, 0}, shifted;
    SystemTimeToFileTime(&st, &utc);
    FileTimeToLocalFileTime(&utc, &local);
    FileTimeToSystemTime(&local, &shifted);
    ASSERT_NE(14, shifted.wDay) << "the test runs with TZ set east of UTC";
    ShowDetails();
    ASSERT_EQ(1u, driver_.boxes.size()) << testing::PrintToString(driver_.boxes);
    EXPECT_NE(std::wstring::npos, driver_.boxes[0].text.find(L"Install date: 2005/03/14"));
}

TEST_F(DetailsTest, MissingPiecesReadNotAvailable)
{
    AddRecord(L"NoFolder", Path(L"gone").c_str(), Path(L"gone.unload").c_str());
    MakeDir(Path(L"Empty\\sub"));
    AddRecord(L"OnlyFolders", Path(L"Empty").c_str(), NULL);
    static const struct {
        int line;
        const wchar_t *name;
        const wchar_t *size;
    } cases[] = {
        {__LINE__, L"NoFolder", L"n/a"},
        {__LINE__, L"OnlyFolders", L"n/a"},
    };
    for (const auto &c : cases) {
        driver_.boxes.clear();
        driver_.Run([&](HWND dialog) {
            ASSERT_TRUE(MarkRow(c.name));
            DialogDriver::Command(dialog, IDM_DETAILS);
        });
        ASSERT_EQ(1u, driver_.boxes.size()) << "case at line " << c.line;
        EXPECT_NE(std::wstring::npos, driver_.boxes[0].text.find(std::wstring(L"Size: ") + c.size +
                                                                 L"\nInstall date: n/a"))
            << "case at line " << c.line << ": " << Narrow(driver_.boxes[0].text);
    }
}

TEST_F(DetailsTest, RecordThatCannotBeReadSaysSo)
{
    AddRecord(L"NoInstallDir", NULL, Path(L"x.unload").c_str());
    AddRecord(L"Vanishing", Path(L"v").c_str(), NULL);
    // An install path of 260 units stored without its terminator.
    AddRecord(L"Full", NULL, NULL);
    HKEY full;
    std::wstring path(PATH_CCH, L'p');
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Security\\AppInstall\\Full", 0,
                                           KEY_SET_VALUE, &full));
    RegSetValueExW(full, L"InstallDir", 0, REG_SZ, (const BYTE *)path.c_str(), PATH_CCH * 2);
    RegCloseKey(full);
    driver_.Run([&](HWND dialog) {
        DialogDriver::Command(dialog, IDM_DETAILS); // Full holds the mark
        ASSERT_TRUE(MarkRow(L"NoInstallDir"));
        DialogDriver::Command(dialog, IDM_DETAILS);
        RegDeleteKeyW(g_Main.hAppInstallKey, L"NoInstallDir");
        RegDeleteKeyW(g_Main.hAppInstallKey, L"Vanishing");
        ASSERT_TRUE(MarkRow(L"Vanishing"));
        DialogDriver::Command(dialog, IDM_DETAILS);
    });
    ASSERT_EQ(3u, driver_.boxes.size()) << testing::PrintToString(driver_.boxes);
    for (const ShownBox &box : driver_.boxes)
        EXPECT_BOX(box, L"Could not get details.", L"Remove Apps", MB_ICONERROR);
}

TEST_F(DetailsTest, ChangesNothing)
{
    InstallThreeKilobytes(L"Notes");
    std::vector<std::wstring> before = Snapshot(root_);
    FILETIME written;
    WIN32_FILE_ATTRIBUTE_DATA data;
    GetFileAttributesExW(unload_.c_str(), GetFileExInfoStandard, &data);
    written = data.ftLastWriteTime;
    ShowDetails();
    EXPECT_EQ(before, Snapshot(root_));
    GetFileAttributesExW(unload_.c_str(), GetFileExInfoStandard, &data);
    EXPECT_EQ(0, CompareFileTime(&written, &data.ftLastWriteTime));
    EXPECT_TRUE(RecordExists(L"Notes"));
    EXPECT_EQ(0, driver_.refreshes);
}
