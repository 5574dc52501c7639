// The main dialog driven as a user would: commands from the soft keys and the
// action key, message boxes read and answered.
#include "harness.h"
#include "../app/hidden_list.h"
#include "../app/state.h"
#include "../res/resource.h"
#include "standin.h"
#include <commctrl.h>

class DialogTest : public AppTest
{
  protected:
    std::vector<std::wstring> Rows() const
    {
        return ListRows(g_Main.hAppList);
    }
    DialogDriver driver_;
};

static HWND FindMenuBar(HWND dialog)
{
    HWND bar = NULL;
    while ((bar = FindWindowExW(NULL, bar, STANDIN_MENUBAR_CLASS, NULL)) != NULL) {
        if (GetWindow(bar, GW_OWNER) == dialog)
            return bar;
    }
    return NULL;
}

// Soft key `index` of the dialog's bar, from the left.
static HWND SoftKey(HWND dialog, int index)
{
    HWND key = GetWindow(FindMenuBar(dialog), GW_CHILD);
    for (int i = 0; i < index; i++)
        key = GetWindow(key, GW_HWNDNEXT);
    return key;
}

// A finger on soft key `index` of the dialog's bar: pressed and released.
static void TapSoftKey(HWND dialog, int index)
{
    HWND key = SoftKey(dialog, index);
    PostMessageW(key, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageW(key, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

// Lets the dialog handle what is queued until `done` or two seconds.
static void PumpUntil(const std::function<bool()> &done)
{
    for (int i = 0; i < 400 && !done(); i++) {
        MSG msg;
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    }
}

static std::vector<std::wstring> ChildTexts(HWND parent)
{
    std::vector<std::wstring> texts;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        WCHAR text[64] = {0};
        GetWindowTextW(child, text, 64);
        texts.push_back(text);
    }
    return texts;
}

TEST_F(DialogTest, StartShowsTitleAndSortedListWithoutHiddenNames)
{
    AddRecord(L"beta", NULL, NULL);
    AddRecord(L"Alpha", NULL, NULL);
    AddRecord(L"Secret", NULL, NULL);
    AddHiddenName(L"Secret");
    driver_.Run([&](HWND dialog) {
        WCHAR title[64] = {0};
        GetWindowTextW(dialog, title, 64);
        EXPECT_STREQ(L"Remove Apps", title);
        EXPECT_EQ((std::vector<std::wstring>{L"Alpha", L"beta"}), Rows());
        EXPECT_EQ(0, SendMessageW(g_Main.hAppList, LVM_GETSELECTIONMARK, 0, 0));
        EXPECT_EQ(0, SendMessageW(g_Main.hAppList, LVM_GETSELECTEDCOUNT, 0, 0));
    });
    EXPECT_TRUE(driver_.scriptRan);
    EXPECT_TRUE(driver_.boxes.empty());
}

TEST_F(DialogTest, FillsTheScreenAboveTheSoftKeys)
{
    driver_.Run([&](HWND dialog) {
        RECT dlg, list;
        GetWindowRect(dialog, &dlg);
        GetWindowRect(g_Main.hAppList, &list);
        int frame = GetSystemMetrics(SM_CYDLGFRAME);
        EXPECT_EQ(0, dlg.left);
        EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION) - frame, dlg.top);
        EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), dlg.right);
        EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN) - GetSystemMetrics(SM_CYCAPTION) -
                      GetSystemMetrics(SM_CYMENU) + 2 * frame,
                  dlg.bottom - dlg.top);
        EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), list.right - list.left);
        EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION), list.top) << "the list starts below the title";
        EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN) - GetSystemMetrics(SM_CYMENU), list.bottom)
            << "the list ends where the soft-key bar begins";

        // With more rows than fit, End shows the last one whole above the bar.
        for (int i = 0; i < 300; i++)
            AddRecord(L"App " + std::to_wstring(1000 + i), NULL, NULL);
        DialogDriver::Command(dialog, IDM_REFRESH);
        SendMessageW(g_Main.hAppList, WM_KEYDOWN, VK_END, 0);
        int last = (int)SendMessageW(g_Main.hAppList, LVM_GETNEXTITEM, -1, LVNI_SELECTED);
        ASSERT_EQ(299, last);
        RECT row, visible;
        row.left = LVIR_BOUNDS;
        SendMessageW(g_Main.hAppList, LVM_GETITEMRECT, last, (LPARAM)&row);
        MapWindowPoints(g_Main.hAppList, NULL, (POINT *)&row, 2);
        GetClientRect(g_Main.hAppList, &visible);
        MapWindowPoints(g_Main.hAppList, NULL, (POINT *)&visible, 2);
        EXPECT_GE(row.top, visible.top);
        EXPECT_LE(row.bottom, visible.bottom);
        EXPECT_LE(row.bottom, GetSystemMetrics(SM_CYSCREEN) - GetSystemMetrics(SM_CYMENU));
    });
}

TEST_F(DialogTest, RefreshShowsRecordAddedMeanwhile)
{
    AddRecord(L"First", NULL, NULL);
    driver_.Run([&](HWND dialog) {
        EXPECT_EQ((std::vector<std::wstring>{L"First"}), Rows());
        AddRecord(L"Added", NULL, NULL);
        DialogDriver::Command(dialog, IDM_REFRESH);
        EXPECT_EQ((std::vector<std::wstring>{L"Added", L"First"}), Rows());
        EXPECT_EQ(0, SendMessageW(g_Main.hAppList, LVM_GETSELECTIONMARK, 0, 0));
    });
    EXPECT_EQ(1, driver_.refreshes);
}

TEST_F(DialogTest, AboutShowsVersionWithTitleAndInformationIcon)
{
    driver_.Run([&](HWND dialog) { DialogDriver::Command(dialog, IDM_ABOUT); });
    ASSERT_EQ(1u, driver_.boxes.size()) << testing::PrintToString(driver_.boxes);
    EXPECT_NE(std::wstring::npos, driver_.boxes[0].text.find(L"Remove Apps 0.3"))
        << Narrow(driver_.boxes[0].text);
    EXPECT_EQ(L"Remove Apps", driver_.boxes[0].caption);
    EXPECT_EQ((UINT)MB_ICONINFORMATION, driver_.boxes[0].icon);
    EXPECT_FALSE(driver_.boxes[0].yesNo);
}

TEST_F(DialogTest, DoneEndsTheDialogAndClosesTheKey)
{
    AddRecord(L"App", NULL, NULL);
    HWND seen = NULL;
    driver_.Run([&](HWND dialog) {
        seen = dialog;
        DialogDriver::Command(dialog, IDM_DONE);
        EXPECT_FALSE(IsWindowVisible(dialog));
    });
    EXPECT_FALSE(IsWindow(seen));
    EXPECT_EQ((HKEY)NULL, g_Main.hAppInstallKey);
}

TEST_F(DialogTest, MissingRegistryKeyTellsTheUserAndEnds)
{
    DeleteAppInstallKey();
    driver_.Run([&](HWND) { ADD_FAILURE() << "the dialog should not have stayed up"; });
    EXPECT_FALSE(driver_.scriptRan);
    ASSERT_EQ(1u, driver_.boxes.size()) << testing::PrintToString(driver_.boxes);
    EXPECT_BOX(driver_.boxes[0],
               L"Could not access registry. Probably you should unlock your device.",
               L"Remove Apps", MB_ICONERROR);
}

TEST_F(DialogTest, ActionKeyAsksToRemoveAsSelectDoes)
{
    AddRecord(L"Zed", NULL, NULL);
    AddRecord(L"Alpha", NULL, NULL);
    driver_.Run([&](HWND dialog) {
        DialogDriver::Command(dialog, IDOK);
        DialogDriver::Command(dialog, IDM_SELECT);
    });
    ASSERT_EQ(2u, driver_.boxes.size()) << testing::PrintToString(driver_.boxes);
    for (const ShownBox &box : driver_.boxes) {
        EXPECT_EQ(L"Are you sure to remove \"Alpha\" from device?", box.text);
        EXPECT_TRUE(box.yesNo);
        EXPECT_EQ((UINT)MB_ICONQUESTION, box.icon);
    }
    EXPECT_TRUE(RecordExists(L"Alpha"));
}

TEST_F(DialogTest, UnknownCommandsAndDoubleTapsStartNothing)
{
    AddRecord(L"App", NULL, NULL);
    driver_.Run([&](HWND dialog) {
        for (WORD id : {(WORD)IDM_MENU, (WORD)IDCANCEL, (WORD)0, (WORD)12345, (WORD)0xFFFF})
            DialogDriver::Command(dialog, id);
        RECT row;
        row.left = LVIR_BOUNDS;
        SendMessageW(g_Main.hAppList, LVM_GETITEMRECT, 0, (LPARAM)&row);
        LPARAM at = MAKELPARAM(row.left + 5, (row.top + row.bottom) / 2);
        SendMessageW(g_Main.hAppList, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(g_Main.hAppList, WM_LBUTTONUP, 0, at);
        SendMessageW(g_Main.hAppList, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        SendMessageW(g_Main.hAppList, WM_LBUTTONUP, 0, at);
        EXPECT_TRUE(IsWindowVisible(dialog));
        EXPECT_EQ((std::vector<std::wstring>{L"App"}), Rows());
    });
    EXPECT_TRUE(driver_.boxes.empty());
    EXPECT_EQ(0, driver_.refreshes);
}

TEST_F(DialogTest, EmptyListMakesEverySingleApplicationCommandDoNothing)
{
    driver_.Run([&](HWND dialog) {
        for (WORD id :
             {(WORD)IDOK, (WORD)IDM_SELECT, (WORD)IDM_DETAILS, (WORD)IDM_HIDE, (WORD)IDM_ERASE}) {
            driver_.answers.assign(4, IDYES);
            DialogDriver::Command(dialog, id);
        }
    });
    EXPECT_TRUE(driver_.boxes.empty());
    EXPECT_EQ(0, driver_.refreshes);
    EXPECT_EQ(0, g_Hidden.count);
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Security\\AppInstall", 0, KEY_READ, &key));
    RegCloseKey(key);
}

TEST_F(DialogTest, SoftKeyBarHasDoneAndMenuAlongTheBottom)
{
    driver_.Run([&](HWND dialog) {
        HWND bar = FindMenuBar(dialog);
        ASSERT_NE((HWND)NULL, bar);
        RECT rc;
        GetWindowRect(bar, &rc);
        EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), rc.bottom);
        EXPECT_EQ(GetSystemMetrics(SM_CYMENU), rc.bottom - rc.top);
        EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), rc.right - rc.left);
        EXPECT_EQ((std::vector<std::wstring>{L"Done", L"Menu"}), ChildTexts(bar));
    });
}

TEST_F(DialogTest, DoneSoftKeyEndsTheDialog)
{
    HWND seen = NULL;
    driver_.Run([&](HWND dialog) {
        seen = dialog;
        HWND done = GetWindow(FindMenuBar(dialog), GW_CHILD);
        SendMessageW(done, BM_CLICK, 0, 0);
        EXPECT_FALSE(IsWindowVisible(dialog));
    });
    EXPECT_FALSE(IsWindow(seen));
}

TEST_F(DialogTest, SoftKeysAreDeadWhileAQuestionIsOpenAndTheAnswerDecides)
{
    InstallApp(L"Foo", L"Foo");
    HWND seen = NULL;
    driver_.onBox = [&](HWND) {
        TapSoftKey(seen, 0);
        TapSoftKey(seen, 1);
    };
    driver_.answers = {IDYES};
    driver_.Run([&](HWND dialog) {
        seen = dialog;
        DialogDriver::Command(dialog, IDM_SELECT);
        EXPECT_TRUE(IsWindowVisible(dialog)) << "Done was not pressed";
    });
    EXPECT_TRUE(driver_.menuItems.empty()) << "the pop-up did not open";
    EXPECT_FALSE(RecordExists(L"Foo"));
    EXPECT_EQ(2u, driver_.boxes.size()) << testing::PrintToString(driver_.boxes);
}

TEST_F(DialogTest, SoftKeyButtonsOpenThePopUpAndEndTheDialog)
{
    driver_.Run([&](HWND dialog) {
        PostMessageW(g_Main.hAppList, WM_KEYDOWN, VK_F2, 0);
        PumpUntil([&] { return !driver_.menuItems.empty(); });
        EXPECT_EQ(6u, driver_.menuItems.size()) << "F2 opens the Menu pop-up";
        PostMessageW(g_Main.hAppList, WM_KEYDOWN, VK_F1, 0);
        PumpUntil([&] { return !IsWindowVisible(dialog); });
        EXPECT_FALSE(IsWindowVisible(dialog)) << "F1 is Done";
    });
}

// How far down `control` inks its client area when given `room` pixels more
// than its height: text it wraps below its height would be cut off.
static int InkedHeight(HWND control, int room)
{
    RECT rc;
    GetClientRect(control, &rc);
    int width = rc.right, height = rc.bottom + room;
    const UINT flags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW;
    SetWindowPos(control, NULL, 0, 0, width, height, flags);
    HDC screen = GetDC(control);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(dc, bitmap);
    SendMessageW(control, WM_PRINTCLIENT, (WPARAM)dc, PRF_CLIENT | PRF_ERASEBKGND);
    COLORREF background = GetPixel(dc, width - 1, height - 1);
    int inked = 0;
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++)
            inked = GetPixel(dc, x, y) != background ? y + 1 : inked;
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(control, screen);
    SetWindowPos(control, NULL, 0, 0, width, rc.bottom, flags);
    return inked;
}

// Closes a pop-up menu of this thread that is still open, and says so. Test
// programs running side by side share Wine's desktop: another one's menu may
// be open at the time.
static bool g_menuLeftOpen;
static void CALLBACK CloseMenuLeftOpen(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(NULL, id);
    HWND menu = NULL;
    while ((menu = FindWindowExW(NULL, menu, L"#32768", NULL)) != NULL) {
        if (GetWindowThreadProcessId(menu, NULL) == GetCurrentThreadId() && IsWindowVisible(menu)) {
            g_menuLeftOpen = true;
            EndMenu();
        }
    }
}

TEST_F(DialogTest, EitherSoftKeyWithTheMenuOpenOnlyClosesIt)
{
    static const struct {
        int line;
        UINT tap;  // a finger on the key, or on the bar's edge, rather than its button
        int index; // 0: Done (F1), 1: Menu (F2)
    } cases[] = {
        {__LINE__, 0, 0},
        {__LINE__, 0, 1},
        {__LINE__, WM_LBUTTONDOWN, 0},
        {__LINE__, WM_LBUTTONDOWN, 1},
        {__LINE__, WM_NCLBUTTONDOWN, 1},
    };
    AddRecord(L"App", NULL, NULL);
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "case at line " << c.line);
        driver_.menusOpened = 0;
        g_menuLeftOpen = false;
        driver_.onMenu = [&] {
            HWND dialog = GetParent(g_Main.hAppList);
            SetTimer(NULL, 0, 1000, CloseMenuLeftOpen);
            if (!c.tap) {
                PostMessageW(g_Main.hAppList, WM_KEYDOWN, c.index ? VK_F2 : VK_F1, 0);
                return;
            }
            RECT key;
            GetWindowRect(SoftKey(dialog, c.index), &key);
            POINT at = {(key.left + key.right) / 2, (key.top + key.bottom) / 2};
            SetCursorPos(at.x, at.y);
            if (c.tap == WM_NCLBUTTONDOWN)
                PostMessageW(FindMenuBar(dialog), c.tap, HTBORDER, MAKELPARAM(at.x, at.y));
            else
                TapSoftKey(dialog, c.index);
        };
        driver_.Run([&](HWND dialog) {
            PostMessageW(g_Main.hAppList, WM_KEYDOWN, VK_F2, 0);
            PumpUntil([&] { return driver_.menusOpened > 0; });
            PumpUntil([] { return false; }); // whatever the press would still do
            EXPECT_TRUE(IsWindowVisible(dialog)) << "Done was not pressed";
            EXPECT_TRUE(IsWindowEnabled(dialog));
        });
        EXPECT_FALSE(g_menuLeftOpen);
        EXPECT_EQ(1, driver_.menusOpened) << "the menu opened once";
        EXPECT_TRUE(driver_.boxes.empty()) << testing::PrintToString(driver_.boxes);
        EXPECT_EQ(0, driver_.refreshes);
    }
}

TEST_F(DialogTest, MessageBoxesWithTheLongestTextsFitNarrowScreensWhole)
{
    // The longest name, with no space to wrap at, with a long install path;
    // a name Hide.txt cannot hold, for the longest error; and a short error.
    const std::wstring name(99, L'W'), wide(99, L'\x4e2d');
    AddRecord(name, Path(std::wstring(200, L'p')).c_str(), NULL);
    AddRecord(wide, NULL, NULL);
    AddRecord(L"Short", NULL, NULL);
    std::vector<LONG> shortWidths; // of the last box, screen by screen
    // 0x0: none named, so the desktop's.
    for (SIZE screen : {SIZE{240, 320}, SIZE{320, 240}, SIZE{0, 0}}) {
        SCOPED_TRACE(testing::Message() << screen.cx << "x" << screen.cy);
        StandInUseScreen(screen.cx, screen.cy); // as the program's own fit sees it
        if (screen.cx == 0)
            screen = {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        driver_.boxes.clear();
        driver_.onBox = [&](HWND box) {
            RECT window, client;
            GetWindowRect(box, &window);
            shortWidths.push_back(window.right - window.left);
            EXPECT_TRUE(window.left >= 0 && window.top >= 0 && window.right <= screen.cx &&
                        window.bottom <= screen.cy)
                << "the box inside the screen";
            GetClientRect(box, &client);
            MapWindowPoints(box, NULL, (POINT *)&client, 2);
            std::vector<std::pair<HWND, RECT>> shown;
            for (HWND child = GetWindow(box, GW_CHILD); child;
                 child = GetWindow(child, GW_HWNDNEXT)) {
                RECT rc, overlap;
                GetWindowRect(child, &rc);
                if (!(GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE))
                    continue;
                EXPECT_TRUE(rc.left >= client.left && rc.right <= client.right &&
                            rc.top >= client.top && rc.bottom <= client.bottom)
                    << "control " << GetDlgCtrlID(child) << " inside the box";
                for (const auto &other : shown)
                    EXPECT_FALSE(IntersectRect(&overlap, &rc, &other.second))
                        << "controls " << GetDlgCtrlID(child) << " and "
                        << GetDlgCtrlID(other.first) << " overlap";
                shown.push_back({child, rc});
            }
            EXPECT_LE(2u, shown.size()) << "the text and a button at least";
            HWND text = GetDlgItem(box, 0xFFFF);
            GetClientRect(text, &client);
            EXPECT_LE(InkedHeight(text, 200), client.bottom) << "the whole text shows";
        };
        driver_.answers = {IDNO, IDNO, IDNO, IDOK, IDOK, IDOK, IDOK};
        driver_.Run([&](HWND dialog) {
            ASSERT_TRUE(MarkRow(name));
            for (WORD command : {IDM_SELECT, IDM_HIDE, IDM_ERASE, IDM_DETAILS, IDM_ABOUT})
                DialogDriver::Command(dialog, command);
            ASSERT_TRUE(MarkRow(wide));
            DialogDriver::Command(dialog, IDM_HIDE);
            ASSERT_TRUE(MarkRow(L"Short"));
            DialogDriver::Command(dialog, IDM_DETAILS);
        });
        StandInUseScreen(0, 0);
        ASSERT_EQ(7u, driver_.boxes.size()) << testing::PrintToString(driver_.boxes);
        EXPECT_EQ(L"\"" + wide +
                      L"\" cannot be added to the hidden list: Hide.txt cannot hold its name.",
                  driver_.boxes[5].text);
    }
    // A box already narrower than the screen keeps its width.
    EXPECT_LT(shortWidths[6], 240);
    EXPECT_EQ(shortWidths[6], shortWidths[13]);
}

TEST_F(DialogTest, MenuSoftKeyOpensTheSixItemsAndSendsTheChosenOne)
{
    driver_.menuChoice = 5; // "About..."
    driver_.Run([&](HWND dialog) {
        HWND menu = GetWindow(GetWindow(FindMenuBar(dialog), GW_CHILD), GW_HWNDNEXT);
        SendMessageW(menu, BM_CLICK, 0, 0);
    });
    EXPECT_EQ((std::vector<std::wstring>{L"Select", L"Details", L"Add to hidden list",
                                         L"Erase uninstall info", L"Refresh", L"About..."}),
              driver_.menuItems);
    EXPECT_EQ(
        (std::vector<UINT>{IDM_SELECT, IDM_DETAILS, IDM_HIDE, IDM_ERASE, IDM_REFRESH, IDM_ABOUT}),
        driver_.menuIds);
    ASSERT_EQ(1u, driver_.boxes.size()) << testing::PrintToString(driver_.boxes);
    EXPECT_NE(std::wstring::npos, driver_.boxes[0].text.find(L"0.3"));

    // An item chosen once the window was disabled, or had ended, sends nothing.
    for (bool ends : {false, true}) {
        driver_.boxes.clear();
        driver_.menusOpened = 0;
        driver_.onMenu = [&] {
            HWND dialog = GetParent(g_Main.hAppList);
            ends ? EndDialog(dialog, 0) : EnableWindow(dialog, FALSE);
            driver_.menuChoice = 5;
        };
        driver_.Run([&](HWND dialog) { SendMessageW(SoftKey(dialog, 1), BM_CLICK, 0, 0); });
        EXPECT_EQ(1, driver_.menusOpened);
        EXPECT_TRUE(driver_.boxes.empty()) << (ends ? "ended" : "disabled");
    }
}
