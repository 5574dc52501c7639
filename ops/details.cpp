#include "commands.h"
#include "app_record.h"
#include "folder_size.h"
#include "../app/state.h"
#include "../app/text.h"
#include "../platform/platform.h"
#include "../ui/main_dlg.h"
#include "../ui/message.h"
#include "../res/resource.h"

#define DATE_CCH 12

// The install date is the stored last-write time of the uninstall-information
// file, in calendar fields with no shift to local time; "n/a" without one.
static void FormatInstallDate(LPCWSTR uninstallPath, LPWSTR date)
{
    SYSTEMTIME time;
    ZeroMemory(&time, sizeof(time));
    HANDLE file = uninstallPath[0] == L'\0'
                      ? INVALID_HANDLE_VALUE
                      : CreateFileW(uninstallPath, GENERIC_READ, FILE_SHARE_READ, NULL,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        BY_HANDLE_FILE_INFORMATION info;
        if (!GetFileInformationByHandle(file, &info) ||
            !FileTimeToSystemTime(&info.ftLastWriteTime, &time))
            time.wYear = 0;
        CloseHandle(file);
    }
    if (time.wYear != 0)
        FormatText(date, DATE_CCH, L"%04d/%02d/%02d", time.wYear, time.wMonth, time.wDay);
    else
        lstrcpyW(date, L"n/a");
}

void OnDetails(HWND dialog)
{
    WCHAR name[APPNAME_CCH];
    WCHAR folder[PATH_CCH];
    WCHAR path[PATH_CCH];
    WCHAR size[SIZE_TEXT_CCH];
    WCHAR date[DATE_CCH];
    HKEY subkey;
    if (!GetSelectedAppName(name))
        return;
    if (RegOpenKeyExW(g_Main.hAppInstallKey, name, 0, APP_KEY_ACCESS, &subkey) != ERROR_SUCCESS) {
        ShowMessage(dialog, IDS_NO_DETAILS, g_Main.szTitle, MB_ICONERROR);
        return;
    }
    if (ReadAppValue(subkey, L"InstallDir", folder) != ERROR_SUCCESS) {
        ShowMessage(dialog, IDS_NO_DETAILS, g_Main.szTitle, MB_ICONERROR);
    } else {
        FormatSize(size, GetFolderSize(folder));
        ReadAppValue(subkey, L"Uninstall", path); // without it the date reads n/a
        FormatInstallDate(path, date);
        ShowMessage(dialog, IDS_DETAILS, name, MB_ICONINFORMATION, folder, size, date);
    }
    RegCloseKey(subkey);
}
