// The floor for start-up: what any program must do to show the screen that
// Remove Apps shows. It opens the same dialog with the same list under the
// shell's soft-key bar, inserts a row for every record under
// HKLM\Security\AppInstall, then shows and paints it, titled "Bare List".
// No hidden names, no sorting, no copies of the names.
#include "../res/resource.h"
#include "bare_rows.h"
#include <windows.h>
#include <commctrl.h>
#include <aygshell.h>

static void FillList(HWND list)
{
    LVCOLUMNW column;
    ZeroMemory(&column, sizeof(column));
    column.mask = LVCF_WIDTH;
    column.cx = 176;
    SendMessageW(list, LVM_INSERTCOLUMNW, 0, (LPARAM)&column);
    HKEY apps;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Security\\AppInstall", 0, KEY_READ, &apps) != 0)
        return;
    // Rows go in without a repaint each, as any list of this size should.
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    InsertBareRows(apps, list);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, NULL, TRUE);
    RegCloseKey(apps);
}

static INT_PTR CALLBACK BareProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        HWND list = GetDlgItem(dialog, IDC_APPLIST);
        int frame = GetSystemMetrics(SM_CYDLGFRAME), caption = GetSystemMetrics(SM_CYCAPTION);
        int width = GetSystemMetrics(SM_CXSCREEN);
        int height =
            GetSystemMetrics(SM_CYSCREEN) - caption - GetSystemMetrics(SM_CYMENU) + 2 * frame;
        SetWindowPos(dialog, NULL, 0, caption - frame, width, height,
                     SWP_NOZORDER | SWP_SHOWWINDOW);
        SetWindowPos(list, NULL, 0, frame, width, height - 2 * frame,
                     SWP_NOZORDER | SWP_SHOWWINDOW);
        SHMENUBARINFO mbi;
        ZeroMemory(&mbi, sizeof(mbi));
        mbi.cbSize = sizeof(mbi);
        mbi.hwndParent = dialog;
        mbi.nToolBarId = IDR_MENUBAR;
        mbi.hInstRes = GetModuleHandleW(NULL);
        SHCreateMenuBar(&mbi);
        SetWindowTextW(dialog, L"Bare List");
        FillList(list);
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDM_DONE) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int)
{
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), NULL, BareProc, 0);
    return 0;
}
