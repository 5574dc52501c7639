// Remove, driven through the real dialog, checked on the real registry and files.
#include "harness.h"
#include "../app/state.h"
#include "../res/resource.h"
#include "standin.h"
#include <commctrl.h>

class RemoveTest : public AppTest
{
  protected:
    // An installed application: two files in its install folder and its
    // uninstall-information file in a folder of its own.
    void Install(const std::wstring &name, const std::wstring &dir)
    {
        MakeDir(Path(L"Program Files\\" + dir));
        MakeFileOfSize(Path(L"Program Files\\" + dir + L"\\app.exe"), 1500);
        MakeFileOfSize(Path(L"Program Files\\" + dir + L"\\data.bin"), 300);
        MakeDir(Path(L"AppMgr\\" + dir));
        MakeFileOfSize(UnloadPath(dir), 64);
        AddRecord(name, Path(L"Program Files\\" + dir).c_str(), UnloadPath(dir).c_str());
    }
    std::wstring UnloadPath(const std::wstring &dir) const
    {
        return Path(L"AppMgr\\" + dir + L"\\" + dir + L".unload");
    }
    // Runs the dialog, marks the row of `name` as a tap would, and removes it.
    void RemoveApp(const std::wstring &name, int answer, WORD command = IDM_SELECT)
    {
        driver_.answers = {answer};
        driver_.Run([&](HWND dialog) {
            std::vector<std::wstring> rows = ListRows(g_Main.hAppList);
            auto at = std::find(rows.begin(), rows.end(), name);
            ASSERT_NE(rows.end(), at) << Narrow(name);
            SendMessageW(g_Main.hAppList, LVM_SETSELECTIONMARK, 0, at - rows.begin());
            DialogDriver::Command(dialog, command);
            rowsAfter_ = ListRows(g_Main.hAppList);
        });
    }
    bool Listed(const std::wstring &name) const
    {
        return std::find(rowsAfter_.begin(), rowsAfter_.end(), name) != rowsAfter_.end();
    }
    std::wstring LastDocument() const
    {
        WCHAR doc[1024];
        StandInLastConfigXML(doc, 1024);
        return doc;
    }
    DialogDriver driver_;
    std::vector<std::wstring> rowsAfter_;
};

TEST_F(RemoveTest, NoChangesNothing)
{
    Install(L"Foo", L"Foo");
    std::vector<std::wstring> before = Snapshot(root_);
    std::wstring documentBefore = LastDocument();
    RemoveApp(L"Foo", IDNO);
    ASSERT_EQ(1u, driver_.boxes.size());
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
    Install(L"Foo", L"Foo");
    Install(L"Bar", L"Bar");
    RemoveApp(L"Foo", IDYES);
    EXPECT_FALSE(RecordExists(L"Foo"));
    EXPECT_FALSE(Exists(Path(L"Program Files\\Foo")));
    EXPECT_FALSE(Exists(UnloadPath(L"Foo")));
    EXPECT_FALSE(Exists(Path(L"AppMgr\\Foo")));
    EXPECT_TRUE(Exists(Path(L"AppMgr"))) << "never the parent folder";
    EXPECT_TRUE(Exists(UnloadPath(L"Bar")));
    EXPECT_TRUE(RecordExists(L"Bar"));
    EXPECT_EQ((std::vector<std::wstring>{L"Bar"}), rowsAfter_);
    ASSERT_EQ(2u, driver_.boxes.size());
    EXPECT_EQ(L"\"Foo\" has been removed from device.", driver_.boxes[1].text);
    EXPECT_EQ(L"Remove Apps", driver_.boxes[1].caption);
    EXPECT_EQ((UINT)MB_ICONINFORMATION, driver_.boxes[1].icon);
    EXPECT_EQ(1, driver_.refreshes);
}

TEST_F(RemoveTest, DocumentNamesTheApplicationInFivePieces)
{
    Install(L"Foo", L"Foo");
    RemoveApp(L"Foo", IDYES);
    EXPECT_EQ(L"<wap-provisioningdoc><characteristic type=\"UnInstall\">"
              L"<characteristic type=\"Foo\"><parm name=\"uninstall\" value=\"1\"/>"
              L"</characteristic></characteristic></wap-provisioningdoc>",
              LastDocument());
}

TEST_F(RemoveTest, NameWithXmlCharactersRemovesThatApplicationOnly)
{
    const std::wstring name = L"Tom & \"Jerry\" <2> 'x'";
    Install(name, L"TomJerry");
    Install(L"Tom ", L"Tom");
    Install(L"Jerry", L"Jerry");
    RemoveApp(name, IDYES);
    EXPECT_FALSE(RecordExists(name));
    EXPECT_FALSE(Exists(UnloadPath(L"TomJerry")));
    EXPECT_TRUE(RecordExists(L"Tom "));
    EXPECT_TRUE(RecordExists(L"Jerry"));
    EXPECT_NE(std::wstring::npos,
              LastDocument().find(L"type=\"Tom &amp; &quot;Jerry&quot; &lt;2&gt; &apos;x&apos;\">"))
        << Narrow(LastDocument());
    ASSERT_EQ(2u, driver_.boxes.size());
    EXPECT_EQ(L"\"" + name + L"\" has been removed from device.", driver_.boxes[1].text);
}

TEST_F(RemoveTest, FolderThatStillHoldsOtherFilesStays)
{
    Install(L"Foo", L"Foo");
    MakeFileOfSize(Path(L"AppMgr\\Foo\\other.txt"), 10);
    RemoveApp(L"Foo", IDYES);
    EXPECT_FALSE(Exists(UnloadPath(L"Foo")));
    EXPECT_TRUE(Exists(Path(L"AppMgr\\Foo\\other.txt")));
}

TEST_F(RemoveTest, ReadOnlyUninstallFileIsDeleted)
{
    Install(L"Foo", L"Foo");
    SetFileAttributesW(UnloadPath(L"Foo").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    RemoveApp(L"Foo", IDYES);
    EXPECT_FALSE(Exists(UnloadPath(L"Foo")));
    EXPECT_FALSE(Exists(Path(L"AppMgr\\Foo")));
}

TEST_F(RemoveTest, RecordWithoutUninstallValueTouchesNoOtherFile)
{
    MakeDir(Path(L"Program Files\\Plain"));
    MakeFileOfSize(Path(L"Program Files\\Plain\\plain.exe"), 10);
    AddRecord(L"Plain", Path(L"Program Files\\Plain").c_str(), NULL);
    Install(L"Other", L"Other");
    std::vector<std::wstring> appMgr = Snapshot(Path(L"AppMgr"));
    RemoveApp(L"Plain", IDYES);
    EXPECT_FALSE(RecordExists(L"Plain"));
    EXPECT_EQ(appMgr, Snapshot(Path(L"AppMgr")));
    ASSERT_EQ(2u, driver_.boxes.size());
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
    Install(L"Busy", L"Busy");
    HANDLE inUse = CreateFileW(Path(L"Program Files\\Busy\\app.exe").c_str(), GENERIC_READ, 0, NULL,
                               OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, inUse);
    RemoveApp(L"Busy", IDYES);
    CloseHandle(inUse);
    EXPECT_TRUE(RecordExists(L"Busy"));
    EXPECT_TRUE(Exists(UnloadPath(L"Busy")));
    EXPECT_TRUE(Listed(L"Busy"));
    ASSERT_EQ(2u, driver_.boxes.size());
    EXPECT_EQ(L"Could not remove \"Busy\" from device.", driver_.boxes[1].text);
    EXPECT_EQ(L"Remove Apps", driver_.boxes[1].caption);
    EXPECT_EQ((UINT)MB_ICONERROR, driver_.boxes[1].icon);
    EXPECT_EQ(1, driver_.refreshes);
}

TEST_F(RemoveTest, ActionKeyRemovesAsSelectDoes)
{
    Install(L"Foo", L"Foo");
    RemoveApp(L"Foo", IDYES, IDOK);
    EXPECT_FALSE(RecordExists(L"Foo"));
    EXPECT_FALSE(Exists(UnloadPath(L"Foo")));
    EXPECT_FALSE(Listed(L"Foo"));
}
