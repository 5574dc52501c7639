// The whole program through its entry point: Hide.txt beside the executable,
// the dialog, and the exit code.
#include "harness.h"
#include "../app/hidden_list.h"
#include "../app/state.h"
#include "../res/resource.h"

class ProgramTest : public AppTest
{
  protected:
    void SetUp() override
    {
        AppTest::SetUp();
        WCHAR exe[MAX_PATH];
        GetModuleFileNameW(NULL, exe, MAX_PATH);
        hidePath_ = exe;
        hidePath_ = hidePath_.substr(0, hidePath_.rfind(L'\\') + 1) + L"Hide.txt";
        DeleteFileW(hidePath_.c_str());
    }
    void TearDown() override
    {
        DeleteFileW(hidePath_.c_str());
        AppTest::TearDown();
    }
    FILETIME WriteTime() const
    {
        WIN32_FILE_ATTRIBUTE_DATA data;
        ZeroMemory(&data, sizeof(data));
        GetFileAttributesExW(hidePath_.c_str(), GetFileExInfoStandard, &data);
        return data.ftLastWriteTime;
    }
    // This program's resources, loaded from a copy whose folder's path is so
    // long that "Hide.txt" no longer fits behind it.
    HINSTANCE LoadFromDeepFolder() const
    {
        std::wstring folder = root_ + L"\\" + std::wstring(120, L'd');
        folder += L"\\" + std::wstring(PATH_CCH - 8 - folder.size(), L'e');
        MakeDir(folder);
        WCHAR exe[MAX_PATH];
        GetModuleFileNameW(NULL, exe, MAX_PATH);
        std::wstring copy = folder + L"\\R.exe";
        EXPECT_TRUE(CopyFileW(exe, copy.c_str(), FALSE));
        HINSTANCE instance = LoadLibraryExW(copy.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
        EXPECT_NE((HINSTANCE)NULL, instance);
        return instance;
    }
    std::wstring hidePath_;
    DialogDriver driver_;
};

TEST_F(ProgramTest, LoadsHideTxtBesideTheProgramAndIgnoresTheCommandLine)
{
    AddRecord(L"Shown", NULL, NULL);
    AddRecord(L"Hidden", NULL, NULL);
    WriteBytes(hidePath_, "Hidden\r\n");
    std::vector<std::wstring> rows;
    EXPECT_EQ(0, driver_.RunProgram([&](HWND) { rows = ListRows(g_Main.hAppList); }));
    EXPECT_EQ((std::vector<std::wstring>{L"Shown"}), rows);
    EXPECT_EQ(0, g_Hidden.count) << "the list is released at the end";
}

TEST_F(ProgramTest, RunThatAddsNothingLeavesHideTxtUntouched)
{
    const std::string original = "\r\n\r\nFirst\r\n\r\nSecond\r\n\n";
    WriteBytes(hidePath_, original);
    FILETIME before = WriteTime();
    Sleep(20);
    EXPECT_EQ(0,
              driver_.RunProgram([&](HWND dialog) { DialogDriver::Command(dialog, IDM_REFRESH); }));
    EXPECT_EQ(original, ReadBytes(hidePath_));
    FILETIME after = WriteTime();
    EXPECT_EQ(0, CompareFileTime(&before, &after));
}

TEST_F(ProgramTest, NoHideTxtAndNothingAddedCreatesNoFile)
{
    EXPECT_EQ(0, driver_.RunProgram([&](HWND) {}));
    EXPECT_FALSE(Exists(hidePath_));
}

TEST_F(ProgramTest, NamesAddedAreWrittenOnceWhenTheWindowHasClosed)
{
    WriteBytes(hidePath_, "Old\r\n");
    EXPECT_EQ(0, driver_.RunProgram([&](HWND) {
        AddHiddenName(L"One");
        EXPECT_EQ("Old\r\n", ReadBytes(hidePath_));
        AddHiddenName(L"Two");
        EXPECT_EQ("Old\r\n", ReadBytes(hidePath_));
    }));
    EXPECT_EQ("Old\nOne\nTwo\n", ReadBytes(hidePath_));
}

TEST_F(ProgramTest, EndingAtStartWritesNothingAndExitsWithZero)
{
    DeleteAppInstallKey();
    WriteBytes(hidePath_, "Kept\r\n");
    EXPECT_EQ(0, driver_.RunProgram([&](HWND) { ADD_FAILURE() << "no dialog expected"; }));
    ASSERT_EQ(1u, driver_.boxes.size()) << testing::PrintToString(driver_.boxes);
    EXPECT_EQ((UINT)MB_ICONERROR, driver_.boxes[0].icon);
    EXPECT_EQ("Kept\r\n", ReadBytes(hidePath_));
    EXPECT_EQ(0, g_Hidden.count);
}

TEST_F(ProgramTest, HiddenApplicationsStayHiddenAfterARestart)
{
    AddRecord(L"Alpha", NULL, NULL);
    AddRecord(L"Beta", NULL, NULL);
    AddRecord(L"Gamma", NULL, NULL);
    WriteBytes(hidePath_, "Old one\r\nOld two\r\n");
    driver_.answers = {IDYES, IDYES};
    EXPECT_EQ(0, driver_.RunProgram([&](HWND dialog) {
        DialogDriver::Command(dialog, IDM_HIDE); // Alpha holds the mark
        EXPECT_EQ("Old one\r\nOld two\r\n", ReadBytes(hidePath_)) << "written only at the end";
        DialogDriver::Command(dialog, IDM_HIDE); // now Beta does
    }));
    EXPECT_EQ("Old one\nOld two\nAlpha\nBeta\n", ReadBytes(hidePath_));

    std::vector<std::wstring> rows;
    EXPECT_EQ(0, driver_.RunProgram([&](HWND) { rows = ListRows(g_Main.hAppList); }));
    EXPECT_EQ((std::vector<std::wstring>{L"Gamma"}), rows);
    EXPECT_TRUE(RecordExists(L"Alpha")) << "hiding deletes nothing";
}

TEST_F(ProgramTest, HidingPastThirtyTwoNamesKeepsThemAll)
{
    std::string file;
    for (int i = 0; i < 32; i++)
        file += "Hidden " + std::to_string(i) + "\n";
    WriteBytes(hidePath_, file);
    AddRecord(L"Thirty-third", NULL, NULL);
    driver_.answers = {IDYES};
    EXPECT_EQ(0, driver_.RunProgram([&](HWND dialog) {
        DialogDriver::Command(dialog, IDM_HIDE);
        EXPECT_TRUE(ListRows(g_Main.hAppList).empty());
    }));
    EXPECT_EQ(file + "Thirty-third\n", ReadBytes(hidePath_));
}

TEST_F(ProgramTest, SaveThatFailsSaysSoOnceTheWindowHasClosedAndKeepsEveryFile)
{
    const std::wstring temp = hidePath_ + L".new";
    HANDLE held = INVALID_HANDLE_VALUE;
    auto hold = [&](const std::wstring &path, DWORD share) {
        held = CreateFileW(path.c_str(), GENERIC_READ, share, NULL, OPEN_EXISTING, 0, NULL);
        ASSERT_NE(INVALID_HANDLE_VALUE, held);
    };
    // A file too large to read that a save could still replace.
    auto huge = [&] {
        MakeFileOfSize(hidePath_, (5LL << 30) + 7);
        WIN32_FILE_ATTRIBUTE_DATA data;
        GetFileAttributesExW(hidePath_.c_str(), GetFileExInfoStandard, &data);
        ASSERT_EQ(1u, data.nFileSizeHigh);
    };
    static const struct {
        int line;
        int setUp;
        int failedCheck = 0; // the save's GetFileAttributesW call that fails
        const char *hideAfter = NULL, *newAfter = "<missing>"; // when not as they were
    } cases[] = {
        {__LINE__, 0}, // Hide.txt read-only
        {__LINE__, 1}, // a folder in Hide.txt's place
        {__LINE__, 2}, // Hide.txt that no other program may read
        {__LINE__, 3}, // Hide.txt too large to read
        {__LINE__, 4}, // only Hide.txt.new, held open by another program
        {__LINE__, 5}, // no path for Hide.txt: the module's path cannot be had
        // Unsure answers, and a file held while the program starts.
        {__LINE__, 6},    // only Hide.txt.new, held open for writing, not for deleting
        {__LINE__, 7},    // unreadable Hide.txt beside a Hide.txt.new that hides App
        {__LINE__, 8, 2}, // only Hide.txt.new, and its check fails
        {__LINE__, 9, 1}, // Hide.txt, and its check fails
        {__LINE__, 10, 2, "Old\r\n", "Old\nApp\n"}, // the check after a failed replace fails
        {__LINE__, 11, 0, "Old\nApp\n"}, // unreadable at start, then plain text: no Delta
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "case at line " << c.line);
        HINSTANCE instance = NULL;
        switch (c.setUp) {
        case 0:
            WriteBytes(hidePath_, "Old\r\n");
            SetFileAttributesW(hidePath_.c_str(), FILE_ATTRIBUTE_READONLY);
            break;
        case 1: MakeDir(hidePath_); break;
        case 7: WriteBytes(temp, "App\r\n"); [[fallthrough]];
        case 2:
        case 10:
            WriteBytes(hidePath_, "Old\r\n");
            hold(hidePath_, c.setUp == 10 ? FILE_SHARE_READ : 0);
            break;
        case 3: huge(); break;
        case 4:
        case 6:
        case 8:
            WriteBytes(temp, "Old\r\n");
            if (c.setUp != 8)
                hold(temp, c.setUp == 4 ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE);
            break;
        case 5: instance = LoadFromDeepFolder(); break;
        default: WriteBytes(hidePath_, "Old\r\n");
        }
        std::vector<std::wstring> setUp = Snapshot(hidePath_.substr(0, hidePath_.rfind(L'\\')));
        AddRecord(L"App", NULL, NULL);
        AddRecord(L"\u0394elta", NULL, NULL); // Delta, which no ANSI code page here holds
        const size_t hides = c.setUp == 11 ? 2 : 1;
        FailImport("CreateFileW", c.setUp == 11); // Hide.txt held as the program starts
        driver_.boxes.clear();
        driver_.answers = {IDYES, IDYES};
        driver_.onBox = [&](HWND) {
            if (driver_.boxes.size() > hides) {
                EXPECT_FALSE(IsWindow(g_Main.hAppList)) << "the window has closed";
            }
        };
        EXPECT_EQ(0, driver_.RunProgram(
                         [&](HWND dialog) {
                             for (size_t i = 0; i < hides; i++)
                                 DialogDriver::Command(dialog, IDM_HIDE);
                             FailImport("GetFileAttributesW", c.failedCheck);
                         },
                         instance));
        FailImport("GetFileAttributesW", 0);
        FailImport("CreateFileW", 0);
        if (held != INVALID_HANDLE_VALUE)
            CloseHandle(held);
        held = INVALID_HANDLE_VALUE;
        ASSERT_EQ(hides + 1, driver_.boxes.size()) << testing::PrintToString(driver_.boxes);
        EXPECT_BOX(driver_.boxes[hides],
                   hides == 1 ? L"Hide.txt could not be saved: the applications hidden in this run "
                                L"will be listed again at the next start."
                              : L"Hide.txt could not hold every application hidden in this run: "
                                L"those it could not hold will be listed again at the next start.",
                   L"Remove Apps", MB_ICONERROR);
        EXPECT_FALSE(driver_.boxes[hides].owned);
        if (c.hideAfter) {
            EXPECT_EQ(c.hideAfter, ReadBytes(hidePath_));
            EXPECT_EQ(c.newAfter, ReadBytes(temp));
        } else {
            EXPECT_EQ(setUp, Snapshot(hidePath_.substr(0, hidePath_.rfind(L'\\'))))
                << "every file stays as it was";
        }
        if (instance != NULL)
            FreeLibrary(instance);
        SetFileAttributesW(hidePath_.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(hidePath_.c_str());
        RemoveDirectoryW(hidePath_.c_str());
        DeleteFileW(temp.c_str());
    }
}
