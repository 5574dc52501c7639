#include "app_list.h"
#include "../app/hidden_list.h"
#include "../app/state.h"
#include "../app/text.h"
#include <commctrl.h>

#define CLASS_CCH 20

void ClearAppList(HWND list)
{
    int count = (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < count; i++) {
        LVITEMW item;
        ZeroMemory(&item, sizeof(item));
        item.mask = LVIF_PARAM;
        item.iItem = i;
        if (SendMessageW(list, LVM_GETITEMW, 0, (LPARAM)&item) && item.lParam != 0)
            LocalFree((HLOCAL)item.lParam);
    }
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
}

int CALLBACK CompareAppNames(LPARAM lParam1, LPARAM lParam2, LPARAM)
{
    return CompareNames((LPCWSTR)lParam1, (LPCWSTR)lParam2);
}

static void ResetColumn(HWND list)
{
    LVCOLUMNW column;
    ZeroMemory(&column, sizeof(column));
    column.mask = LVCF_WIDTH;
    column.cx = APPLIST_COLUMN_WIDTH;
    SendMessageW(list, LVM_DELETECOLUMN, 0, 0);
    SendMessageW(list, LVM_INSERTCOLUMNW, 0, (LPARAM)&column);
}

// Adds a row at `index` owning a heap copy of the whole name buffer, which the
// sort reads. Returns FALSE when no row was added.
static BOOL AddRow(HWND list, int index, const WCHAR name[APPNAME_CCH])
{
    LPWSTR copy = (LPWSTR)LocalAlloc(LPTR, APPNAME_CCH * sizeof(WCHAR));
    if (copy == NULL)
        return FALSE;
    CopyMemory(copy, name, APPNAME_CCH * sizeof(WCHAR));

    LVITEMW item;
    ZeroMemory(&item, sizeof(item));
    item.mask = LVIF_PARAM;
    item.iItem = index;
    item.lParam = (LPARAM)copy;
    if (SendMessageW(list, LVM_INSERTITEMW, 0, (LPARAM)&item) < 0) {
        LocalFree(copy);
        return FALSE;
    }
    item.mask = LVIF_TEXT;
    item.pszText = (LPWSTR)name;
    SendMessageW(list, LVM_SETITEMW, 0, (LPARAM)&item);
    return TRUE;
}

void RefreshAppList(HKEY appInstallKey, HWND list)
{
    if (SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) > 0)
        ClearAppList(list);
    ResetColumn(list);

    // Rows go in without a repaint each; the list is drawn once at the end.
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    int rows = 0;
    for (DWORD i = 0;; i++) {
        WCHAR name[APPNAME_CCH];
        WCHAR cls[CLASS_CCH];
        DWORD cchName = APPNAME_CCH, cchClass = CLASS_CCH;
        ZeroMemory(name, sizeof(name));
        ZeroMemory(cls, sizeof(cls));
        LONG result = RegEnumKeyExW(appInstallKey, i, name, &cchName, NULL, cls, &cchClass, NULL);
        if (result == ERROR_MORE_DATA)
            continue; // a name or class too long for its buffer: skip only that record
        if (result != ERROR_SUCCESS)
            break; // the end, or the key is gone or unreadable
        if (!IsHiddenName(name) && AddRow(list, rows, name))
            rows++;
    }
    SendMessageW(list, LVM_SORTITEMS, 0, (LPARAM)CompareAppNames);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);

    InvalidateRect(list, NULL, TRUE);
    UpdateWindow(list);
    SetFocus(list);
    SendMessageW(list, LVM_SETSELECTIONMARK, 0, 0);
}
