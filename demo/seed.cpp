// Fills a Wine prefix with the applications of the demo device: records under
// HKLM\Security\AppInstall, install folders under \Program Files, and
// uninstall-information files under \Windows\AppMgr with varied dates.
#include <windows.h>
#include <stdio.h>

// One invented application of the demo device.
struct DemoApp {
    const wchar_t *name;   // the record's name, as the list shows it
    const wchar_t *folder; // install folder below \Program Files
    int files;             // files in the install folder
    DWORD fileSize;        // bytes in each
    WORD year, month, day; // install date: the uninstall file's write time
    bool hasUninstall;     // the record names an uninstall-information file
    bool readOnly;         // that file is read-only
};

static const DemoApp apps[] = {
    {L"Pocket Word Plus", L"Pocket Word Plus", 4, 180000, 2005, 3, 14, true, false},
    {L"Solitaire Deluxe", L"Solitaire Deluxe", 2, 64000, 2004, 11, 2, true, false},
    {L"Tom & Jerry's Maze", L"Tom and Jerry Maze", 3, 1200, 2006, 1, 30, true, false},
    {L"The \"Best\" Notes", L"Best Notes", 1, 900, 2005, 7, 7, true, false},
    {L"bVerse Reader", L"bVerse", 6, 400000, 2006, 5, 21, true, false},
    {L"GPS Tracker", L"GPS Tracker", 5, 2500000, 2005, 9, 9, true, false},
    {L"MoneyPro 2005", L"MoneyPro", 3, 20000, 2005, 1, 4, true, false},
    {L"iPlayer Mobile", L"iPlayer", 2, 3000000, 2006, 2, 17, true, false},
    {L"Chess Master", L"Chess", 2, 150000, 2004, 12, 24, true, true},
    {L"Weather Today", L"Weather Today", 1, 30000, 0, 0, 0, false, false},
    {L"Dictionary EN-DE", L"Dictionary", 1, 9000000, 2005, 10, 1, true, false},
    {L"Hidden Helper", L"Hidden Helper", 1, 4096, 2005, 6, 6, true, false},
    // "Словарь RU-EN": a name in Cyrillic letters.
    {L"\x0421\x043b\x043e\x0432\x0430\x0440\x044c RU-EN", L"Slovar", 2, 700000, 2006, 4, 3, true,
     false},
    // "汉语词典": a name in Chinese characters.
    {L"\x6c49\x8bed\x8bcd\x5178", L"Hanyu Cidian", 3, 1500000, 2006, 8, 12, true, false},
};

static void WriteSizedFile(const wchar_t *path, DWORD size)
{
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    SetFilePointer(file, (LONG)size, NULL, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);
}

static void StampDate(const wchar_t *path, const DemoApp &app)
{
    SYSTEMTIME st = {app.year, app.month, 0, app.day, 10, 30, 0, 0};
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    HANDLE file = CreateFileW(path, FILE_WRITE_ATTRIBUTES, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    SetFileTime(file, &ft, &ft, &ft);
    CloseHandle(file);
}

static void SetString(HKEY key, const wchar_t *name, const wchar_t *value)
{
    RegSetValueExW(key, name, 0, REG_SZ, (const BYTE *)value,
                   (DWORD)(wcslen(value) + 1) * sizeof(wchar_t));
}

static void Seed(const DemoApp &app)
{
    wchar_t folder[MAX_PATH], path[MAX_PATH], unload[MAX_PATH];
    _snwprintf(folder, MAX_PATH, L"C:\\Program Files\\%ls", app.folder);
    CreateDirectoryW(folder, NULL);
    for (int i = 0; i < app.files; i++) {
        _snwprintf(path, MAX_PATH, L"%ls\\part%d.dat", folder, i + 1);
        WriteSizedFile(path, app.fileSize + i * 1000);
    }

    HKEY key;
    _snwprintf(path, MAX_PATH, L"Security\\AppInstall\\%ls", app.name);
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL))
        return;
    SetString(key, L"InstallDir", folder);
    if (app.hasUninstall) {
        _snwprintf(path, MAX_PATH, L"C:\\Windows\\AppMgr\\%ls", app.folder);
        CreateDirectoryW(L"C:\\Windows\\AppMgr", NULL);
        CreateDirectoryW(path, NULL);
        _snwprintf(unload, MAX_PATH, L"%ls\\%ls.unload", path, app.folder);
        WriteSizedFile(unload, 512);
        StampDate(unload, app);
        if (app.readOnly)
            SetFileAttributesW(unload, FILE_ATTRIBUTE_READONLY);
        SetString(key, L"Uninstall", unload);
    }
    RegCloseKey(key);
}

int wmain()
{
    for (const DemoApp &app : apps)
        Seed(app);
    printf("seeded %u applications\n", (unsigned)(sizeof(apps) / sizeof(apps[0])));
    return 0;
}
