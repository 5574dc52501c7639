// Desktop stand-in for the Pocket PC soft-key bar: a strip along the bottom of
// the screen, SM_CYMENU high, with one button per soft key. A key without a
// pop-up sends its command to the parent; a key with one opens that pop-up of
// the bar's menu and sends the chosen item's command.
#define AYGSHELL_STANDIN_BUILD
#include "aygshell.h"
#include "standin.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

#define MAX_SOFTKEYS 4
#define SOFTKEY_WORDS 7
#define FIRST_KEY_ID 100

// One soft key as the bar's resource describes it.
typedef struct {
    WORD command; // sent to the parent when the key has no pop-up
    WORD subMenu; // index of the key's pop-up in the bar's menu, or NOMENU
} SOFTKEY;

// The bar of one window, kept in the bar window's user data.
typedef struct {
    HWND parent;                // receives every command
    HMENU menu;                 // the menu named by the resource, owned by the bar
    int count;                  // soft keys in use
    SOFTKEY keys[MAX_SOFTKEYS]; // left to right
    WCHAR labels[MAX_SOFTKEYS][32];
} MENUBAR;

static HINSTANCE ThisModule(void)
{
    return (HINSTANCE)&__ImageBase;
}

// Reads the bar's resource: menu id, key count, then seven words per key
// (image, command, state, style, label string, 0, pop-up index).
static BOOL LoadBarResource(HINSTANCE inst, UINT id, MENUBAR *bar)
{
    HRSRC res = FindResourceW(inst, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    if (res == NULL)
        return FALSE;
    const WORD *words = (const WORD *)LockResource(LoadResource(inst, res));
    DWORD size = SizeofResource(inst, res) / sizeof(WORD);
    if (words == NULL || size < 2)
        return FALSE;
    int count = words[1];
    if (count < 1 || count > MAX_SOFTKEYS || size < 2 + (DWORD)count * SOFTKEY_WORDS)
        return FALSE;
    bar->menu = LoadMenuW(inst, MAKEINTRESOURCEW(words[0]));
    if (bar->menu == NULL)
        return FALSE;
    for (int i = 0; i < count; i++) {
        const WORD *key = words + 2 + i * SOFTKEY_WORDS;
        bar->keys[i].command = key[1];
        bar->keys[i].subMenu = key[6];
        if (LoadStringW(inst, key[4], bar->labels[i], 32) <= 0)
            return FALSE;
        if (key[6] != NOMENU && GetSubMenu(bar->menu, key[6]) == NULL)
            return FALSE;
    }
    bar->count = count;
    return TRUE;
}

static void PressKey(HWND hwnd, MENUBAR *bar, int index)
{
    const SOFTKEY *key = &bar->keys[index];
    if (key->subMenu == NOMENU) {
        SendMessageW(bar->parent, WM_COMMAND, MAKEWPARAM(key->command, 0), (LPARAM)hwnd);
        return;
    }
    RECT rc;
    GetWindowRect(GetDlgItem(hwnd, FIRST_KEY_ID + index), &rc);
    UINT chosen = (UINT)TrackPopupMenu(GetSubMenu(bar->menu, key->subMenu),
                                       TPM_RETURNCMD | TPM_RIGHTALIGN | TPM_BOTTOMALIGN, rc.right,
                                       rc.top, 0, hwnd, NULL);
    if (chosen != 0)
        SendMessageW(bar->parent, WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
}

static LRESULT CALLBACK MenuBarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    MENUBAR *bar = (MENUBAR *)GetWindowLongPtrW(hwnd, GWLP_USERDATA);
    switch (msg) {
    case WM_COMMAND: {
        int index = LOWORD(wParam) - FIRST_KEY_ID;
        if (bar != NULL && HIWORD(wParam) == BN_CLICKED && index >= 0 && index < bar->count)
            PressKey(hwnd, bar, index);
        return 0;
    }
    case WM_DESTROY:
        if (bar != NULL) {
            DestroyMenu(bar->menu);
            LocalFree(bar);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        }
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// The device's shell shows the active window's title in its navigation bar
// across the top of the screen; the stand-in draws the same strip for the
// window that owns the soft-key bar.
static LRESULT CALLBACK NavBarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg != WM_PAINT)
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    PAINTSTRUCT ps;
    RECT rc;
    WCHAR title[64] = {0};
    HDC dc = BeginPaint(hwnd, &ps);
    GetClientRect(hwnd, &rc);
    GetWindowTextW(GetWindow(hwnd, GW_OWNER), title, 64);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    rc.left += 6;
    DrawTextW(dc, title, -1, &rc, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
    SelectObject(dc, old);
    EndPaint(hwnd, &ps);
    return 0;
}

static BOOL RegisterStandInClass(LPCWSTR name, WNDPROC proc, HBRUSH background)
{
    WNDCLASSW wc;
    if (GetClassInfoW(ThisModule(), name, &wc))
        return TRUE;
    ZeroMemory(&wc, sizeof(wc));
    wc.lpfnWndProc = proc;
    wc.hInstance = ThisModule();
    wc.hCursor = LoadCursorW(NULL, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    return RegisterClassW(&wc) != 0;
}

static BOOL RegisterBarClasses(void)
{
    static HBRUSH navBackground;
    if (navBackground == NULL)
        navBackground = CreateSolidBrush(RGB(16, 52, 120));
    return RegisterStandInClass(STANDIN_MENUBAR_CLASS, MenuBarProc, (HBRUSH)(COLOR_BTNFACE + 1)) &&
           RegisterStandInClass(STANDIN_NAVBAR_CLASS, NavBarProc, navBackground);
}

static void CreateKeys(HWND hwnd, const MENUBAR *bar, int width, int height)
{
    HFONT font = (HFONT)GetStockObject(DEFAULT_GUI_FONT);
    for (int i = 0; i < bar->count; i++) {
        int left = width * i / bar->count;
        int right = width * (i + 1) / bar->count;
        HWND key = CreateWindowW(L"BUTTON", bar->labels[i], WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON,
                                 left, 0, right - left, height, hwnd,
                                 (HMENU)(INT_PTR)(FIRST_KEY_ID + i), ThisModule(), NULL);
        SendMessageW(key, WM_SETFONT, (WPARAM)font, FALSE);
    }
}

BOOL SHCreateMenuBar(SHMENUBARINFO *pmbi)
{
    if (pmbi == NULL || pmbi->cbSize != sizeof(SHMENUBARINFO) || !RegisterBarClasses()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    MENUBAR *bar = (MENUBAR *)LocalAlloc(LPTR, sizeof(MENUBAR));
    if (bar == NULL)
        return FALSE;
    if (!LoadBarResource(pmbi->hInstRes, pmbi->nToolBarId, bar)) {
        if (bar->menu != NULL)
            DestroyMenu(bar->menu);
        LocalFree(bar);
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return FALSE;
    }
    bar->parent = pmbi->hwndParent;

    // Like the device's soft keys, the bar never takes the focus from the
    // window it serves.
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYMENU);
    HWND hwnd = CreateWindowExW(WS_EX_NOACTIVATE, STANDIN_MENUBAR_CLASS, L"", WS_POPUP, 0,
                                GetSystemMetrics(SM_CYSCREEN) - height, width, height,
                                pmbi->hwndParent, NULL, ThisModule(), NULL);
    if (hwnd == NULL) {
        DestroyMenu(bar->menu);
        LocalFree(bar);
        return FALSE;
    }
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, (LONG_PTR)bar);
    CreateKeys(hwnd, bar, width, height);
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    // The title strip is the shell's, not the program's: it goes with the
    // window it belongs to, and its failure is no failure of the bar.
    HWND nav =
        CreateWindowExW(WS_EX_NOACTIVATE, STANDIN_NAVBAR_CLASS, L"", WS_POPUP, 0, 0, width,
                        GetSystemMetrics(SM_CYCAPTION), pmbi->hwndParent, NULL, ThisModule(), NULL);
    if (nav != NULL)
        ShowWindow(nav, SW_SHOWNOACTIVATE);
    pmbi->hwndMB = hwnd;
    return TRUE;
}
