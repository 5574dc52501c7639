// The bare way to fill a list from the installer's records, shared by the
// baselines: one row with its text per subkey, no hidden names, no sort.
#ifndef REMOVEAPPS_BARE_ROWS_H
#define REMOVEAPPS_BARE_ROWS_H

#include <windows.h>
#include <commctrl.h>

static inline void InsertBareRows(HKEY apps, HWND list)
{
    for (DWORD i = 0;; i++) {
        WCHAR name[100];
        DWORD cch = 100;
        if (RegEnumKeyExW(apps, i, name, &cch, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        LVITEMW item;
        ZeroMemory(&item, sizeof(item));
        item.mask = LVIF_TEXT;
        item.iItem = (int)i;
        item.pszText = name;
        SendMessageW(list, LVM_INSERTITEMW, 0, (LPARAM)&item);
    }
}

#endif
