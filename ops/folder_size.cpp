#include "folder_size.h"
#include "../app/text.h"

// Each level of the walk adds at least a backslash and one character.
#define MAX_DEPTH (FOLDER_PATH_CCH / 2)
#define PATTERN L"\\*.*"
#define PATTERN_CCH 4

// One open search of the walk.
typedef struct {
    HANDLE find; // the search over this folder's entries
    int length;  // length of this folder's path in the shared path buffer
} FOLDERLEVEL;

static BOOL IsDotEntry(LPCWSTR name)
{
    return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

// Starts a search over the folder whose path fills path[0..length).
static HANDLE OpenFolder(LPWSTR path, int length, WIN32_FIND_DATAW *fd)
{
    if (length + PATTERN_CCH >= FOLDER_PATH_CCH)
        return INVALID_HANDLE_VALUE;
    lstrcpyW(path + length, PATTERN);
    HANDLE find = FindFirstFileW(path, fd);
    path[length] = L'\0';
    return find;
}

// Opens the sub-folder fd->cFileName of the folder whose path fills
// path[0..base); on success the path names the sub-folder and fd its first entry.
static BOOL EnterFolder(LPWSTR path, int base, FOLDERLEVEL *level, WIN32_FIND_DATAW *fd)
{
    int length = base + 1 + lstrlenW(fd->cFileName);
    if (length >= FOLDER_PATH_CCH)
        return FALSE; // too long to search: left out rather than cut
    path[base] = L'\\';
    lstrcpyW(path + base + 1, fd->cFileName);
    level->find = OpenFolder(path, length, fd);
    level->length = length;
    path[level->find == INVALID_HANDLE_VALUE ? base : length] = L'\0';
    return level->find != INVALID_HANDLE_VALUE;
}

// The walk is iterative, with one path buffer and a small table of open
// searches, so that a deep tree fits in the device's 64 KB stack.
LONGLONG GetFolderSize(LPCWSTR folder)
{
    WCHAR path[FOLDER_PATH_CCH];
    WIN32_FIND_DATAW fd;
    FOLDERLEVEL levels[MAX_DEPTH];
    LONGLONG total = -1;
    int depth = 0;

    int length = lstrlenW(folder);
    if (length == 0 || length >= FOLDER_PATH_CCH)
        return -1;
    lstrcpyW(path, folder);
    levels[0].find = OpenFolder(path, length, &fd);
    levels[0].length = length;
    if (levels[0].find == INVALID_HANDLE_VALUE)
        return -1;

    for (;;) {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!IsDotEntry(fd.cFileName) && depth + 1 < MAX_DEPTH &&
                EnterFolder(path, levels[depth].length, &levels[depth + 1], &fd)) {
                depth++;
                continue; // fd holds the sub-folder's first entry
            }
        } else {
            if (total < 0)
                total = 0;
            total += ((LONGLONG)fd.nFileSizeHigh << 32) | fd.nFileSizeLow;
        }
        while (!FindNextFileW(levels[depth].find, &fd)) {
            FindClose(levels[depth].find);
            if (depth == 0)
                return total;
            depth--;
            path[levels[depth].length] = L'\0';
        }
    }
}

void FormatSize(LPWSTR buffer, LONGLONG size)
{
    if (size < 0)
        lstrcpyW(buffer, L"n/a");
    else if (size < 1024)
        FormatText(buffer, SIZE_TEXT_CCH, L"%luB", (unsigned long)size);
    else if (size < 1024000)
        FormatText(buffer, SIZE_TEXT_CCH, L"%luKB", (unsigned long)(size / 1024));
    else
        // Tenths are cut, never rounded up: 1048575 bytes read 0.9MB.
        FormatText(buffer, SIZE_TEXT_CCH, L"%lu.%luMB", (unsigned long)(size / 1048576),
                   (unsigned long)((size % 1048576) * 10 / 1048576));
}
