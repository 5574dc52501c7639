// Desktop stand-in for the Pocket PC soft-key bar: a strip along the bottom of
// the screen, SM_CYMENU high, with one flat key per soft key. A key without a
// pop-up sends its command to the parent; a key with one opens that pop-up of
// the bar's menu and sends the chosen item's command. Like the device's
// shell, it also maps F1 and F2 to the soft keys and fits message boxes to
// the screen.
#define AYGSHELL_STANDIN_BUILD
#include "aygshell.h"
#include "standin.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

#define MAX_SOFTKEYS 4
#define SOFTKEY_WORDS 7
#define FIRST_KEY_ID 100
// Posted to a bar to put it back above its window, once that window is active.
#define WM_STANDIN_RAISE (WM_APP + 1)
// For its first two seconds a bar also does so every quarter of a second: the
// timer's id counts the times left.
#define RAISE_TIMES 8
#define RAISE_PERIOD_MS 250

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

// What every bar of the process draws with, and the shell's hooks of the
// program's thread: made with the first bar, kept for the process's life.
static struct {
    HBRUSH barBrush;   // the bars' background
    HBRUSH heldBrush;  // a soft key while a finger holds it
    HFONT font;        // labels and title
    HHOOK keysHook;    // F1 and F2 press the soft keys
    HHOOK windowsHook; // message boxes fit the screen; bars stay on top
    HWND menuBar;      // the bar whose pop-up is open, if any
    UINT dropped;      // the press that closed the pop-up, to go no further
    SIZE screen;       // the screen boxes fit, when a test sets one
} g_Shell;

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

// A soft key does nothing while the window it serves is disabled: a message
// box of that window owns the screen, as on the device.
static void PressKey(HWND key)
{
    HWND hwnd = GetParent(key);
    MENUBAR *bar = (MENUBAR *)GetWindowLongPtrW(hwnd, GWLP_USERDATA);
    int index = GetDlgCtrlID(key) - FIRST_KEY_ID;
    if (bar == NULL || index < 0 || index >= bar->count || !IsWindowEnabled(bar->parent))
        return;
    const SOFTKEY *soft = &bar->keys[index];
    if (soft->subMenu == NOMENU) {
        SendMessageW(bar->parent, WM_COMMAND, MAKEWPARAM(soft->command, 0), (LPARAM)hwnd);
        return;
    }
    RECT rc;
    GetWindowRect(key, &rc);
    g_Shell.menuBar = hwnd;
    UINT chosen = (UINT)TrackPopupMenu(GetSubMenu(bar->menu, soft->subMenu),
                                       TPM_RETURNCMD | TPM_RIGHTALIGN | TPM_BOTTOMALIGN, rc.right,
                                       rc.top, 0, hwnd, NULL);
    g_Shell.menuBar = NULL;
    // A window that has ended, or that a box has taken over, gets no command.
    if (chosen != 0 && IsWindowEnabled(bar->parent) && IsWindowVisible(bar->parent))
        SendMessageW(bar->parent, WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
}

// Flat, in the bar's colours, darker while held; never with a focus mark.
static void PaintKey(HWND key)
{
    PAINTSTRUCT ps;
    RECT rc;
    WCHAR label[32] = {0};
    HDC dc = BeginPaint(key, &ps);
    GetClientRect(key, &rc);
    BOOL held = GetWindowLongPtrW(key, GWLP_USERDATA) != 0;
    FillRect(dc, &rc, held ? g_Shell.heldBrush : g_Shell.barBrush);
    GetWindowTextW(key, label, 32);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    HGDIOBJ old = SelectObject(dc, g_Shell.font);
    DrawTextW(dc, label, -1, &rc, DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX);
    SelectObject(dc, old);
    EndPaint(key, &ps);
}

static void HoldKey(HWND key, BOOL held)
{
    SetWindowLongPtrW(key, GWLP_USERDATA, held);
    InvalidateRect(key, NULL, FALSE);
}

// One soft key: a tap (press and release on it) or BM_CLICK presses it. It
// never takes the focus or activates its window.
static LRESULT CALLBACK SoftKeyProc(HWND key, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_LBUTTONDOWN:
        SetCapture(key);
        HoldKey(key, TRUE);
        return 0;
    case WM_LBUTTONUP: {
        BOOL held = GetWindowLongPtrW(key, GWLP_USERDATA) != 0;
        RECT rc;
        POINT at = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
        GetClientRect(key, &rc);
        ReleaseCapture();
        if (held && PtInRect(&rc, at))
            PressKey(key);
        return 0;
    }
    case WM_CAPTURECHANGED: HoldKey(key, FALSE); return 0;
    case BM_CLICK: PressKey(key); return 0;
    case WM_PAINT: PaintKey(key); return 0;
    }
    return DefWindowProcW(key, msg, wParam, lParam);
}

// Wine's virtual desktop can draw a window that becomes active, or that it
// shows for the first time, over the topmost bars that it owns; leaving and
// taking the topmost place again restores them.
static BOOL RaiseBar(HWND hwnd, UINT msg, WPARAM wParam)
{
    if (msg == WM_TIMER && wParam >= 1 && wParam <= RAISE_TIMES) {
        KillTimer(hwnd, wParam);
        if (wParam > 1)
            SetTimer(hwnd, wParam - 1, RAISE_PERIOD_MS, NULL);
    } else if (msg != WM_STANDIN_RAISE) {
        return FALSE;
    }
    const UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    SetWindowPos(hwnd, HWND_NOTOPMOST, 0, 0, 0, 0, flags);
    SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, flags);
    return TRUE;
}

static LRESULT CALLBACK MenuBarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_MOUSEACTIVATE)
        return MA_NOACTIVATE;
    if (RaiseBar(hwnd, msg, wParam))
        return 0;
    if (msg == WM_DESTROY) {
        MENUBAR *bar = (MENUBAR *)GetWindowLongPtrW(hwnd, GWLP_USERDATA);
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
    if (msg == WM_MOUSEACTIVATE)
        return MA_NOACTIVATE;
    if (RaiseBar(hwnd, msg, wParam))
        return 0;
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
    HGDIOBJ old = SelectObject(dc, g_Shell.font);
    rc.left += GetSystemMetrics(SM_CYCAPTION) / 4;
    DrawTextW(dc, title, -1, &rc, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
    SelectObject(dc, old);
    EndPaint(hwnd, &ps);
    return 0;
}

// The bar of class `cls` that the window `owner` has, if any.
static HWND FindBarOf(HWND owner, LPCWSTR cls = STANDIN_MENUBAR_CLASS)
{
    HWND bar = NULL;
    while ((bar = FindWindowExW(NULL, bar, cls, NULL)) != NULL) {
        if (GetWindow(bar, GW_OWNER) == owner)
            return bar;
    }
    return NULL;
}

static BOOL IsSoftKeyButton(const MSG *msg)
{
    return msg->message == WM_KEYDOWN && (msg->wParam == VK_F1 || msg->wParam == VK_F2);
}

// A tap on the bar whose pop-up is open.
static BOOL IsTapOnOpenBar(const MSG *msg)
{
    RECT rc;
    return (msg->message == WM_LBUTTONDOWN || msg->message == WM_NCLBUTTONDOWN) &&
           GetWindowRect(g_Shell.menuBar, &rc) && PtInRect(&rc, msg->pt);
}

// As on the device, pressing either soft key while the pop-up is open only
// closes it. The menu's own loop looks at a message before it takes it, and
// may leave it to the window's loop: the press is dropped wherever it is taken.
static void CloseOpenMenu(MSG *msg, BOOL removing)
{
    if (g_Shell.menuBar != NULL && (IsSoftKeyButton(msg) || IsTapOnOpenBar(msg))) {
        EndMenu();
        g_Shell.dropped = msg->message;
    }
    if (removing && g_Shell.dropped != 0 && msg->message == g_Shell.dropped) {
        g_Shell.dropped = 0;
        msg->message = WM_NULL;
    }
}

// The device's two soft-key buttons (F1 and F2 here) press the left and the
// right soft key of the window that has the keyboard.
static LRESULT CALLBACK SoftKeyButtonsHook(int code, WPARAM wParam, LPARAM lParam)
{
    MSG *msg = (MSG *)lParam;
    if (code == HC_ACTION)
        CloseOpenMenu(msg, wParam == PM_REMOVE);
    if (code == HC_ACTION && wParam == PM_REMOVE && IsSoftKeyButton(msg) && msg->hwnd != NULL) {
        HWND hwnd = FindBarOf(GetAncestor(msg->hwnd, GA_ROOT));
        MENUBAR *bar = hwnd ? (MENUBAR *)GetWindowLongPtrW(hwnd, GWLP_USERDATA) : NULL;
        HWND key =
            bar ? GetDlgItem(hwnd, FIRST_KEY_ID + (msg->wParam == VK_F1 ? 0 : bar->count - 1))
                : NULL;
        if (key != NULL) {
            PostMessageW(key, BM_CLICK, 0, 0);
            msg->message = WM_NULL;
        }
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

#define ORIGINAL_PROC L"RemoveAppsStandInDialogProc"

// A dialog of the program once it is created: a message box is fitted to the
// screen as soon as it has laid itself out, before it shows. (Under a real
// display, Wine may activate a box before it lays it out.)
static LRESULT CALLBACK FittedDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    WNDPROC original = (WNDPROC)GetPropW(hwnd, ORIGINAL_PROC);
    LRESULT result = CallWindowProcW(original, hwnd, msg, wParam, lParam);
    if (msg == WM_INITDIALOG && IsStandInMessageBox(hwnd)) {
        SIZE screen = g_Shell.screen;
        if (screen.cx <= 0)
            screen = {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        StandInFitMessageBox(hwnd, screen.cx, screen.cy);
    } else if (msg == WM_NCDESTROY) {
        RemovePropW(hwnd, ORIGINAL_PROC);
    }
    return result;
}

void StandInUseScreen(int width, int height)
{
    g_Shell.screen.cx = width;
    g_Shell.screen.cy = height;
}

// Message boxes of the program fit the screen, as the device's do, and the
// bars of a window stay above it whenever it becomes active.
static LRESULT CALLBACK WindowsHook(int code, WPARAM wParam, LPARAM lParam)
{
    HWND window = (HWND)wParam;
    WCHAR cls[16] = {0};
    if (code == HCBT_CREATEWND && GetClassNameW(window, cls, 16) && lstrcmpW(cls, L"#32770") == 0 &&
        SetPropW(window, ORIGINAL_PROC, (HANDLE)GetWindowLongPtrW(window, GWLP_WNDPROC))) {
        SetWindowLongPtrW(window, GWLP_WNDPROC, (LONG_PTR)FittedDialogProc);
    } else if (code == HCBT_ACTIVATE && !IsStandInMessageBox(window)) {
        static const LPCWSTR classes[] = {STANDIN_MENUBAR_CLASS, STANDIN_NAVBAR_CLASS};
        for (LPCWSTR bar : classes) {
            HWND found = FindBarOf(window, bar);
            if (found != NULL)
                PostMessageW(found, WM_STANDIN_RAISE, 0, 0);
        }
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
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

// Classes, colours, font and the shell's hooks for this thread, made once.
static BOOL SetUpShell(void)
{
    if (g_Shell.font == NULL) {
        g_Shell.barBrush = CreateSolidBrush(RGB(16, 52, 120));
        g_Shell.heldBrush = CreateSolidBrush(RGB(60, 110, 190));
        // Bold labels half as tall as the bars, which follow the screen's metrics.
        g_Shell.font = CreateFontW(-GetSystemMetrics(SM_CYMENU) / 2, 0, 0, 0, FW_BOLD, FALSE, FALSE,
                                   FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                   DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Tahoma");
    }
    if (g_Shell.keysHook == NULL)
        g_Shell.keysHook =
            SetWindowsHookExW(WH_GETMESSAGE, SoftKeyButtonsHook, NULL, GetCurrentThreadId());
    if (g_Shell.windowsHook == NULL)
        g_Shell.windowsHook = SetWindowsHookExW(WH_CBT, WindowsHook, NULL, GetCurrentThreadId());
    return g_Shell.font != NULL && g_Shell.barBrush != NULL && g_Shell.heldBrush != NULL &&
           RegisterStandInClass(STANDIN_MENUBAR_CLASS, MenuBarProc, g_Shell.barBrush) &&
           RegisterStandInClass(STANDIN_NAVBAR_CLASS, NavBarProc, g_Shell.barBrush) &&
           RegisterStandInClass(STANDIN_SOFTKEY_CLASS, SoftKeyProc, NULL);
}

static void CreateKeys(HWND hwnd, const MENUBAR *bar, int width, int height)
{
    for (int i = 0; i < bar->count; i++) {
        int left = width * i / bar->count;
        int right = width * (i + 1) / bar->count;
        CreateWindowW(STANDIN_SOFTKEY_CLASS, bar->labels[i], WS_CHILD | WS_VISIBLE, left, 0,
                      right - left, height, hwnd, (HMENU)(INT_PTR)(FIRST_KEY_ID + i), ThisModule(),
                      NULL);
    }
}

BOOL SHCreateMenuBar(SHMENUBARINFO *pmbi)
{
    if (pmbi == NULL || pmbi->cbSize != sizeof(SHMENUBARINFO) || !SetUpShell()) {
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
    // window it serves; like the shell's bars, it stays above that window.
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYMENU);
    HWND hwnd = CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_TOPMOST, STANDIN_MENUBAR_CLASS, L"",
                                WS_POPUP, 0, GetSystemMetrics(SM_CYSCREEN) - height, width, height,
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
    HWND nav = CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_TOPMOST, STANDIN_NAVBAR_CLASS, L"",
                               WS_POPUP, 0, 0, width, GetSystemMetrics(SM_CYCAPTION),
                               pmbi->hwndParent, NULL, ThisModule(), NULL);
    if (nav != NULL)
        ShowWindow(nav, SW_SHOWNOACTIVATE);
    SetTimer(hwnd, RAISE_TIMES, RAISE_PERIOD_MS, NULL);
    if (nav != NULL)
        SetTimer(nav, RAISE_TIMES, RAISE_PERIOD_MS, NULL);
    pmbi->hwndMB = hwnd;
    return TRUE;
}
