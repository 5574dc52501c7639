// The resources exactly as the device's shell and dialog manager read them.
#include "harness.h"
#include "../res/resource.h"

static const BYTE *Resource(LPCWSTR type, UINT id, DWORD *size)
{
    HMODULE self = GetModuleHandleW(NULL);
    HRSRC res = FindResourceExW(self, type, MAKEINTRESOURCEW(id),
                                MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    if (res == NULL)
        return NULL;
    *size = SizeofResource(self, res);
    return (const BYTE *)LockResource(LoadResource(self, res));
}

static std::wstring LoadText(UINT id)
{
    WCHAR text[512] = {0};
    LoadStringW(GetModuleHandleW(NULL), id, text, 512);
    return text;
}

TEST(Resources, StringTableHoldsEveryText)
{
    static const struct {
        UINT id;
        const wchar_t *text;
    } strings[] = {
        {IDS_DONE, L"Done"},
        {IDS_TITLE, L"Remove Apps"},
        {IDS_NO_REGISTRY, L"Could not access registry. Probably you should unlock your device."},
        {IDS_MENU, L"Menu"},
        {IDS_NO_DETAILS, L"Could not get details."},
        {IDS_DETAILS, L"Install path: \"%s\"\nSize: %s\nInstall date: %s"},
        {IDS_CONFIRM_REMOVE, L"Are you sure to remove \"%s\" from device?"},
        {IDS_REMOVED, L"\"%s\" has been removed from device."},
        {IDS_CONFIRM_HIDE, L"Are you sure to add \"%s\" to hidden list?\nLater you can remove it "
                           L"from Hide.txt to show it again."},
        {IDS_CONFIRM_ERASE, L"Are you sure to erase \"%s\" uninstall info from device?\nThis will "
                            L"completely disable uninstallation of this app."},
        {IDS_NOT_REMOVED, L"Could not remove \"%s\" from device."},
        {IDS_CANNOT_HIDE, L"\"%s\" cannot be added to the hidden list: Hide.txt cannot hold its "
                          L"name."},
        {IDS_NOT_SAVED, L"Hide.txt could not be saved: the applications hidden in this run will be "
                        L"listed again at the next start."},
        {IDS_NO_MEMORY_TO_HIDE, L"\"%s\" could not be added to the hidden list: there is not "
                                L"enough memory."},
        {IDS_PARTLY_SAVED, L"Hide.txt could not hold every application hidden in this run: those "
                           L"it could not hold will be listed again at the next start."},
    };
    for (const auto &s : strings)
        EXPECT_EQ(s.text, LoadText(s.id)) << "string " << s.id;

    std::wstring about = LoadText(IDS_ABOUT);
    EXPECT_EQ(0u, about.find(L"Remove Apps %s\n")) << Narrow(about);
    EXPECT_EQ(about.find(L"%"), about.rfind(L"%")) << "one placeholder only";
}

TEST(Resources, SoftKeyBarIsSixteenWords)
{
    DWORD size = 0;
    const WORD *words = (const WORD *)Resource(RT_RCDATA, IDR_MENUBAR, &size);
    ASSERT_NE(nullptr, words);
    ASSERT_EQ(32u, size);
    const WORD expected[16] = {103,    2,      0xFFFE, 41009, 4,    0x10,  40004, 0,
                               0xFFFF, 0xFFFE, 41006,  4,     0x18, 40007, 0,     1};
    for (int i = 0; i < 16; i++)
        EXPECT_EQ(expected[i], words[i]) << "word " << i;
}

TEST(Resources, MenuHasDoneThenTheMenuPopUp)
{
    HMENU menu = LoadMenuW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDR_MENUBAR));
    ASSERT_NE((HMENU)NULL, menu);
    ASSERT_EQ(2, GetMenuItemCount(menu));
    WCHAR text[64];
    GetMenuStringW(menu, 0, text, 64, MF_BYPOSITION);
    EXPECT_STREQ(L"Done", text);
    EXPECT_EQ((UINT)IDM_DONE, GetMenuItemID(menu, 0));
    GetMenuStringW(menu, 1, text, 64, MF_BYPOSITION);
    EXPECT_STREQ(L"Menu", text);
    HMENU popup = GetSubMenu(menu, 1);
    ASSERT_NE((HMENU)NULL, popup);
    const UINT ids[] = {IDM_SELECT, IDM_DETAILS, IDM_HIDE, IDM_ERASE, IDM_REFRESH, IDM_ABOUT};
    const wchar_t *texts[] = {
        L"Select",  L"Details", L"Add to hidden list", L"Erase uninstall info",
        L"Refresh", L"About..."};
    ASSERT_EQ(6, GetMenuItemCount(popup));
    for (int i = 0; i < 6; i++) {
        GetMenuStringW(popup, i, text, 64, MF_BYPOSITION);
        EXPECT_STREQ(texts[i], text);
        EXPECT_EQ(ids[i], GetMenuItemID(popup, i));
    }
    DestroyMenu(menu);
}

// Reads a string or ordinal field of a dialog template and moves past it.
static std::wstring TemplateField(const WORD *&at)
{
    if (*at == 0xFFFF) {
        std::wstring ordinal = L"#" + std::to_wstring(at[1]);
        at += 2;
        return ordinal;
    }
    std::wstring text((const wchar_t *)at);
    at += text.size() + 1;
    return text;
}

TEST(Resources, DialogTemplateHoldsTheOneListControl)
{
    DWORD size = 0;
    const BYTE *data = Resource(RT_DIALOG, IDD_MAIN, &size);
    ASSERT_NE(nullptr, data);
    const DLGTEMPLATE *dlg = (const DLGTEMPLATE *)data;
    EXPECT_EQ((DWORD)(WS_POPUP | DS_SETFONT), dlg->style);
    EXPECT_EQ(1, dlg->cdit);
    EXPECT_EQ(0, dlg->x);
    EXPECT_EQ(0, dlg->y);
    EXPECT_EQ(101, dlg->cx);
    EXPECT_EQ(88, dlg->cy);
    const WORD *at = (const WORD *)(dlg + 1);
    EXPECT_EQ(L"", TemplateField(at)) << "no menu";
    EXPECT_EQ(L"", TemplateField(at)) << "no class";
    EXPECT_EQ(L"", TemplateField(at)) << "no caption";
    EXPECT_EQ(8, *at++);
    EXPECT_EQ(L"System", TemplateField(at));

    const DLGITEMTEMPLATE *item = (const DLGITEMTEMPLATE *)(((ULONG_PTR)at + 3) & ~(ULONG_PTR)3);
    EXPECT_EQ(0x5001C00Du, item->style);
    EXPECT_EQ(IDC_APPLIST, item->id);
    EXPECT_EQ(0, item->x);
    EXPECT_EQ(0, item->y);
    EXPECT_EQ(101, item->cx);
    EXPECT_EQ(88, item->cy);
    at = (const WORD *)(item + 1);
    // windres stores the class name in capitals; window classes ignore case.
    EXPECT_EQ(0, _wcsicmp(L"SysListView32", TemplateField(at).c_str()));
    EXPECT_EQ(L"List2", TemplateField(at));
}

#pragma pack(push, 2)
typedef struct {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
} ICONGROUPENTRY;
#pragma pack(pop)

TEST(Resources, IconGroupHasFourImages)
{
    DWORD size = 0;
    const WORD *group = (const WORD *)Resource(RT_GROUP_ICON, IDI_APP, &size);
    ASSERT_NE(nullptr, group);
    ASSERT_EQ(4, group[2]);
    const ICONGROUPENTRY *entries = (const ICONGROUPENTRY *)(group + 3);
    std::vector<std::pair<int, int>> images;
    for (int i = 0; i < 4; i++) {
        images.push_back({entries[i].width, entries[i].bitCount});
        EXPECT_EQ(entries[i].width, entries[i].height);
        DWORD imageSize = 0;
        EXPECT_NE(nullptr, Resource(RT_ICON, entries[i].id, &imageSize));
        EXPECT_EQ(entries[i].bytes, imageSize);
    }
    std::sort(images.begin(), images.end());
    EXPECT_EQ((std::vector<std::pair<int, int>>{{16, 4}, {16, 8}, {32, 4}, {32, 8}}), images);
}
