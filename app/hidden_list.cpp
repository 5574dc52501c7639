#include "hidden_list.h"
#include "state.h"
#include "text.h"
#include "../platform/platform.h"

#define ENTRY_MIN_BYTES 100 // an entry holds at least a 99-byte name
#define FIRST_CAPACITY 32

enum { READ_OK, READ_MISSING, READ_FAILED };

static void FreeTable(HIDDENLIST *list)
{
    for (int i = list->count - 1; i >= 0; i--) {
        LocalFree(list->entries[i].wide);
        LocalFree(list->entries[i].ansi);
    }
    if (list->entries != NULL)
        LocalFree(list->entries);
    if (list->sorted != NULL)
        LocalFree(list->sorted);
    ZeroMemory(list, sizeof(*list));
}

static BOOL Grow(HIDDENLIST *list)
{
    int capacity = list->capacity ? list->capacity * 2 : FIRST_CAPACITY;
    HIDDENNAME *entries = (HIDDENNAME *)LocalAlloc(LPTR, capacity * sizeof(HIDDENNAME));
    LPCWSTR *sorted = (LPCWSTR *)LocalAlloc(LPTR, capacity * sizeof(LPCWSTR));
    if (entries == NULL || sorted == NULL) {
        if (entries != NULL)
            LocalFree(entries);
        if (sorted != NULL)
            LocalFree(sorted);
        return FALSE;
    }
    if (list->count > 0) {
        CopyMemory(entries, list->entries, list->count * sizeof(HIDDENNAME));
        CopyMemory(sorted, list->sorted, list->count * sizeof(LPCWSTR));
    }
    if (list->entries != NULL)
        LocalFree(list->entries);
    if (list->sorted != NULL)
        LocalFree(list->sorted);
    list->entries = entries;
    list->sorted = sorted;
    list->capacity = capacity;
    return TRUE;
}

// Index of the first sorted name not below `name`.
static int LowerBound(const HIDDENLIST *list, LPCWSTR name)
{
    int low = 0, high = list->count;
    while (low < high) {
        int mid = (low + high) / 2;
        if (CompareNames(list->sorted[mid], name) < 0)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

// Takes ownership of `ansi` and appends it, with its UTF-16 form made once here
// rather than at every lookup.
static void StoreEntry(HIDDENLIST *list, LPSTR ansi)
{
    int cch = MultiByteToWideChar(CP_ACP, 0, ansi, -1, NULL, 0);
    LPWSTR wide = (LPWSTR)LocalAlloc(LPTR, (cch > 0 ? cch : 1) * sizeof(WCHAR));
    if (wide == NULL || (list->count == list->capacity && !Grow(list))) {
        if (wide != NULL)
            LocalFree(wide);
        LocalFree(ansi);
        return;
    }
    if (cch > 0)
        MultiByteToWideChar(CP_ACP, 0, ansi, -1, wide, cch);
    int at = LowerBound(list, wide);
    MoveMemory(list->sorted + at + 1, list->sorted + at, (list->count - at) * sizeof(LPCWSTR));
    list->sorted[at] = wide;
    list->entries[list->count].ansi = ansi;
    list->entries[list->count].wide = wide;
    list->count++;
}

static LPSTR NewEntry(size_t textBytes)
{
    size_t bytes = textBytes + 1 > ENTRY_MIN_BYTES ? textBytes + 1 : ENTRY_MIN_BYTES;
    return (LPSTR)LocalAlloc(LPTR, bytes);
}

// Splits the file's text into names: runs of CR and LF separate them, CRs
// ending a name are dropped, and a NUL ends the text.
static void ParseHiddenText(HIDDENLIST *list, const char *text, DWORD size)
{
    DWORD pos = 0;
    for (;;) {
        while (pos < size && (text[pos] == '\r' || text[pos] == '\n'))
            pos++;
        if (pos >= size || text[pos] == '\0')
            return;
        DWORD start = pos;
        while (pos < size && text[pos] != '\n' && text[pos] != '\0')
            pos++;
        // CRs ending a line belong to its line end; a name that kept one
        // would not survive being saved and read back.
        DWORD len = pos - start;
        while (len > 0 && text[start + len - 1] == '\r')
            len--;
        LPSTR entry = NewEntry(len);
        if (entry == NULL)
            return;
        CopyMemory(entry, text + start, len);
        StoreEntry(list, entry);
    }
}

static int ReadHiddenFile(LPCWSTR path, HIDDENLIST *list)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) ? READ_MISSING
                                                                                : READ_FAILED;
    }
    int result = READ_FAILED;
    DWORD high = 0, read = 0;
    DWORD size = GetFileSize(file, &high);
    char *text =
        (size != INVALID_FILE_SIZE && high == 0) ? (char *)LocalAlloc(LPTR, size + 1) : NULL;
    if (text != NULL && ReadFile(file, text, size, &read, NULL) && read == size) {
        ParseHiddenText(list, text, read);
        result = READ_OK;
    }
    if (text != NULL)
        LocalFree(text);
    CloseHandle(file);
    return result;
}

static DWORD AppendLines(char *out, const HIDDENLIST *list)
{
    DWORD used = 0;
    for (int i = 0; i < list->count; i++) {
        DWORD len = lstrlenA(list->entries[i].ansi);
        if (out != NULL) {
            CopyMemory(out + used, list->entries[i].ansi, len);
            out[used + len] = '\n';
        }
        used += len + 1;
    }
    return used;
}

// Writes the names of `first` (may be NULL) and then of `second` to a
// temporary file beside `path`, and only once that is complete puts it in
// place of the old file.
static void WriteHiddenFile(LPCWSTR path, const HIDDENLIST *first, const HIDDENLIST *second)
{
    WCHAR temp[PATH_CCH + 8];
    if (lstrlenW(path) + 4 >= (int)(sizeof(temp) / sizeof(temp[0])))
        return;
    FormatText(temp, sizeof(temp) / sizeof(temp[0]), L"%s.new", path);

    DWORD size = (first ? AppendLines(NULL, first) : 0) + AppendLines(NULL, second);
    char *text = (char *)LocalAlloc(LPTR, size + 1);
    if (text == NULL)
        return;
    DWORD used = first ? AppendLines(text, first) : 0;
    AppendLines(text + used, second);

    BOOL written = FALSE;
    HANDLE file = CreateFileW(temp, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, NULL,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD done = 0;
        written =
            WriteFile(file, text, size, &done, NULL) && done == size && FlushFileBuffers(file);
        CloseHandle(file);
        if (!written || !ReplaceFileWith(temp, path))
            DeleteFileW(temp);
    }
    LocalFree(text);
}

void LoadHiddenList(LPCWSTR path)
{
    FreeTable(&g_Hidden);
    g_Hidden.unreadable = ReadHiddenFile(path, &g_Hidden) == READ_FAILED;
}

void SaveHiddenList(LPCWSTR path)
{
    if (!g_Hidden.unreadable) {
        WriteHiddenFile(path, NULL, &g_Hidden);
        return;
    }
    // The file could not be read at start, so this run knows only its own
    // names: keep what the file holds and add them after it, or leave it alone.
    HIDDENLIST onDisk;
    ZeroMemory(&onDisk, sizeof(onDisk));
    int state = ReadHiddenFile(path, &onDisk);
    if (state != READ_FAILED)
        WriteHiddenFile(path, &onDisk, &g_Hidden);
    FreeTable(&onDisk);
}

void AddHiddenName(LPCWSTR name)
{
    int bytes = WideCharToMultiByte(CP_ACP, 0, name, -1, NULL, 0, NULL, NULL);
    LPSTR entry = NewEntry(bytes > 0 ? bytes : 0);
    if (entry == NULL)
        return;
    if (bytes > 0)
        WideCharToMultiByte(CP_ACP, 0, name, -1, entry, bytes, NULL, NULL);
    StoreEntry(&g_Hidden, entry);
}

BOOL IsHiddenName(LPCWSTR name)
{
    int at = LowerBound(&g_Hidden, name);
    return at < g_Hidden.count && CompareNames(g_Hidden.sorted[at], name) == 0;
}

void FreeHiddenList(void)
{
    FreeTable(&g_Hidden);
}
