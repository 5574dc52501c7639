// An application's record under HKLM\Security\AppInstall, and the cleanup of
// the uninstall-information file it names.
#ifndef REMOVEAPPS_APP_RECORD_H
#define REMOVEAPPS_APP_RECORD_H

#include <windows.h>

// Reads the string value `valueName` of an open record into `buffer`
// (PATH_CCH units, always terminated). Returns the registry's result; a value
// that is not a string gives ERROR_INVALID_DATA and an empty buffer.
LONG ReadAppValue(HKEY subkey, LPCWSTR valueName, LPWSTR buffer);

// Reads the record's "Uninstall" path; empty when the record or value is missing.
void ReadUninstallPath(LPCWSTR appName, LPWSTR buffer);

// TRUE while HKLM\Security\AppInstall still holds a record of that name.
BOOL AppRecordExists(LPCWSTR appName);

// Deletes the file the path names and then, if that worked, its folder when it
// is empty. An empty path does nothing.
void RemoveLeftoverFile(LPWSTR path);

#endif
