// The desktop stand-in of the shell library on its own: the soft-key bar's
// checks of its resource, and the configuration manager's uninstall service.
#include "harness.h"
#include "../res/resource.h"
#include "cfgmgrapi.h"
#include "standin.h"

class ConfigManagerTest : public AppTest
{
  protected:
    static std::wstring Doc(const std::wstring &apps)
    {
        return L"<wap-provisioningdoc><characteristic type=\"UnInstall\">" + apps +
               L"</characteristic></wap-provisioningdoc>";
    }
    static std::wstring App(const std::wstring &escapedName)
    {
        return L"<characteristic type=\"" + escapedName +
               L"\"><parm name=\"uninstall\" value=\"1\"/></characteristic>";
    }
    static HRESULT Process(const std::wstring &doc)
    {
        LPWSTR result = NULL;
        HRESULT hr = DMProcessConfigXML(doc.c_str(), CFGFLAG_PROCESS, &result);
        delete[] result;
        return hr;
    }
};

TEST_F(ConfigManagerTest, UninstallsFilesThenRecordAndLeavesTheUninstallFile)
{
    InstallApp(L"Foo", L"Foo");
    LPWSTR result = NULL;
    std::wstring doc = Doc(App(L"Foo"));
    EXPECT_EQ(S_OK, DMProcessConfigXML(doc.c_str(), CFGFLAG_PROCESS, &result));
    ASSERT_NE(nullptr, result);
    EXPECT_EQ(doc, std::wstring(result));
    delete[] result;
    EXPECT_FALSE(RecordExists(L"Foo"));
    EXPECT_FALSE(Exists(Path(L"Program Files\\Foo")));
    EXPECT_TRUE(Exists(UnloadPath(L"Foo")));
}

TEST_F(ConfigManagerTest, DecodesEntitiesAsAnyXmlReaderDoes)
{
    InstallApp(L"A&B \"q\" <x>", L"AB");
    InstallApp(L"A", L"A");
    InstallApp(L"A&amp;B", L"Literal");
    EXPECT_EQ(S_OK, Process(Doc(App(L"A&amp;B &quot;q&quot; &lt;x&gt;"))));
    EXPECT_FALSE(RecordExists(L"A&B \"q\" <x>"));
    EXPECT_TRUE(RecordExists(L"A"));
    EXPECT_TRUE(RecordExists(L"A&amp;B"));
    EXPECT_EQ(S_OK, Process(Doc(App(L"&#65;"))));
    EXPECT_FALSE(RecordExists(L"A"));

    // A character beyond U+FFFF, as the surrogate pair a name holds.
    AddRecord(L"S\xd83d\xde00", NULL, NULL);
    EXPECT_EQ(S_OK, Process(Doc(App(L"S\xd83d\xde00"))));
    EXPECT_FALSE(RecordExists(L"S\xd83d\xde00"));

    // A TAB, LF or CR named by reference stays itself; a literal one is a space.
    for (const wchar_t *name : {L"T B", L"T\tB", L"T\nB", L"T\nC", L"T\xe000t"})
        AddRecord(name, NULL, NULL);
    EXPECT_EQ(S_OK, Process(Doc(App(L"T&#x9;B") + App(L"T&#0010;B") + App(L"T&#xa;C"))));
    EXPECT_FALSE(RecordExists(L"T\tB"));
    EXPECT_FALSE(RecordExists(L"T\nB"));
    EXPECT_FALSE(RecordExists(L"T\nC"));
    EXPECT_TRUE(RecordExists(L"T B"));
    EXPECT_EQ(S_OK, Process(Doc(App(L"T\xe000t"))));
    EXPECT_FALSE(RecordExists(L"T\xe000t"));
    EXPECT_EQ(S_OK, Process(Doc(App(L"T\rB"))));
    EXPECT_FALSE(RecordExists(L"T B"));
}

TEST_F(ConfigManagerTest, MalformedDocumentFailsWholeAndTouchesNothing)
{
    static const struct {
        int line;
        std::wstring doc;
    } cases[] = {
        {__LINE__, L""},
        {__LINE__, L"not xml at all"},
        {__LINE__, L"<wap-provisioningdoc><characteristic type=\"UnInstall\">"},
        {__LINE__, L"<other>" + App(L"Foo") + L"</other>"},
        {__LINE__, L"<wap-provisioningdoc><characteristic type=\"Install\">" + App(L"Foo") +
                       L"</characteristic></wap-provisioningdoc>"},
        {__LINE__, Doc(L"<characteristic type=\"Foo\"/>")},
        {__LINE__, Doc(L"<characteristic type=\"Foo\"></characteristic>")},
        {__LINE__, Doc(L"<characteristic type=\"Foo\"><parm name=\"uninstall\" value=\"0\"/>"
                       L"</characteristic>")},
        {__LINE__, Doc(L"<characteristic type=\"Foo\"><parm name=\"other\" value=\"1\"/>"
                       L"</characteristic>")},
        {__LINE__, Doc(App(L"Foo") + L"loose text")},
        {__LINE__, Doc(App(L"Foo") + App(L"Bar &bogus;"))},
        {__LINE__, Doc(App(L"Foo") + L"<characteristic type=\"Bar\">")},
        {__LINE__, L"<!DOCTYPE x [<!ENTITY e \"Foo\">]>" + Doc(App(L"&e;"))},
        // Characters that XML cannot carry, literally or by reference.
        {__LINE__, Doc(App(L"Foo\x0001"))},
        {__LINE__, Doc(App(L"Foo\xfffe"))},
        {__LINE__, Doc(App(L"Foo\xd800"))},
        {__LINE__, Doc(App(L"Foo\xdc00\xd800"))},
        {__LINE__, Doc(App(L"Foo&#xD800;"))},
        {__LINE__, Doc(App(L"Foo&#4294967305;"))}, // 2^32 + 9 must not wrap onto TAB
    };
    InstallApp(L"Foo", L"Foo");
    std::vector<std::wstring> before = Snapshot(root_);
    for (const auto &c : cases) {
        EXPECT_EQ(CONFIG_E_BAD_XML, Process(c.doc)) << "case at line " << c.line;
        EXPECT_TRUE(RecordExists(L"Foo")) << "case at line " << c.line;
    }
    EXPECT_EQ(before, Snapshot(root_));
}

TEST_F(ConfigManagerTest, UnknownNameFailsThatRequestOnly)
{
    InstallApp(L"Foo", L"Foo");
    EXPECT_EQ(CONFIG_E_ENTRYNOTFOUND, Process(Doc(App(L"Nobody"))));
    EXPECT_EQ(CONFIG_E_ENTRYNOTFOUND, Process(Doc(App(L"Nobody") + App(L"Foo"))));
    EXPECT_FALSE(RecordExists(L"Foo"));
}

TEST_F(ConfigManagerTest, FileInUseFailsAndKeepsTheRecord)
{
    InstallApp(L"Foo", L"Foo");
    HANDLE inUse = CreateFileW(Path(L"Program Files\\Foo\\data.bin").c_str(), GENERIC_READ, 0, NULL,
                               OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, inUse);
    EXPECT_EQ(CONFIG_E_CSPEXCEPTION, Process(Doc(App(L"Foo"))));
    CloseHandle(inUse);
    EXPECT_TRUE(RecordExists(L"Foo"));
    EXPECT_EQ(S_OK, Process(Doc(App(L"Foo"))));
}

TEST_F(ConfigManagerTest, RecordNamingADriveOrNothingLosesOnlyItsRecord)
{
    AddRecord(L"Root", L"C:\\", NULL);
    AddRecord(L"Relative", L"Program Files", NULL);
    AddRecord(L"Empty", L"", NULL);
    EXPECT_EQ(S_OK, Process(Doc(App(L"Root") + App(L"Relative") + App(L"Empty"))));
    EXPECT_FALSE(RecordExists(L"Root"));
    EXPECT_FALSE(RecordExists(L"Relative"));
    EXPECT_TRUE(Exists(L"C:\\windows\\system32"));
}

TEST_F(ConfigManagerTest, OnlyProcessingIsOffered)
{
    InstallApp(L"Foo", L"Foo");
    LPWSTR result = (LPWSTR)1;
    std::wstring doc = Doc(App(L"Foo"));
    EXPECT_EQ(E_INVALIDARG, DMProcessConfigXML(doc.c_str(), 0, &result));
    EXPECT_EQ(nullptr, result);
    EXPECT_EQ(E_INVALIDARG, DMProcessConfigXML(NULL, CFGFLAG_PROCESS, NULL));
    EXPECT_TRUE(RecordExists(L"Foo"));
}

TEST(SoftKeyBar, RefusesWrongSizeAndBadResources)
{
    HWND owner = CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    SHMENUBARINFO mbi;
    ZeroMemory(&mbi, sizeof(mbi));
    mbi.cbSize = sizeof(mbi);
    mbi.hwndParent = owner;
    mbi.hInstRes = GetModuleHandleW(NULL);

    static const struct {
        int line;
        UINT id;
        DWORD cbSize;
        BOOL expected;
    } cases[] = {
        {__LINE__, IDR_MENUBAR, sizeof(SHMENUBARINFO), TRUE},
        {__LINE__, IDR_MENUBAR, sizeof(SHMENUBARINFO) - 4, FALSE},
        {__LINE__, IDR_MENUBAR, 0, FALSE},
        {__LINE__, 777, sizeof(SHMENUBARINFO), FALSE},
        {__LINE__, 900, sizeof(SHMENUBARINFO), FALSE},
        {__LINE__, 901, sizeof(SHMENUBARINFO), FALSE},
        {__LINE__, 902, sizeof(SHMENUBARINFO), FALSE},
        {__LINE__, 903, sizeof(SHMENUBARINFO), FALSE},
        {__LINE__, 904, sizeof(SHMENUBARINFO), FALSE},
    };
    for (const auto &c : cases) {
        mbi.cbSize = c.cbSize;
        mbi.nToolBarId = c.id;
        mbi.hwndMB = NULL;
        EXPECT_EQ(c.expected, SHCreateMenuBar(&mbi)) << "case at line " << c.line;
        EXPECT_EQ(c.expected, mbi.hwndMB != NULL) << "case at line " << c.line;
    }
    DestroyWindow(owner);
    EXPECT_FALSE(SHCreateMenuBar(NULL));
}
