#include "main_dlg.h"
#include "app_list.h"
#include "message.h"
#include "../app/state.h"
#include "../ops/commands.h"
#include "../platform/platform.h"
#include "../res/resource.h"
#include <aygshell.h>
#include <commctrl.h>

#define APPINSTALL_PATH L"Security\\AppInstall"

BOOL GetSelectedAppName(LPWSTR buffer)
{
    ZeroMemory(buffer, APPNAME_CCH * sizeof(WCHAR));
    int mark = (int)SendMessageW(g_Main.hAppList, LVM_GETSELECTIONMARK, 0, 0);
    if (mark < 0)
        return FALSE;
    LVITEMW item;
    ZeroMemory(&item, sizeof(item));
    item.iSubItem = 0;
    item.pszText = buffer;
    item.cchTextMax = APPNAME_CCH;
    SendMessageW(g_Main.hAppList, LVM_GETITEMTEXTW, mark, (LPARAM)&item);
    return buffer[0] != L'\0';
}

// The dialog fills the screen between the caption and the soft-key bar, and
// reaches under both by its frame. The list lies exactly between the two
// bars, so that every row it scrolls into view can be seen whole.
static void LayOut(HWND dialog)
{
    int frame = GetSystemMetrics(SM_CYDLGFRAME);
    int caption = GetSystemMetrics(SM_CYCAPTION);
    int menu = GetSystemMetrics(SM_CYMENU);
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN) - caption - menu + 2 * frame;
    SetWindowPos(dialog, NULL, 0, caption - frame, width, height, SWP_NOZORDER | SWP_SHOWWINDOW);
    SetWindowPos(g_Main.hAppList, NULL, 0, frame, width, height - 2 * frame,
                 SWP_NOZORDER | SWP_SHOWWINDOW);
}

static BOOL CreateSoftKeys(HWND dialog)
{
    SHMENUBARINFO mbi;
    ZeroMemory(&mbi, sizeof(mbi));
    mbi.cbSize = sizeof(mbi);
    mbi.hwndParent = dialog;
    mbi.nToolBarId = IDR_MENUBAR;
    mbi.hInstRes = g_Main.hInst;
    return SHCreateMenuBar(&mbi);
}

static void OnInitDialog(HWND dialog)
{
    g_Main.hAppList = GetDlgItem(dialog, IDC_APPLIST);
    LayOut(dialog);
    if (!CreateSoftKeys(dialog) ||
        LoadStringW(g_Main.hInst, IDS_TITLE, g_Main.szTitle, TITLE_CCH) <= 0) {
        EndDialog(dialog, 0);
        return;
    }
    SetWindowTextW(dialog, g_Main.szTitle);
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, APPINSTALL_PATH, 0, APP_KEY_ACCESS,
                      &g_Main.hAppInstallKey) != ERROR_SUCCESS) {
        g_Main.hAppInstallKey = NULL;
        ShowMessage(dialog, IDS_NO_REGISTRY, g_Main.szTitle, MB_ICONERROR);
        EndDialog(dialog, 0);
        return;
    }
    RefreshAppList(g_Main.hAppInstallKey, g_Main.hAppList);
}

static void OnAbout(HWND dialog)
{
    ShowMessage(dialog, IDS_ABOUT, g_Main.szTitle, MB_ICONINFORMATION, VERSION_TEXT);
}

static void OnDestroy(void)
{
    ClearAppList(g_Main.hAppList);
    if (g_Main.hAppInstallKey != NULL) {
        RegCloseKey(g_Main.hAppInstallKey);
        g_Main.hAppInstallKey = NULL;
    }
}

static void OnCommand(HWND dialog, WORD id)
{
    switch (id) {
    case IDOK: SendMessageW(dialog, WM_COMMAND, IDM_SELECT, 0); break;
    case IDM_SELECT: OnRemove(dialog); break;
    case IDM_DETAILS: OnDetails(dialog); break;
    case IDM_DONE: EndDialog(dialog, 0); break;
    case IDM_ABOUT: OnAbout(dialog); break;
    case IDM_HIDE: OnHide(dialog); break;
    case IDM_ERASE: OnErase(dialog); break;
    case IDM_REFRESH: RefreshAppList(g_Main.hAppInstallKey, g_Main.hAppList); break;
    }
}

INT_PTR CALLBACK MainDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: OnInitDialog(dialog); return TRUE;
    case WM_COMMAND: OnCommand(dialog, LOWORD(wParam)); return TRUE;
    case WM_DESTROY: OnDestroy(); return TRUE;
    }
    DefWindowProcW(dialog, message, wParam, lParam);
    return FALSE;
}

void RunMainDialog(HWND owner)
{
    HRSRC res = FindResourceW(g_Main.hInst, MAKEINTRESOURCEW(IDD_MAIN), RT_DIALOG);
    LPCDLGTEMPLATEW dialog = (LPCDLGTEMPLATEW)LockResource(LoadResource(g_Main.hInst, res));
    DialogBoxIndirectParamW(g_Main.hInst, dialog, owner, MainDlgProc, 0);
}
