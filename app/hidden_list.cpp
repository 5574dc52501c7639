#include "hidden_list.h"
#include "hide_format.h"
#include "state.h"
#include "text.h"
#include "../platform/platform.h"

#define ENTRY_MIN_BYTES 100 // an entry holds at least a 99-byte name
#define FIRST_CAPACITY 32
#define TEMP_CCH (PATH_CCH + 8) // Hide.txt's path with ".new" appended

enum { READ_OK, READ_MISSING, READ_FAILED };

// What a check of a file's attributes tells.
enum { FILE_IS_THERE, FILE_IS_MISSING, FILE_IS_UNKNOWN };

static void FreeEntry(HIDDENNAME *entry)
{
    if (entry->text != NULL)
        LocalFree(entry->text);
    if (entry->wide != NULL)
        LocalFree(entry->wide);
}

static void FreeTable(HIDDENLIST *list)
{
    for (int i = list->count - 1; i >= 0; i--)
        FreeEntry(&list->entries[i]);
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
    int low = 0, high = list->named;
    while (low < high) {
        int mid = (low + high) / 2;
        if (CompareNames(list->sorted[mid], name) < 0)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

static BOOL Holds(const HIDDENLIST *list, LPCWSTR name)
{
    int at = LowerBound(list, name);
    return at < list->named && CompareNames(list->sorted[at], name) == 0;
}

// Makes an entry of `bytes` bytes of a name as Hide.txt holds it, kept
// unchanged so that a save writes it back byte for byte. FALSE only when
// memory ran out: a line that is no text in its encoding gets no wide form.
static BOOL FillEntry(HIDDENNAME *entry, HIDEENCODING encoding, const BYTE *text, DWORD bytes)
{
    // Zero-filled, with room for a terminator in any encoding.
    DWORD size = bytes + sizeof(WCHAR) > ENTRY_MIN_BYTES ? bytes + sizeof(WCHAR) : ENTRY_MIN_BYTES;
    entry->text = (LPSTR)LocalAlloc(LPTR, size);
    entry->bytes = bytes;
    entry->wide = NULL;
    if (entry->text == NULL ||
        DecodeName(encoding, text, bytes, &entry->wide) == DECODE_NO_MEMORY) {
        FreeEntry(entry);
        return FALSE;
    }
    CopyMemory(entry->text, text, bytes);
    return TRUE;
}

// Appends the entry, which the list then owns; FALSE when out of memory.
static BOOL AppendEntry(HIDDENLIST *list, const HIDDENNAME *entry)
{
    if (list->count == list->capacity && !Grow(list))
        return FALSE;
    if (entry->wide != NULL) {
        int at = LowerBound(list, entry->wide);
        MoveMemory(list->sorted + at + 1, list->sorted + at, (list->named - at) * sizeof(LPCWSTR));
        list->sorted[at] = entry->wide;
        list->named++;
    }
    list->entries[list->count++] = *entry;
    return TRUE;
}

// Adds `name` in the list's encoding, unless that would not read back as the
// same name. On failure the last error says why: ERROR_NO_UNICODE_TRANSLATION
// for a name Hide.txt cannot hold, ERROR_NOT_ENOUGH_MEMORY otherwise.
static BOOL AddName(HIDDENLIST *list, LPCWSTR name)
{
    BYTE encoded[ENCODED_MAX];
    DWORD bytes = 0;
    HIDDENNAME entry;
    if (!EncodeName(list->encoding, name, encoded, &bytes)) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return FALSE;
    }
    if (FillEntry(&entry, list->encoding, encoded, bytes)) {
        // The bytes just read back as the name: a decode that fails now is
        // the device running short, and an entry without its wide form would
        // hide nothing and could not be compared at the save.
        if (entry.wide != NULL && AppendEntry(list, &entry))
            return TRUE;
        FreeEntry(&entry);
    }
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
}

// Splits the file's text into entries. FALSE when memory ran out before
// every name was held.
static BOOL ParseHiddenText(HIDDENLIST *list, const BYTE *bytes, DWORD size)
{
    HIDETEXT text;
    const BYTE *line;
    DWORD length, pos = 0;
    OpenHideText(&text, bytes, size);
    list->encoding = text.encoding;
    while (NextHideLine(&text, &pos, &line, &length)) {
        HIDDENNAME entry;
        if (!FillEntry(&entry, text.encoding, line, length))
            return FALSE;
        if (!AppendEntry(list, &entry)) {
            FreeEntry(&entry);
            return FALSE;
        }
    }
    return TRUE;
}

// Reads the whole file into the list. A file that cannot be read, or whose
// names could not all be held, is READ_FAILED: saving over it would lose
// names. The list's encoding stays HIDE_UNKNOWN until the text is read.
static int ReadHiddenFile(LPCWSTR path, HIDDENLIST *list)
{
    list->encoding = HIDE_UNKNOWN;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) ? READ_MISSING
                                                                                : READ_FAILED;
    }
    int result = READ_FAILED;
    DWORD high = 0, read = 0;
    DWORD size = GetFileSize(file, &high);
    BYTE *text =
        (size != INVALID_FILE_SIZE && high == 0) ? (BYTE *)LocalAlloc(LPTR, size + 1) : NULL;
    if (text != NULL && ReadFile(file, text, size, &read, NULL) && read == size &&
        ParseHiddenText(list, text, read))
        result = READ_OK;
    if (text != NULL)
        LocalFree(text);
    CloseHandle(file);
    return result;
}

// The file a save writes first; it takes Hide.txt's place once complete.
static BOOL TempPath(LPCWSTR path, LPWSTR temp)
{
    if (lstrlenW(path) + 4 >= TEMP_CCH)
        return FALSE;
    FormatText(temp, TEMP_CCH, L"%s.new", path);
    return TRUE;
}

// Whether a file is there. Only the platform's "not found" means missing:
// any other failure leaves it unknown, and a save then writes nothing.
static int CheckFile(LPCWSTR path, DWORD *attributes)
{
    DWORD found = GetFileAttributesW(path);
    if (attributes != NULL)
        *attributes = found;
    if (found != INVALID_FILE_ATTRIBUTES)
        return FILE_IS_THERE;
    DWORD error = GetLastError();
    return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) ? FILE_IS_MISSING
                                                                            : FILE_IS_UNKNOWN;
}

// Readies Hide.txt to be replaced. A new file left by a save cut short goes
// back in its place first: while it may be the only copy of the list, nothing
// is written over it. FALSE when the save must write nothing: that copy could
// not go back, a check failed, or the user made Hide.txt read-only.
static BOOL PrepareToReplace(LPCWSTR path, LPCWSTR temp)
{
    DWORD attributes = 0;
    int state = CheckFile(path, &attributes);
    if (state == FILE_IS_MISSING) {
        int left = CheckFile(temp, NULL);
        if (left == FILE_IS_MISSING)
            return TRUE;
        if (left == FILE_IS_UNKNOWN || !MoveFileW(temp, path))
            return FALSE;
        state = CheckFile(path, &attributes);
    }
    return state == FILE_IS_THERE && !(attributes & FILE_ATTRIBUTE_READONLY);
}

// Writes the list to `temp` and only once that is complete puts it in place
// of Hide.txt. TRUE when the next start will read the new list.
static BOOL WriteHiddenFile(LPCWSTR path, LPCWSTR temp, const HIDDENLIST *list)
{
    DWORD size = LayOutHideFile(NULL, list);
    BYTE *text = (BYTE *)LocalAlloc(LPTR, size + 1);
    if (text == NULL)
        return FALSE;
    LayOutHideFile(text, list);

    BOOL saved = FALSE;
    HANDLE file = CreateFileW(temp, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, NULL,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD done = 0;
        BOOL written =
            WriteFile(file, text, size, &done, NULL) && done == size && FlushFileBuffers(file);
        CloseHandle(file);
        saved = written && ReplaceFileWith(temp, path);
        if (written && !saved) {
            // A complete new file that could not take the place of a Hide.txt
            // already gone is the only copy of the list, and the next start
            // reads it. While that cannot be told, it stays, and the save
            // counts as failed.
            int state = CheckFile(path, NULL);
            saved = state == FILE_IS_MISSING;
            if (state == FILE_IS_THERE)
                DeleteFileW(temp);
        } else if (!saved) {
            DeleteFileW(temp);
        }
    }
    LocalFree(text);
    return saved;
}

void LoadHiddenList(LPCWSTR path)
{
    WCHAR temp[TEMP_CCH];
    FreeTable(&g_Hidden);
    int state = ReadHiddenFile(path, &g_Hidden);
    // A save cut short on the device can leave only the new file, complete.
    if (state == READ_MISSING && TempPath(path, temp))
        state = ReadHiddenFile(temp, &g_Hidden);
    // Without a file, a new one is plain text. A file that is there but
    // cannot be read keeps HIDE_UNKNOWN: the save learns its encoding.
    if (state == READ_MISSING)
        g_Hidden.encoding = HIDE_ANSI;
    g_Hidden.loaded = g_Hidden.count;
}

HIDESAVE SaveHiddenList(LPCWSTR path)
{
    WCHAR temp[TEMP_CCH];
    if (!TempPath(path, temp) || !PrepareToReplace(path, temp))
        return HIDE_NOT_SAVED;

    // Hide.txt as it stands now, with the user's edits made while the program
    // ran; this run's names follow, unless it holds them already. A file that
    // cannot be read is left as it is rather than replaced by this run's names.
    HIDDENLIST now;
    ZeroMemory(&now, sizeof(now));
    int state = ReadHiddenFile(path, &now);
    if (state == READ_MISSING)
        now.encoding = g_Hidden.encoding == HIDE_UNKNOWN ? HIDE_ANSI : g_Hidden.encoding;
    int held = 0, added = 0;
    for (int i = g_Hidden.loaded; state != READ_FAILED && i < g_Hidden.count; i++) {
        // A name the file's encoding cannot hold is left out, never written
        // as a name that might hide another application; the others still go.
        if (Holds(&now, g_Hidden.entries[i].wide))
            held++;
        else if (AddName(&now, g_Hidden.entries[i].wide))
            added++;
    }
    if (added > 0 && WriteHiddenFile(path, temp, &now))
        held += added;
    FreeTable(&now);
    if (held == g_Hidden.count - g_Hidden.loaded)
        return HIDE_SAVED;
    return held > 0 ? HIDE_PARTLY_SAVED : HIDE_NOT_SAVED;
}

BOOL CanHideName(LPCWSTR name)
{
    BYTE encoded[ENCODED_MAX];
    DWORD bytes = 0;
    return EncodeName(g_Hidden.encoding, name, encoded, &bytes);
}

BOOL AddHiddenName(LPCWSTR name)
{
    return AddName(&g_Hidden, name);
}

BOOL IsHiddenName(LPCWSTR name)
{
    return Holds(&g_Hidden, name);
}

void FreeHiddenList(void)
{
    FreeTable(&g_Hidden);
}
