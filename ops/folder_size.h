// The size of an application's install folder, and its text for the user.
#ifndef REMOVEAPPS_FOLDER_SIZE_H
#define REMOVEAPPS_FOLDER_SIZE_H

#include <windows.h>

#define FOLDER_PATH_CCH 300 // a folder path together with its search pattern
#define SIZE_TEXT_CCH 20

// Bytes in all files below `folder`; -1 when the tree holds no file, the folder
// cannot be listed, or the path is empty. Sub-folders whose path would not fit
// FOLDER_PATH_CCH are left out.
LONGLONG GetFolderSize(LPCWSTR folder);

// "n/a", "123B", "45KB" or "6.7MB" into `buffer` (SIZE_TEXT_CCH units).
void FormatSize(LPWSTR buffer, LONGLONG size);

#endif
