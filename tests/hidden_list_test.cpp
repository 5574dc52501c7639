// The hidden list against real files in a scratch folder.
#include "harness.h"
#include "../app/hidden_list.h"
#include "../app/state.h"
#include <tuple>

class HiddenListTest : public AppTest
{
  protected:
    std::wstring HidePath() const
    {
        return Path(L"Hide.txt");
    }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (int i = 0; i < g_Hidden.count; i++)
            names.emplace_back(g_Hidden.entries[i].text, g_Hidden.entries[i].bytes);
        return names;
    }
    std::vector<std::wstring> WideNames() const
    {
        std::vector<std::wstring> names;
        for (int i = 0; i < g_Hidden.count; i++)
            if (g_Hidden.entries[i].wide != NULL) // a line that is no text
                names.push_back(g_Hidden.entries[i].wide);
        return names;
    }
    void LoadFrom(const std::string &bytes)
    {
        WriteBytes(HidePath(), bytes);
        LoadHiddenList(HidePath().c_str());
    }
};

// The bytes of UTF-16 LE text, as a Unicode editor saves it.
static std::string Utf16(const std::wstring &text)
{
    return std::string((const char *)text.data(), text.size() * sizeof(wchar_t));
}

TEST_F(HiddenListTest, ReadsNamesWhateverTheLineEnds)
{
    static const struct {
        int line;
        std::string file;
        std::vector<std::string> names;
    } cases[] = {
        {__LINE__, "one\ntwo\nthree\n", {"one", "two", "three"}},
        {__LINE__, "one\r\ntwo\r\nthree\r\n", {"one", "two", "three"}},
        {__LINE__, "\n\r\n\none\n\n\ntwo\r\n\r\n", {"one", "two"}},
        {__LINE__, "\r\n\n\r\n", {}},
        {__LINE__, "", {}},
        {__LINE__, "first\nlast", {"first", "last"}},
        {__LINE__, std::string("\0one\n", 5), {"one"}},
        {__LINE__, "two cr\r\r\n", {"two cr"}},
        {__LINE__, "inner\rcr\n", {"inner\rcr"}},
        {__LINE__, "  spaced  \n", {"  spaced  "}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "case at line " << c.line);
        LoadFrom(c.file);
        EXPECT_EQ(c.names, Names());
    }
}

TEST_F(HiddenListTest, NulInsideTheFileSeparatesNamesAndASaveKeepsThem)
{
    LoadFrom(std::string("kept\nalso kept\0after\0\0\n", 23));
    EXPECT_EQ((std::vector<std::string>{"kept", "also kept", "after"}), Names());
    AddHiddenName(L"new");
    SaveHiddenList(HidePath().c_str());
    EXPECT_EQ("kept\nalso kept\nafter\nnew\n", ReadBytes(HidePath()));
}

TEST_F(HiddenListTest, UnicodeFileIsReadAndWrittenBackInItsEncoding)
{
    static const struct {
        int line;
        std::string file;
        const wchar_t *added;
        std::vector<std::wstring> names;
        std::string saved;
    } cases[] = {
        {__LINE__,
         "\xff\xfe" + Utf16(L"One\r\n\r\n\x03b5\x03bb\r\n"),
         L"\x4e2d\x6587",
         {L"One", L"\x03b5\x03bb"},
         "\xff\xfe" + Utf16(L"One\n\x03b5\x03bb\n\x4e2d\x6587\n")},
        {__LINE__,
         "\xef\xbb\xbf"
         "Caf\xc3\xa9\r\n\xce\xb5\xce\xbb",
         L"\xff21pp",
         {L"Caf\x00e9", L"\x03b5\x03bb"},
         "\xef\xbb\xbf"
         "Caf\xc3\xa9\n\xce\xb5\xce\xbb\n\xef\xbc\xa1pp\n"},
        {__LINE__, "\xef\xbb\xbf", L"x", {}, "\xef\xbb\xbfx\n"},
        // Big-endian: the units' bytes swapped.
        {__LINE__,
         Utf16(L"\xfffe\xb503"),
         L"x",
         {L"\x3b5"},
         Utf16(L"\xfffe\xb503\x0a00\x7800\x0a00")},
        // Without a mark, UTF-16 LE is never read as a name per letter.
        {__LINE__, Utf16(L"One\r\nTwo"), L"x", {L"One", L"Two"}, Utf16(L"\xfeffOne\nTwo\nx\n")},
        {__LINE__,
         Utf16(L"\x6c49\x8bed\n"),
         L"x",
         {L"\x6c49\x8bed"},
         Utf16(L"\xfeff\x6c49\x8bed\nx\n")},
        // Plain text whose first name starts like a mark: "Foo" is not hidden.
        {__LINE__, "\n", L"\u00ff\u00feBar", {}, "\n\377\376Bar\n"},
        {__LINE__, "", L"\u00fe\u00ffBaz", {}, "\n\376\377Baz\n"},
        // A line that is no UTF-8 matches nothing and stays as it is.
        {__LINE__, "\357\273\277Foo\xff\r\nBar\n", L"x", {L"Bar"}, "\357\273\277Foo\xff\nBar\nx\n"},
        // NUL bytes end ANSI names: no UTF-16 without its mark.
        {__LINE__, std::string("App\0Bar\0", 8), L"x", {L"App", L"Bar"}, "App\nBar\nx\n"},
        {__LINE__, std::string("Fox\r\nBar\n\0", 10), L"x", {L"Fox", L"Bar"}, "Fox\nBar\nx\n"},
        {__LINE__,
         Utf16(L"\x434\x43e\x43c\n\x414\x43e\x43c"),
         L"x",
         {L"\x434\x43e\x43c", L"\x414\x43e\x43c"},
         Utf16(L"\xfeff\x434\x43e\x43c\n\x414\x43e\x43c\nx\n")},
        {__LINE__, "Z", L"x", {L"Z"}, "Z\nx\n"},
        // Latin-1 units alone and no line end: UTF-16, not "F", "o", "x".
        {__LINE__, Utf16(L"Fox"), L"x", {L"Fox"}, "\xff\xfe" + Utf16(L"Fox\nx\n")},
        // Valid as both: UTF-16 comes first, so U+A9C3, not "é".
        {__LINE__, std::string("\xc3\xa9\n\0", 4), L"x", {L"\xa9c3"}, Utf16(L"\xfeff\xa9c3\nx\n")},
        // UTF-8 without a mark stays so; one byte that is no UTF-8 makes ANSI.
        {__LINE__,
         "\xe6\xb1\x89\xe8\xaf\xad\r\nCaf\xc3\xa9",
         L"\u00c3\u00a9clair",
         {L"\x6c49\x8bed", L"Caf\x00e9"},
         "\xe6\xb1\x89\xe8\xaf\xad\nCaf\xc3\xa9\n\xc3\x83\xc2\xa9"
         "clair\n"},
        {__LINE__,
         "Caf\xc3\xa9\n\xff",
         L"x",
         {L"Caf\x00c3\x00a9", L"\x00ff"},
         "Caf\xc3\xa9\n\xff\nx\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "case at line " << c.line);
        LoadFrom(c.file);
        EXPECT_EQ(c.names, WideNames());
        for (const std::wstring &name : c.names)
            EXPECT_TRUE(IsHiddenName(name.c_str()));
        EXPECT_TRUE(AddHiddenName(c.added)) << "the file's encoding holds the name";
        SaveHiddenList(HidePath().c_str());
        EXPECT_EQ(c.saved, ReadBytes(HidePath()));
        LoadHiddenList(HidePath().c_str());
        EXPECT_TRUE(IsHiddenName(c.added) && WideNames().size() == c.names.size() + 1);
        EXPECT_FALSE(IsHiddenName(L"Foo"));
    }
}

TEST_F(HiddenListTest, SaveKeepsWhatTheFileHoldsNowThenAddsThisRunsNames)
{
    static const struct {
        int line;
        std::string editedTo; // what the user left in the file while the program ran
        bool deleted;
        std::string saved;
        std::string loaded = "one\ntwo\nthree\n";
        const wchar_t *alsoAdded = nullptr;
    } cases[] = {
        {__LINE__, "three\r\nzero\n", false, "three\nzero\nfour\n"},
        // The user typed one of this run's names: every one is saved all the same.
        {__LINE__, "four\n", false, "four\nfive\n", "one\n", L"five"},
        {__LINE__, "four\none\n", false, "four\none\n"},
        {__LINE__, "", true, "four\n"},
        {__LINE__, "\xff\xfe" + Utf16(L"z"), false, "\xff\xfe" + Utf16(L"z\nfour\n")},
        // Deleted, it comes back in the encoding it had.
        {__LINE__, "", true, "\357\273\277four\n", "\357\273\277one\n"},
        {__LINE__, "", true, "\xff\xfe" + Utf16(L"four\n"), "\xff\xfe" + Utf16(L"one\n")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "case at line " << c.line);
        LoadFrom(c.loaded);
        AddHiddenName(L"four");
        if (c.alsoAdded != nullptr)
            AddHiddenName(c.alsoAdded);
        if (c.deleted)
            DeleteFileW(HidePath().c_str());
        else
            WriteBytes(HidePath(), c.editedTo);
        EXPECT_EQ(HIDE_SAVED, SaveHiddenList(HidePath().c_str()));
        EXPECT_EQ(c.saved, ReadBytes(HidePath()));
    }
}

TEST_F(HiddenListTest, NewFileLeftByASaveCutShortIsReadAndPutInPlace)
{
    static const struct {
        int line;
        std::string left; // Hide.txt.new, complete, as a save cut short leaves it
        const wchar_t *added;
        std::string saved;
        const char *hideTxt = nullptr; // a Hide.txt beside it
    } cases[] = {
        {__LINE__, "a\nb\n", L"c", "a\nb\nc\n"},
        {__LINE__, std::string("\xef\xbb\xbf") + "a\n", L"\x3b5",
         std::string("\xef\xbb\xbf") + "a\n\xce\xb5\n"},
        {__LINE__, "\xff\xfe" + Utf16(L"a\n"), L"\x3b5", "\xff\xfe" + Utf16(L"a\n\x3b5\n")},
        // Beside a Hide.txt it is stale, and nothing of it stays.
        {__LINE__, std::string(500, 'z') + "\n", L"c", "a\nc\n", "a\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "case at line " << c.line);
        DeleteFileW(HidePath().c_str());
        if (c.hideTxt != nullptr)
            WriteBytes(HidePath(), c.hideTxt);
        WriteBytes(HidePath() + L".new", c.left);
        LoadHiddenList(HidePath().c_str());
        EXPECT_TRUE(AddHiddenName(c.added));
        EXPECT_EQ(HIDE_SAVED, SaveHiddenList(HidePath().c_str()));
        EXPECT_EQ(c.saved, ReadBytes(HidePath()));
        EXPECT_FALSE(Exists(HidePath() + L".new"));
    }
}

TEST_F(HiddenListTest, MissingFileIsAnEmptyListAndNoError)
{
    LoadHiddenList(HidePath().c_str());
    EXPECT_EQ(0, g_Hidden.count);
    EXPECT_FALSE(IsHiddenName(L"anything"));
}

TEST_F(HiddenListTest, MatchesExactlyAfterConversion)
{
    LoadFrom("Alpha\nCaf\xe9\n");
    EXPECT_TRUE(IsHiddenName(L"Alpha"));
    EXPECT_TRUE(IsHiddenName(L"Caf\x00e9"));
    EXPECT_FALSE(IsHiddenName(L"alpha"));
    EXPECT_FALSE(IsHiddenName(L"ALPHA"));
    EXPECT_FALSE(IsHiddenName(L"Alpha "));
    EXPECT_FALSE(IsHiddenName(L"Alph"));
    EXPECT_FALSE(IsHiddenName(L"Alphabet"));
    EXPECT_FALSE(IsHiddenName(L""));
}

TEST_F(HiddenListTest, AddedNameIsSavedAfterTheOldOnesWithLfOnly)
{
    LoadFrom("one\r\ntwo\n\nthree");
    AddHiddenName(L"four");
    EXPECT_TRUE(IsHiddenName(L"four"));
    SaveHiddenList(HidePath().c_str());
    EXPECT_EQ("one\ntwo\nthree\nfour\n", ReadBytes(HidePath()));
    EXPECT_FALSE(Exists(HidePath() + L".new"));
}

TEST_F(HiddenListTest, SaveWritesAnsiWithoutByteOrderMark)
{
    LoadHiddenList(HidePath().c_str());
    AddHiddenName(L"Caf\x00e9");
    AddHiddenName(L"Second");
    SaveHiddenList(HidePath().c_str());
    EXPECT_EQ("Caf\xe9\nSecond\n", ReadBytes(HidePath()));
}

TEST_F(HiddenListTest, MoreThanThirtyTwoNamesAreAllKept)
{
    std::string file, expected;
    for (int i = 0; i < 40; i++)
        file += "name " + std::to_string(i) + "\n";
    LoadFrom(file);
    EXPECT_EQ(40, g_Hidden.count);
    AddHiddenName(L"name 40");
    for (int i = 0; i <= 40; i++) {
        std::wstring name = L"name " + std::to_wstring(i);
        EXPECT_TRUE(IsHiddenName(name.c_str())) << i;
    }
    SaveHiddenList(HidePath().c_str());
    EXPECT_EQ(file + "name 40\n", ReadBytes(HidePath()));
}

TEST_F(HiddenListTest, LongLineSurvivesASaveAndMatchesNothing)
{
    std::string longName(300, 'x');
    LoadFrom("short\n" + longName + "\n");
    ASSERT_EQ(2, g_Hidden.count);
    EXPECT_FALSE(IsHiddenName(std::wstring(99, L'x').c_str()));
    AddHiddenName(L"added");
    SaveHiddenList(HidePath().c_str());
    EXPECT_EQ("short\n" + longName + "\nadded\n", ReadBytes(HidePath()));
}

TEST_F(HiddenListTest, NameTheCodePageCannotHoldDoesNotMatchItself)
{
    LoadHiddenList(HidePath().c_str());
    EXPECT_FALSE(AddHiddenName(L"\x4e2d\x6587 app"));
    EXPECT_FALSE(AddHiddenName(L"\xff21pp")) << "best fit would store App";
    EXPECT_TRUE(AddHiddenName(L"Caf\x00e9"));
    EXPECT_EQ(1, g_Hidden.count);
    EXPECT_FALSE(IsHiddenName(L"\x4e2d\x6587 app"));
    EXPECT_FALSE(IsHiddenName(L"App"));
}

TEST_F(HiddenListTest, NamesNoLineOfTheFileCanHoldAreRefusedInEveryEncoding)
{
    static const struct {
        int line;
        std::string file;
        const wchar_t *name;
    } cases[] = {
        {__LINE__, "", L"Foo\nBar"},
        {__LINE__, "", L"Baz\r"},
        {__LINE__, "\xef\xbb\xbf", L"Foo\nBar"},
        {__LINE__, "\xef\xbb\xbf", L"\r\n"},
        {__LINE__, "\xef\xbb\xbf", L"Lone \xd800 surrogate"},
        {__LINE__, "\xff\xfe", L"Foo\r\nBar"},
        {__LINE__, "\xff\xfe", L"Baz\r"},
        // Plain text whose bytes would read as UTF-8 ("éclair", a mark).
        {__LINE__, "", L"\u00c3\u00a9clair"},
        {__LINE__, "", L"\u00ef\u00bb\u00bfFoo"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "case at line " << c.line);
        LoadFrom(c.file);
        SetLastError(0);
        EXPECT_FALSE(AddHiddenName(c.name));
        EXPECT_EQ((DWORD)ERROR_NO_UNICODE_TRANSLATION, GetLastError());
        EXPECT_EQ(0, g_Hidden.count);
    }
}

TEST_F(HiddenListTest, SaveWithoutMemoryWritesEveryNameOrLeavesTheFileAsItWas)
{
    const std::string before = "one\r\ntwo\n";
    // The fewest calls the add and the save make (the save reads, holds and
    // writes), and whether every failure leaves the name unsaved: a line whose
    // decoding failed is still written back as it was.
    static const std::tuple<const char *, int, bool> imports[] = {{"LocalAlloc", 8, true},
                                                                  {"MultiByteToWideChar", 8, false},
                                                                  {"WideCharToMultiByte", 2, true}};
    // Each call from the name's adding on fails in turn, alone or with every
    // later one, until the add and the save need no more.
    for (const auto &[function, fewest, unsaved] : imports)
        for (bool onward : {false, true})
            for (int nth = 1;; nth++) {
                SCOPED_TRACE(testing::Message() << function << " call " << nth << " fails"
                                                << (onward ? ", and every later one" : ""));
                LoadFrom(before);
                FailImport(function, nth, onward);
                BOOL saved =
                    AddHiddenName(L"three") && SaveHiddenList(HidePath().c_str()) == HIDE_SAVED;
                int calls = FailImport(function, 0);
                EXPECT_EQ(saved ? "one\ntwo\nthree\n" : before, ReadBytes(HidePath()));
                EXPECT_FALSE(Exists(HidePath() + L".new"));
                if (calls < nth) {
                    EXPECT_TRUE(saved);
                    EXPECT_GT(nth, fewest);
                    break;
                }
                EXPECT_FALSE(saved && unsaved);
            }
}

TEST_F(HiddenListTest, FailedSaveLeavesTheOldFileWhole)
{
    LoadFrom("one\ntwo\n");
    AddHiddenName(L"three");

    // The temporary file cannot be created where a folder of its name stands.
    MakeDir(HidePath() + L".new");
    EXPECT_FALSE(SaveHiddenList(HidePath().c_str()));
    EXPECT_EQ("one\ntwo\n", ReadBytes(HidePath()));
    RemoveDirectoryW((HidePath() + L".new").c_str());

    // The old file cannot be replaced while another program holds it open.
    HANDLE held = CreateFileW(HidePath().c_str(), GENERIC_READ, FILE_SHARE_READ, NULL,
                              OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_FALSE(SaveHiddenList(HidePath().c_str()));
    CloseHandle(held);
    EXPECT_EQ("one\ntwo\n", ReadBytes(HidePath()));
    EXPECT_FALSE(Exists(HidePath() + L".new"));

    EXPECT_EQ(HIDE_SAVED, SaveHiddenList(HidePath().c_str()));
    EXPECT_EQ("one\ntwo\nthree\n", ReadBytes(HidePath()));
}

TEST_F(HiddenListTest, FileUnreadableAtStartIsNeverReplacedByThisRunsNamesAlone)
{
    WriteBytes(HidePath(), "old one\r\n\r\nold two");
    HANDLE locked = CreateFileW(HidePath().c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, locked);
    LoadHiddenList(HidePath().c_str());
    EXPECT_EQ(0, g_Hidden.count);
    AddHiddenName(L"new one");

    // Still unreadable at the end: the file stays as it was.
    SaveHiddenList(HidePath().c_str());
    CloseHandle(locked);
    EXPECT_EQ("old one\r\n\r\nold two", ReadBytes(HidePath()));

    // Readable again: its names are kept and this run's follow them.
    SaveHiddenList(HidePath().c_str());
    EXPECT_EQ("old one\nold two\nnew one\n", ReadBytes(HidePath()));

    // Gone by the end: this run's names are written all the same.
    DeleteFileW(HidePath().c_str());
    SaveHiddenList(HidePath().c_str());
    EXPECT_EQ("new one\n", ReadBytes(HidePath()));
}

TEST_F(HiddenListTest, FreeEmptiesTheList)
{
    LoadFrom("a\nb\n");
    FreeHiddenList();
    EXPECT_EQ(0, g_Hidden.count);
    EXPECT_FALSE(IsHiddenName(L"a"));
}
