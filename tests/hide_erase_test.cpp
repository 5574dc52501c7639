// Add to hidden list and Erase uninstall info, through the real dialog.
#include "harness.h"
#include "../app/hidden_list.h"
#include "../app/state.h"
#include "../res/resource.h"
#include "cfgmgrapi.h"
#include <commctrl.h>

class HideEraseTest : public AppTest
{
  protected:
    void Apply(WORD command, const std::wstring &name, int answer)
    {
        driver_.RunOnRow(name, command, answer);
    }
    DialogDriver driver_;
};

TEST_F(HideEraseTest, HideNoChangesNothing)
{
    InstallApp(L"Game", L"Game");
    Apply(IDM_HIDE, L"Game", IDNO);
    ASSERT_EQ(1u, driver_.boxes.size()) << testing::PrintToString(driver_.boxes);
    EXPECT_EQ(L"Are you sure to add \"Game\" to hidden list?\nLater you can remove it from "
              L"Hide.txt to show it again.",
              driver_.boxes[0].text);
    EXPECT_TRUE(driver_.boxes[0].yesNo);
    EXPECT_EQ(0, g_Hidden.count);
    EXPECT_TRUE(driver_.Listed(L"Game"));
    EXPECT_EQ(0, driver_.refreshes);
}

TEST_F(HideEraseTest, HideYesDropsTheRowAndTouchesNothingElse)
{
    InstallApp(L"Game", L"Game");
    InstallApp(L"Tool", L"Tool");
    std::vector<std::wstring> before = Snapshot(root_);
    Apply(IDM_HIDE, L"Game", IDYES);
    EXPECT_EQ((std::vector<std::wstring>{L"Tool"}), driver_.rowsAfter);
    EXPECT_EQ(1u, driver_.boxes.size())
        << "no message after hiding" << testing::PrintToString(driver_.boxes);
    EXPECT_TRUE(IsHiddenName(L"Game"));
    EXPECT_TRUE(RecordExists(L"Game"));
    EXPECT_EQ(before, Snapshot(root_));
    EXPECT_EQ(1, driver_.refreshes);
}

TEST_F(HideEraseTest, NameHideTxtCannotHoldIsRefusedBeforeTheQuestion)
{
    // Chinese, a full-width A that best-fit mapping would store as "App", Greek,
    // "éclair" read as UTF-8, and line breaks, which no line of Hide.txt holds.
    for (const char *file : {"", "\xef\xbb\xbf"}) {
        for (const wchar_t *name : {L"\x4e2d\x6587 Reader", L"\xff21pp", L"\x03b5\x03bb",
                                    L"\u00c3\u00a9clair", L"Foo\nBar", L"Baz\r"}) {
            SCOPED_TRACE(Narrow(name) + (*file ? " in UTF-8" : " in ANSI"));
            bool held = *file && wcspbrk(name, L"\r\n") == NULL;
            WriteBytes(Path(L"Hide.txt"), file);
            LoadHiddenList(Path(L"Hide.txt").c_str());
            InstallApp(L"App", L"App");
            AddRecord(name, NULL, NULL);
            driver_.boxes.clear();
            Apply(IDM_HIDE, name, IDYES);
            ASSERT_EQ(1u, driver_.boxes.size()) << testing::PrintToString(driver_.boxes);
            EXPECT_EQ(held, driver_.boxes[0].yesNo) << "asked only when it can be held";
            if (!held)
                EXPECT_BOX(driver_.boxes[0],
                           L"\"" + std::wstring(name) +
                               L"\" cannot be added to the hidden list: Hide.txt cannot hold its "
                               L"name.",
                           L"Remove Apps", MB_ICONERROR);
            EXPECT_EQ(held ? 1 : 0, g_Hidden.count);
            EXPECT_EQ(!held, driver_.Listed(name));
            RegDeleteKeyW(HKEY_LOCAL_MACHINE,
                          (L"Security\\AppInstall\\" + std::wstring(name)).c_str());
        }
    }
}

TEST_F(HideEraseTest, HidingWithoutMemorySaysSoAndKeepsTheRow)
{
    InstallApp(L"Game", L"Game");
    // The fewest calls a hiding makes: the entry and its wide form; the name
    // encoded; its bytes read back, measured and decoded.
    static const std::pair<const char *, int> imports[] = {
        {"LocalAlloc", 2}, {"WideCharToMultiByte", 1}, {"MultiByteToWideChar", 3}};
    // Each call of the hiding fails in turn, alone or with every later one,
    // until one hiding needs no more.
    for (const auto &[function, fewest] : imports)
        for (bool onward : {false, true})
            for (int nth = 1;; nth++) {
                SCOPED_TRACE(testing::Message() << function << " call " << nth << " fails"
                                                << (onward ? ", and every later one" : ""));
                FreeHiddenList();
                driver_.boxes.clear();
                driver_.onBox = [&](HWND) {
                    if (driver_.boxes.size() == 1)
                        FailImport(function, nth, onward); // counted from the answer on
                };
                Apply(IDM_HIDE, L"Game", IDYES);
                int calls = FailImport(function, 0);
                if (driver_.boxes.size() == 2) {
                    EXPECT_BOX(driver_.boxes[1],
                               L"\"Game\" could not be added to the hidden list: there is not "
                               L"enough memory.",
                               L"Remove Apps", MB_ICONERROR);
                    EXPECT_EQ(0, g_Hidden.count);
                    EXPECT_TRUE(driver_.Listed(L"Game"));
                } else {
                    EXPECT_EQ(1, g_Hidden.count);
                    EXPECT_FALSE(driver_.Listed(L"Game"));
                }
                if (calls < nth) {
                    EXPECT_GT(nth, fewest) << "hiding makes these calls";
                    break;
                }
            }
}

TEST_F(HideEraseTest, EraseNoChangesNothing)
{
    InstallApp(L"Game", L"Game");
    std::vector<std::wstring> before = Snapshot(root_);
    Apply(IDM_ERASE, L"Game", IDNO);
    ASSERT_EQ(1u, driver_.boxes.size()) << testing::PrintToString(driver_.boxes);
    EXPECT_EQ(L"Are you sure to erase \"Game\" uninstall info from device?\nThis will "
              L"completely disable uninstallation of this app.",
              driver_.boxes[0].text);
    EXPECT_EQ((UINT)MB_ICONQUESTION, driver_.boxes[0].icon);
    EXPECT_TRUE(RecordExists(L"Game"));
    EXPECT_EQ(before, Snapshot(root_));
    EXPECT_EQ(0, driver_.refreshes);
}

TEST_F(HideEraseTest, EraseYesDeletesRecordAndUninstallFileButNotTheApplication)
{
    InstallApp(L"Game", L"Game");
    InstallApp(L"Tool", L"Tool");
    Apply(IDM_ERASE, L"Game", IDYES);
    EXPECT_FALSE(RecordExists(L"Game"));
    EXPECT_FALSE(Exists(UnloadPath(L"Game")));
    EXPECT_FALSE(Exists(Path(L"AppMgr\\Game")));
    EXPECT_TRUE(Exists(Path(L"AppMgr")));
    EXPECT_TRUE(Exists(Path(L"Program Files\\Game\\app.exe")));
    EXPECT_TRUE(RecordExists(L"Tool"));
    EXPECT_TRUE(Exists(UnloadPath(L"Tool")));
    EXPECT_EQ((std::vector<std::wstring>{L"Tool"}), driver_.rowsAfter);
    EXPECT_EQ(1u, driver_.boxes.size())
        << "no message after erasing" << testing::PrintToString(driver_.boxes);
    // The configuration manager can no longer reach it either.
    std::wstring doc = L"<wap-provisioningdoc><characteristic type=\"UnInstall\"><characteristic "
                       L"type=\"Game\"><parm name=\"uninstall\" value=\"1\"/></characteristic>"
                       L"</characteristic></wap-provisioningdoc>";
    EXPECT_EQ(CONFIG_E_ENTRYNOTFOUND, DMProcessConfigXML(doc.c_str(), CFGFLAG_PROCESS, NULL));
}

TEST_F(HideEraseTest, RecordWithoutUninstallValueIsErasedWithNoFileOperation)
{
    InstallApp(L"Tool", L"Tool");
    AddRecord(L"Bare", Path(L"Program Files\\Tool").c_str(), NULL);
    std::vector<std::wstring> before = Snapshot(root_);
    Apply(IDM_ERASE, L"Bare", IDYES);
    EXPECT_FALSE(RecordExists(L"Bare"));
    EXPECT_EQ(before, Snapshot(root_));
}

TEST_F(HideEraseTest, RecordWithSubkeysIsErasedWhole)
{
    InstallApp(L"Nested", L"Nested");
    HKEY sub;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Security\\AppInstall\\Nested\\Parts\\Deeper", 0,
                              NULL, 0, KEY_ALL_ACCESS, NULL, &sub, NULL));
    RegCloseKey(sub);
    Apply(IDM_ERASE, L"Nested", IDYES);
    EXPECT_FALSE(RecordExists(L"Nested"));
    EXPECT_FALSE(Exists(UnloadPath(L"Nested")));
}

extern "C" LONG NTAPI NtDeleteKey(HANDLE key);

// Gives the record a subkey that is a registry link to nowhere: the link can
// neither be followed nor deleted through it, so the record cannot be deleted.
static void AddDanglingLink(const std::wstring &name)
{
    HKEY link;
    std::wstring path = L"Security\\AppInstall\\" + name + L"\\Link";
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, NULL,
                                             REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE,
                                             KEY_ALL_ACCESS | KEY_CREATE_LINK, NULL, &link, NULL));
    const wchar_t target[] = L"\\Registry\\Machine\\RemoveAppsTestNowhere";
    RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK, (const BYTE *)target,
                   sizeof(target) - sizeof(WCHAR));
    RegCloseKey(link);
}

static void RemoveDanglingLink(const std::wstring &name)
{
    HKEY link;
    std::wstring path = L"Security\\AppInstall\\" + name + L"\\Link";
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), REG_OPTION_OPEN_LINK, DELETE, &link) ==
        ERROR_SUCCESS) {
        NtDeleteKey(link);
        RegCloseKey(link);
    }
}

TEST_F(HideEraseTest, RecordThatCannotBeDeletedKeepsItsFile)
{
    InstallApp(L"Locked", L"Locked");
    AddDanglingLink(L"Locked");
    ASSERT_NE(ERROR_SUCCESS, RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Security\\AppInstall\\Locked"))
        << "the registry should refuse to delete the record";
    Apply(IDM_ERASE, L"Locked", IDYES);
    EXPECT_TRUE(RecordExists(L"Locked"));
    EXPECT_TRUE(Exists(UnloadPath(L"Locked")));
    EXPECT_TRUE(driver_.Listed(L"Locked"));
    RemoveDanglingLink(L"Locked");
}
