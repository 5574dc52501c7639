// Remove, driven through the real dialog, checked on the real registry and files.
#include "harness.h"
#include "../app/state.h"
#include "../res/resource.h"
#include "standin.h"
#include <commctrl.h>

class RemoveTest : public AppTest
{
  protected:
    void RemoveApp(const std::wstring &name, int answer, WORD command = IDM_SELECT)
    {
        driver_.RunOnRow(name, command, answer);
    }
    std::wstring LastDocument() const
    {
        WCHAR doc[1024];
        StandInLastConfigXML(doc, 1024);
        return doc;
    }
    DialogDriver driver_;
};

TEST_F(RemoveTest, NoChangesNothing)
{
    InstallApp(L"Foo", L"Foo");
    std::vector<std::wstring> before = Snapshot(root_);
    std::wstring documentBefore = LastDocument();
    RemoveApp(L"Foo", IDNO);
    ASSERT_EQ(1u, driver_.boxes.size()) << testing::PrintToString(driver_.boxes);
    EXPECT_EQ(L"Are you sure to remove \"Foo\" from device?", driver_.boxes[0].text);
    EXPECT_TRUE(driver_.boxes[0].yesNo);
    EXPECT_EQ((UINT)MB_ICONQUESTION, driver_.boxes[0].icon);
    EXPECT_EQ(before, Snapshot(root_));
    EXPECT_TRUE(RecordExists(L"Foo"));
    EXPECT_EQ(0, driver_.refreshes);
    EXPECT_EQ(documentBefore, LastDocument()) << "the configuration manager was never asked";
}

TEST_F(RemoveTest, YesUninstallsAndCleansUpTheLeftoverFileAndItsEmptyFolder)
{
    InstallApp(L"Foo", L"Foo");
    InstallApp(L"Bar", L"Bar");
    RemoveApp(L"Foo", IDYES);
    EXPECT_FALSE(RecordExists(L"Foo"));
    EXPECT_FALSE(Exists(Path(L"Program Files\\Foo")));
    EXPECT_FALSE(Exists(UnloadPath(L"Foo")));
    EXPECT_FALSE(Exists(Path(L"AppMgr\\Foo")));
    EXPECT_TRUE(Exists(Path(L"AppMgr"))) << "never the parent folder";
    EXPECT_TRUE(Exists(UnloadPath(L"Bar")));
    EXPECT_TRUE(RecordExists(L"Bar"));
    EXPECT_EQ((std::vector<std::wstring>{L"Bar"}), driver_.rowsAfter);
    ASSERT_EQ(2u, driver_.boxes.size()) << testing::PrintToString(driver_.boxes);
    EXPECT_BOX(driver_.boxes[1], L"\"Foo\" has been removed from device.", L"Remove Apps",
               MB_ICONINFORMATION);
    EXPECT_EQ(1, driver_.refreshes);
}

TEST_F(RemoveTest, DocumentNamesTheApplicationInFivePieces)
{
    const std::wstring document =
        L"<wap-provisioningdoc><characteristic type=\"UnInstall\">"
        L"<characteristic type=\"Foo\"><parm name=\"uninstall\" value=\"1\"/>"
        L"</characteristic></characteristic></wap-provisioningdoc>";
    // The result text echoes the document, from the C runtime's heap.
    const SIZE_T resultBytes = (document.size() + 1) * sizeof(WCHAR);
    const int results = CrtHeapBlocks(resultBytes);
    InstallApp(L"Foo", L"Foo");
    RemoveApp(L"Foo", IDYES);
    EXPECT_EQ(document, LastDocument());
    if (!HeapChecking()) {
        EXPECT_EQ(results, CrtHeapBlocks(resultBytes)) << "the result text is released";
    }
}

TEST_F(RemoveTest, NameWithXmlCharactersRemovesThatApplicationOnly)
{
    const std::wstring name = L"Tom & \"Jerry\" <2> 'x'";
    InstallApp(name, L"TomJerry");
    InstallApp(L"Tom ", L"Tom");
    InstallApp(L"Jerry", L"Jerry");
    RemoveApp(name, IDYES);
    EXPECT_FALSE(RecordExists(name));
    EXPECT_FALSE(Exists(UnloadPath(L"TomJerry")));
    EXPECT_TRUE(RecordExists(L"Tom "));
    EXPECT_TRUE(RecordExists(L"Jerry"));
    EXPECT_NE(std::wstring::npos,
              LastDocument().find(L"type=\"Tom &amp; &quot;Jerry&quot; &lt;2&gt; &apos;x&apos;\">"))
        << Narrow(LastDocument());
    ASSERT_EQ(2u, driver_.boxes.size()) << testing::PrintToString(driver_.boxes);
    EXPECT_EQ(L"\"" + name + L"\" has been removed from device.", driver_.boxes[1].text);
}

TEST_F(RemoveTest, NameWithTabOrLineBreakRemovesThatApplicationOnly)
{
    static const struct {
        int line;
        const wchar_t *name, *requested;
    } cases[] = {
        {__LINE__, L"Foo\tBar", L"Foo&#9;Bar"},
        {__LINE__, L"Foo\nBar", L"Foo&#10;Bar"},
        {__LINE__, L"Foo\rBar", L"Foo&#13;Bar"},
    };
    InstallApp(L"Foo Bar", L"FooBar");
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "case at line " << c.line);
        InstallApp(c.name, L"Odd");
        driver_.boxes.clear();
        RemoveApp(c.name, IDYES);
        EXPECT_NE(std::wstring::npos,
                  LastDocument().find(L"type=\"" + std::wstring(c.requested) + L"\">"))
            << Narrow(LastDocument());
        EXPECT_FALSE(RecordExists(c.name));
        EXPECT_FALSE(Exists(UnloadPath(L"Odd")));
        EXPECT_TRUE(RecordExists(L"Foo Bar"));
        EXPECT_TRUE(Exists(Path(L"Program Files\\FooBar\\app.exe")));
        EXPECT_TRUE(Exists(UnloadPath(L"FooBar")));
        ASSERT_EQ(2u, driver_.boxes.size()) << testing::PrintToString(driver_.boxes);
        EXPECT_EQ(L"\"" + std::wstring(c.name) + L"\" has been removed from device.",
                  driver_.boxes[1].text);
    }
}

TEST_F(RemoveTest, FolderThatStillHoldsOtherFilesStays)
{
    InstallApp(L"Foo", L"Foo");
    MakeFileOfSize(Path(L"AppMgr\\Foo\\other.txt"), 10);
    RemoveApp(L"Foo", IDYES);
    EXPECT_FALSE(Exists(UnloadPath(L"Foo")));
    EXPECT_TRUE(Exists(Path(L"AppMgr\\Foo\\other.txt")));
}

TEST_F(RemoveTest, ReadOnlyUninstallFileIsDeletedOrKeepsItsAttributes)
{
    const DWORD attributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
    InstallApp(L"Foo", L"Foo");
    SetFileAttributesW(UnloadPath(L"Foo").c_str(), attributes);
    RemoveApp(L"Foo", IDYES);
    EXPECT_FALSE(Exists(UnloadPath(L"Foo")));
    EXPECT_FALSE(Exists(Path(L"AppMgr\\Foo")));

    // Held open by another program, it cannot be deleted and stays as it was.
    InstallApp(L"Held", L"Held");
    SetFileAttributesW(UnloadPath(L"Held").c_str(), attributes);
    DWORD before = GetFileAttributesW(UnloadPath(L"Held").c_str());
    HANDLE held = CreateFileW(UnloadPath(L"Held").c_str(), GENERIC_READ, FILE_SHARE_READ, NULL,
                              OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    RemoveApp(L"Held", IDYES);
    CloseHandle(held);
    EXPECT_FALSE(RecordExists(L"Held"));
    EXPECT_EQ(before, GetFileAttributesW(UnloadPath(L"Held").c_str()));
    // Also when its attributes cannot be read before the delete.
    AddRecord(L"Held", NULL, UnloadPath(L"Held").c_str());
    held = CreateFileW(UnloadPath(L"Held").c_str(), GENERIC_READ, FILE_SHARE_READ, NULL,
                       OPEN_EXISTING, 0, NULL);
    driver_.onBox = [&](HWND) { FailImport("GetFileAttributesW", 1); };
    RemoveApp(L"Held", IDYES);
    FailImport("GetFileAttributesW", 0);
    CloseHandle(held);
    EXPECT_EQ(before, GetFileAttributesW(UnloadPath(L"Held").c_str()));
}

TEST_F(RemoveTest, RecordWithoutUninstallValueTouchesNoOtherFile)
{
    MakeDir(Path(L"Program Files\\Plain"));
    MakeFileOfSize(Path(L"Program Files\\Plain\\plain.exe"), 10);
    AddRecord(L"Plain", Path(L"Program Files\\Plain").c_str(), NULL);
    InstallApp(L"Other", L"Other");
    std::vector<std::wstring> appMgr = Snapshot(Path(L"AppMgr"));
    RemoveApp(L"Plain", IDYES);
    EXPECT_FALSE(RecordExists(L"Plain"));
    EXPECT_EQ(appMgr, Snapshot(Path(L"AppMgr")));
    ASSERT_EQ(2u, driver_.boxes.size()) << testing::PrintToString(driver_.boxes);
    EXPECT_EQ((UINT)MB_ICONINFORMATION, driver_.boxes[1].icon);
}

TEST_F(RemoveTest, UninstallPathNamingNoFileDeletesNothing)
{
    MakeDir(Path(L"AppMgr\\Ghost"));
    AddRecord(L"Ghost", NULL, Path(L"AppMgr\\Ghost\\gone.unload").c_str());
    RemoveApp(L"Ghost", IDYES);
    EXPECT_FALSE(RecordExists(L"Ghost"));
    EXPECT_TRUE(Exists(Path(L"AppMgr\\Ghost"))) << "the folder is left alone";
}

TEST_F(RemoveTest, FailedUninstallKeepsRecordFileAndRowAndSaysSo)
{
    static const struct {
        int line;
        const wchar_t *name;
        bool inUse, answersSuccess;
        int failedOpen; // the program's RegOpenKeyExW call that is refused
    } cases[] = {
        {__LINE__, L"Busy", true, false, 0},        // a file of the application in use
        {__LINE__, L"Busy", false, true, 0},        // success answered, the record left
        {__LINE__, L"Busy", false, true, 2},        // the same, and the record cannot be opened
        {__LINE__, L"Busy\x0001", false, false, 0}, // a name no document can carry
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "case at line " << c.line);
        InstallApp(c.name, L"Busy");
        HANDLE inUse = !c.inUse ? NULL
                                : CreateFileW(Path(L"Program Files\\Busy\\app.exe").c_str(),
                                              GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
        ASSERT_NE(INVALID_HANDLE_VALUE, inUse);
        StandInAnswerSuccessOnly(c.answersSuccess);
        driver_.boxes.clear();
        driver_.onBox = [&](HWND) { FailImport("RegOpenKeyExW", c.failedOpen); };
        RemoveApp(c.name, IDYES);
        FailImport("RegOpenKeyExW", 0);
        StandInAnswerSuccessOnly(FALSE);
        CloseHandle(inUse);
        EXPECT_TRUE(RecordExists(c.name));
        EXPECT_TRUE(Exists(UnloadPath(L"Busy")));
        EXPECT_TRUE(driver_.Listed(c.name));
        ASSERT_EQ(2u, driver_.boxes.size()) << testing::PrintToString(driver_.boxes);
        EXPECT_BOX(driver_.boxes[1],
                   L"Could not remove \"" + std::wstring(c.name) + L"\" from device.",
                   L"Remove Apps", MB_ICONERROR);
        EXPECT_EQ(1, driver_.refreshes);
    }
}

TEST_F(RemoveTest, PathsUpToTheBuffersLengthAreShownRemovedAndErased)
{
    // An install folder of 230 units and uninstall files of 259, the most a
    // record's value can hold.
    auto deep = [&](wchar_t letter, size_t length) {
        std::wstring folder = Path(std::wstring(120, letter));
        return folder + L"\\" + std::wstring(length - folder.size() - 1, letter);
    };
    InstallAppAt(L"Deep", deep(L'i', 230), deep(L'u', 259));
    InstallAppAt(L"Deeper", deep(L'j', 230), deep(L'v', 259));
    driver_.answers = {IDOK, IDYES, IDOK, IDYES};
    driver_.Run([&](HWND dialog) {
        ASSERT_TRUE(MarkRow(L"Deep"));
        DialogDriver::Command(dialog, IDM_DETAILS);
        DialogDriver::Command(dialog, IDM_SELECT);
        ASSERT_TRUE(MarkRow(L"Deeper"));
        DialogDriver::Command(dialog, IDM_ERASE);
    });
    ASSERT_EQ(4u, driver_.boxes.size()) << testing::PrintToString(driver_.boxes);
    std::wstring details = L"Install path: \"" + deep(L'i', 230) + L"\"\nSize: 1KB\nInstall date: ";
    EXPECT_EQ(details, driver_.boxes[0].text.substr(0, details.size()));
    EXPECT_EQ(L"\"Deep\" has been removed from device.", driver_.boxes[2].text);
    EXPECT_FALSE(Exists(deep(L'i', 230)));
    EXPECT_FALSE(Exists(Path(std::wstring(120, L'u'))));
    EXPECT_FALSE(RecordExists(L"Deeper"));
    EXPECT_FALSE(Exists(Path(std::wstring(120, L'v'))));
    EXPECT_TRUE(Exists(deep(L'j', 230))) << "Erase never uninstalls";
}

TEST_F(RemoveTest, ActionKeyRemovesAsSelectDoes)
{
    InstallApp(L"Foo", L"Foo");
    RemoveApp(L"Foo", IDYES, IDOK);
    EXPECT_FALSE(RecordExists(L"Foo"));
    EXPECT_FALSE(Exists(UnloadPath(L"Foo")));
    EXPECT_FALSE(driver_.Listed(L"Foo"));
}
