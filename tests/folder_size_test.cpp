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
    MakeDir(Path(L"tree\\..data")); // a name, not the parent
    MakeFileOfSize(Path(L"tree\\..data\\dots.bin"), 100);
    EXPECT_EQ(1124, SizeOf(L"tree"));
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

// Wine gives every thread at least a megabyte of stack, so the device's 64 KB
// cannot be imposed; instead the walk runs on a stack painted with a pattern,
// and the deepest byte it changed tells how much stack it used.
#define PAINT_BYTES (768 * 1024)
#define PAINT 0xA5

struct StackJob {
    const wchar_t *folder;
    LONGLONG size;
    size_t used; // bytes of stack below the caller's frame that the walk touched
};

static __attribute__((noinline)) void PaintStack(void)
{
    unsigned char area[PAINT_BYTES];
    memset(area, PAINT, sizeof(area));
    asm volatile("" : : "r"(area) : "memory"); // the painting must really happen
}

static DWORD WINAPI WalkOnPaintedStack(LPVOID param)
{
    StackJob *job = (StackJob *)param;
    volatile unsigned char here = 0;
    PaintStack();
    job->size = GetFolderSize(job->folder);
    const unsigned char *low = (const unsigned char *)&here - PAINT_BYTES + 4096;
    const unsigned char *touched = low;
    while (touched < (const unsigned char *)&here && *touched == PAINT)
        touched++;
    job->used = (const unsigned char *)&here - touched;
    return 0;
}

TEST_F(FolderSizeTest, DeepTreeFitsTheDevicesSixtyFourKilobyteStack)
{
    std::wstring top = Path(L"deep"), deepest;
    int levels = MakeDeepTree(top, &deepest);
    ASSERT_GT(levels, 100) << "the tree should be deep enough to matter";
    StackJob job = {top.c_str(), -2, 0};
    HANDLE thread = CreateThread(NULL, 2 * 1024 * 1024, WalkOnPaintedStack, &job,
                                 STACK_SIZE_PARAM_IS_A_RESERVATION, NULL);
    ASSERT_NE((HANDLE)NULL, thread);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 60000));
    CloseHandle(thread);
    // Every level holds one byte, except a last one whose path would not fit.
    EXPECT_GE(job.size, levels - 1);
    EXPECT_LE(job.size, levels + 1);
    printf("stack used by the walk over %d levels: %u bytes\n", levels, (unsigned)job.used);
    // Half the device's stack, leaving the rest to the program and the system.
    EXPECT_LT(job.used, 32u * 1024);
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
