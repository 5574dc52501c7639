#include "app_record.h"
#include "../app/state.h"
#include "../platform/platform.h"

LONG ReadAppValue(HKEY subkey, LPCWSTR valueName, LPWSTR buffer)
{
    DWORD type = 0, size = PATH_CCH * sizeof(WCHAR);
    ZeroMemory(buffer, PATH_CCH * sizeof(WCHAR));
    LONG result = RegQueryValueExW(subkey, valueName, NULL, &type, (LPBYTE)buffer, &size);
    if (result == ERROR_SUCCESS && type != REG_SZ && type != REG_EXPAND_SZ)
        result = ERROR_INVALID_DATA; // a number or binary data is no path
    // A value stored without its terminator is terminated by the zeroed rest
    // of the buffer, unless it fills the whole buffer: then it is too long.
    if (result == ERROR_SUCCESS && buffer[PATH_CCH - 1] != L'\0')
        result = ERROR_MORE_DATA;
    if (result != ERROR_SUCCESS)
        ZeroMemory(buffer, PATH_CCH * sizeof(WCHAR));
    return result;
}

void ReadUninstallPath(LPCWSTR appName, LPWSTR buffer)
{
    HKEY subkey;
    ZeroMemory(buffer, PATH_CCH * sizeof(WCHAR));
    if (RegOpenKeyExW(g_Main.hAppInstallKey, appName, 0, APP_KEY_ACCESS, &subkey) != ERROR_SUCCESS)
        return;
    ReadAppValue(subkey, L"Uninstall", buffer);
    RegCloseKey(subkey);
}

BOOL AppRecordExists(LPCWSTR appName)
{
    HKEY subkey;
    LONG result = RegOpenKeyExW(g_Main.hAppInstallKey, appName, 0, APP_KEY_ACCESS, &subkey);
    if (result == ERROR_SUCCESS)
        RegCloseKey(subkey);
    return result != ERROR_FILE_NOT_FOUND;
}

void RemoveLeftoverFile(LPWSTR path)
{
    if (path[0] == L'\0')
        return;
    // Attributes that cannot be read are not cleared: they could not be put back.
    DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileW(path)) {
        // The file stays, so it stays as it was: read-only, hidden or system.
        if (attributes != INVALID_FILE_ATTRIBUTES)
            SetFileAttributesW(path, attributes);
        return;
    }
    LPWSTR slash = wcsrchr(path, L'\\');
    if (slash == NULL)
        return;
    *slash = L'\0';
    RemoveDirectoryW(path); // fails, as it should, while the folder holds anything
}
