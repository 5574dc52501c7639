// The main dialog: a full-screen list of applications under a soft-key bar.
#ifndef REMOVEAPPS_MAIN_DLG_H
#define REMOVEAPPS_MAIN_DLG_H

#include <windows.h>

#define VERSION_TEXT L"0.3"

// Runs the main dialog modally until the user leaves it with Done.
void RunMainDialog(HWND owner);

INT_PTR CALLBACK MainDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Fills `buffer` (APPNAME_CCH units) with the name of the row that holds the
// selection mark. FALSE, with an empty buffer, when no row holds it.
BOOL GetSelectedAppName(LPWSTR buffer);

#endif
