// The list of applications in the main dialog, rebuilt from the registry.
#ifndef REMOVEAPPS_APP_LIST_H
#define REMOVEAPPS_APP_LIST_H

#include <windows.h>

// Width of the list's one column, whatever the screen width.
#define APPLIST_COLUMN_WIDTH 176

// Rebuilds the list: one row per subkey of `appInstallKey` that is not hidden,
// sorted by name, with the selection mark on the first row.
void RefreshAppList(HKEY appInstallKey, HWND list);

// Releases every row's copy of its name, then deletes the rows.
void ClearAppList(HWND list);

// Sort comparison for LVM_SORTITEMS over the rows' name copies.
int CALLBACK CompareAppNames(LPARAM lParam1, LPARAM lParam2, LPARAM lParamSort);

#endif
