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
