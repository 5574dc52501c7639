// Folder sizes on real folders, and the size text.
#include "harness.h"
#include "../ops/folder_size.h"

TEST(FormatSize, ThresholdsAndUnits)
{
    static const struct {
        int line;
        LONGLONG size;
        const wchar_t *text;
    } cases[] = {
        {__LINE__, -1, L"n/a"},
        {__LINE__, -5, L"n/a"},
        {__LINE__, 0, L"0B"},
        {__LINE__, 1023, L"1023B"},
        {__LINE__, 1024, L"1KB"},
        {__LINE__, 2047, L"1KB"},
        {__LINE__, 1023999, L"999KB"},
        {__LINE__, 1024000, L"0.9MB"},
        {__LINE__, 1048575, L"0.9MB"},
        {__LINE__, 1048576, L"1.0MB"},
        {__LINE__, 5767168, L"5.5MB"},       // 5.5 x 1048576
        {__LINE__, 1153433, L"1.0MB"},       // 1.1 x 1048576, rounded down: never rounds up
        {__LINE__, 2147483647, L"2047.9MB"}, // the largest 32-bit total
        {__LINE__, 2147483648LL, L"2048.0MB"},
        {__LINE__, 3221225472LL, L"3072.0MB"}, // 3 GiB
        {__LINE__, 5LL << 40, L"5242880.0MB"},
    };
    for (const auto &c : cases) {
        WCHAR text[SIZE_TEXT_CCH];
        FormatSize(text, c.size);
        EXPECT_STREQ(c.text, text) << "case at line " << c.line;
    }
}

class FolderSizeTest : public AppTest
{
  protected:
    LONGLONG SizeOf(const std::wstring &relative)
    {
        return GetFolderSize(Path(relative).c_str());
    }
};

TEST_F(FolderSizeTest, NoFileMeansNoSize)
{
    EXPECT_EQ(-1, SizeOf(L"missing"));
    MakeDir(Path(L"empty\\a\\b"));
    MakeDir(Path(L"empty\\c"));
    EXPECT_EQ(-1, SizeOf(L"empty"));
    EXPECT_EQ(-1, GetFolderSize(L"")) << "never the whole file system";
}

TEST_F(FolderSizeTest, CountsEveryFileBelowTheFolder)
{
    MakeDir(Path(L"one"));
    MakeFileOfSize(Path(L"one\\zero.txt"), 0);
    EXPECT_EQ(0, SizeOf(L"one"));

    MakeDir(Path(L"tree\\a\\b\\c"));
    MakeDir(Path(L"tree\\empty"));
    MakeFileOfSize(Path(L"tree\\top.bin"), 700);
    MakeFileOfSize(Path(L"tree\\a\\b\\c\\deep.bin"), 300);
    MakeFileOfSize(Path(L"tree\\a\\mid.bin"), 24);
    EXPECT_EQ(1024, SizeOf(L"tree"));
    EXPECT_EQ(324, SizeOf(L"tree\\a"));
}

TEST_F(FolderSizeTest, LargeFilesBeyondFourGigabytes)
{
    MakeDir(Path(L"big\\sub"));
    MakeFileOfSize(Path(L"big\\five.img"), 5LL << 30);
    MakeFileOfSize(Path(L"big\\sub\\three.img"), 3LL << 30);
    EXPECT_EQ(8LL << 30, SizeOf(L"big"));
    WCHAR text[SIZE_TEXT_CCH];
    FormatSize(text, SizeOf(L"big"));
    EXPECT_STREQ(L"8192.0MB", text);
}

// A chain of one-letter folders as deep as the path buffer allows, with a
// file at every level.
static int MakeDeepTree(const std::wstring &top, std::wstring *deepest)
{
    std::wstring path = top;
    int levels = 0;
    MakeDir(path);
    while (path.size() + 6 < FOLDER_PATH_CCH) {
        MakeFileOfSize(path + L"\\f", 1);
        path += L"\\d";
        if (!CreateDirectoryW(path.c_str(), NULL))
            break;
        levels++;
    }
    *deepest = path;
    return levels;
}

static DWORD WINAPI SizeOnSmallStack(LPVOID param)
{
    std::pair<const wchar_t *, LONGLONG> *job = (std::pair<const wchar_t *, LONGLONG> *)param;
    job->second = GetFolderSize(job->first);
    return 0;
}

TEST_F(FolderSizeTest, DeepTreeOnTheDevicesSixtyFourKilobyteStack)
{
    std::wstring top = Path(L"deep"), deepest;
    int levels = MakeDeepTree(top, &deepest);
    ASSERT_GT(levels, 100) << "the tree should be deep enough to matter";
    std::pair<const wchar_t *, LONGLONG> job(top.c_str(), -2);
    HANDLE thread = CreateThread(NULL, 64 * 1024, SizeOnSmallStack, &job,
                                 STACK_SIZE_PARAM_IS_A_RESERVATION, NULL);
    ASSERT_NE((HANDLE)NULL, thread);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 60000));
    DWORD code = 1;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    EXPECT_EQ(0u, code);
    // Every level holds one byte, except a last one whose path would not fit.
    EXPECT_GE(job.second, levels - 1);
    EXPECT_LE(job.second, levels + 1);
}

TEST_F(FolderSizeTest, SubFolderTooLongForTheBufferIsLeftOut)
{
    std::wstring top = Path(L"long");
    std::wstring first = top + L"\\" + std::wstring(200, L'n');
    std::wstring second = first + L"\\" + std::wstring(FOLDER_PATH_CCH - first.size(), L'm');
    MakeDir(top);
    MakeFileOfSize(top + L"\\counted", 5);
    ASSERT_TRUE(CreateDirectoryW(first.c_str(), NULL));
    MakeFileOfSize(first + L"\\also counted", 2);
    ASSERT_TRUE(CreateDirectoryW(second.c_str(), NULL)) << GetLastError();
    MakeFileOfSize(second + L"\\left out", 1000);
    ASSERT_TRUE(Exists(second + L"\\left out"));
    EXPECT_EQ(7, GetFolderSize(top.c_str()));
}
