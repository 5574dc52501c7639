#include "hidden_list.h"
#include "state.h"
#include "text.h"
#include "../platform/platform.h"

#define ENTRY_MIN_BYTES 100 // an entry holds at least a 99-byte name
#define FIRST_CAPACITY 32
#define ENCODED_MAX (APPNAME_CCH * 3) // bytes of the longest name in any encoding
#define TEMP_CCH (PATH_CCH + 8)       // Hide.txt's path with ".new" appended

enum { READ_OK, READ_MISSING, READ_FAILED };

// How each encoding of Hide.txt starts and how wide its characters are.
static const struct {
    const char *mark; // byte-order mark at the start of the file
    DWORD markBytes;
    DWORD unitBytes; // one code unit; CR, LF and NUL each take one
} g_Formats[] = {
    {"", 0, 1},             // HIDE_ANSI
    {"\xEF\xBB\xBF", 3, 1}, // HIDE_UTF8
    {"\xFF\xFE", 2, 2},     // HIDE_UTF16LE
};

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

static BOOL Holds(const HIDDENLIST *list, LPCWSTR name)
{
    int at = LowerBound(list, name);
    return at < list->count && CompareNames(list->sorted[at], name) == 0;
}

// The UTF-16 form of `bytes` bytes of a name in `encoding`; NULL when out of memory.
static LPWSTR DecodeName(HIDEENCODING encoding, const char *text, DWORD bytes)
{
    UINT codePage = encoding == HIDE_UTF8 ? CP_UTF8 : CP_ACP;
    int cch = 0;
    if (encoding == HIDE_UTF16LE)
        cch = (int)(bytes / sizeof(WCHAR));
    else if (bytes > 0)
        cch = MultiByteToWideChar(codePage, 0, text, (int)bytes, NULL, 0);
    LPWSTR wide = (LPWSTR)LocalAlloc(LPTR, (cch + 1) * sizeof(WCHAR));
    if (wide == NULL)
        return NULL;
    if (encoding == HIDE_UTF16LE)
        CopyMemory(wide, text, cch * sizeof(WCHAR));
    else if (cch > 0)
        MultiByteToWideChar(codePage, 0, text, (int)bytes, wide, cch);
    return wide;
}

// Makes an entry of `bytes` bytes of a name as Hide.txt holds it, kept
// unchanged so that a save writes it back byte for byte.
static BOOL FillEntry(HIDDENNAME *entry, HIDEENCODING encoding, const char *text, DWORD bytes)
{
    // Zero-filled, with room for a terminator in any encoding.
    DWORD size = bytes + sizeof(WCHAR) > ENTRY_MIN_BYTES ? bytes + sizeof(WCHAR) : ENTRY_MIN_BYTES;
    entry->text = (LPSTR)LocalAlloc(LPTR, size);
    entry->bytes = bytes;
    entry->wide = DecodeName(encoding, text, bytes);
    if (entry->text == NULL || entry->wide == NULL) {
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
    int at = LowerBound(list, entry->wide);
    MoveMemory(list->sorted + at + 1, list->sorted + at, (list->count - at) * sizeof(LPCWSTR));
    list->sorted[at] = entry->wide;
    list->entries[list->count++] = *entry;
    return TRUE;
}

// Encodes `name` as Hide.txt in `encoding` holds it. FALSE when it cannot:
// a line holds no CR or LF, and the ANSI code page lacks most characters,
// where a best-fit or default character would name another application or
// none. The device documents no flag that refuses those, so the round trip in
// AddName does.
static BOOL EncodeName(HIDEENCODING encoding, LPCWSTR name, char *out, DWORD *bytes)
{
    int cch = lstrlenW(name);
    for (int i = 0; i < cch; i++) {
        if (name[i] == L'\r' || name[i] == L'\n')
            return FALSE;
    }
    if (encoding == HIDE_UTF16LE) {
        if (cch * sizeof(WCHAR) > ENCODED_MAX)
            return FALSE;
        CopyMemory(out, name, cch * sizeof(WCHAR));
        *bytes = cch * sizeof(WCHAR);
        return TRUE;
    }
    BOOL ansi = encoding == HIDE_ANSI, usedDefault = FALSE;
    int written = WideCharToMultiByte(ansi ? CP_ACP : CP_UTF8, 0, name, cch, out, ENCODED_MAX, NULL,
                                      ansi ? &usedDefault : NULL);
    if ((written <= 0 && cch > 0) || usedDefault)
        return FALSE;
    *bytes = (DWORD)written;
    return TRUE;
}

// Adds `name` in the list's encoding, unless that would not read back as the
// same name. On failure the last error says why: ERROR_NO_UNICODE_TRANSLATION
// for a name Hide.txt cannot hold, ERROR_NOT_ENOUGH_MEMORY otherwise.
static BOOL AddName(HIDDENLIST *list, LPCWSTR name)
{
    char encoded[ENCODED_MAX];
    DWORD bytes = 0;
    HIDDENNAME entry;
    DWORD error = ERROR_NO_UNICODE_TRANSLATION;
    if (EncodeName(list->encoding, name, encoded, &bytes)) {
        error = ERROR_NOT_ENOUGH_MEMORY;
        if (FillEntry(&entry, list->encoding, encoded, bytes)) {
            if (CompareNames(entry.wide, name) != 0)
                error = ERROR_NO_UNICODE_TRANSLATION;
            else if (AppendEntry(list, &entry))
                return TRUE;
            FreeEntry(&entry);
        }
    }
    SetLastError(error);
    return FALSE;
}

// One code unit of the text after its mark.
static WCHAR UnitAt(const BYTE *body, DWORD index, DWORD unitBytes)
{
    return unitBytes == sizeof(WCHAR) ? ((const WCHAR *)body)[index] : (WCHAR)body[index];
}

static BOOL EndsName(WCHAR unit)
{
    return unit == L'\n' || unit == L'\0';
}

// Splits the file's text into names: a byte-order mark chooses the encoding,
// runs of CR, LF and NUL separate names, and CRs ending a name are dropped.
// FALSE when memory ran out before every name was held.
static BOOL ParseHiddenText(HIDDENLIST *list, const BYTE *text, DWORD size)
{
    list->encoding = HIDE_ANSI;
    for (int e = HIDE_UTF8; e <= HIDE_UTF16LE; e++) {
        if (size >= g_Formats[e].markBytes &&
            memcmp(text, g_Formats[e].mark, g_Formats[e].markBytes) == 0)
            list->encoding = (HIDEENCODING)e;
    }
    DWORD unitBytes = g_Formats[list->encoding].unitBytes;
    const BYTE *body = text + g_Formats[list->encoding].markBytes;
    // A last odd byte of UTF-16 text is no character.
    DWORD units = (size - g_Formats[list->encoding].markBytes) / unitBytes;
    DWORD pos = 0;
    for (;;) {
        while (pos < units &&
               (EndsName(UnitAt(body, pos, unitBytes)) || UnitAt(body, pos, unitBytes) == L'\r'))
            pos++;
        if (pos >= units)
            return TRUE;
        DWORD start = pos;
        while (pos < units && !EndsName(UnitAt(body, pos, unitBytes)))
            pos++;
        // CRs ending a line belong to its line end; a name that kept one
        // would not survive being saved and read back.
        DWORD len = pos - start;
        while (len > 0 && UnitAt(body, start + len - 1, unitBytes) == L'\r')
            len--;
        HIDDENNAME entry;
        if (!FillEntry(&entry, list->encoding, (const char *)body + start * unitBytes,
                       len * unitBytes))
            return FALSE;
        if (!AppendEntry(list, &entry)) {
            FreeEntry(&entry);
            return FALSE;
        }
    }
}

// Reads the whole file into the list. A file that cannot be read, or whose
// names could not all be held, is READ_FAILED: saving over it would lose names.
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

static BOOL FileExists(LPCWSTR path)
{
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

// Lays out the whole file: the list's mark, then each name and a LF.
static DWORD LayOutFile(BYTE *out, const HIDDENLIST *list)
{
    DWORD unitBytes = g_Formats[list->encoding].unitBytes;
    DWORD used = g_Formats[list->encoding].markBytes;
    if (out != NULL)
        CopyMemory(out, g_Formats[list->encoding].mark, used);
    for (int i = 0; i < list->count; i++) {
        if (out != NULL) {
            CopyMemory(out + used, list->entries[i].text, list->entries[i].bytes);
            out[used + list->entries[i].bytes] = '\n'; // the high byte of a UTF-16 LF stays 0
        }
        used += list->entries[i].bytes + unitBytes;
    }
    return used;
}

// Writes the list to `temp` and only once that is complete puts it in place
// of Hide.txt. TRUE when the next start will read the new list.
static BOOL WriteHiddenFile(LPCWSTR path, LPCWSTR temp, const HIDDENLIST *list)
{
    DWORD size = LayOutFile(NULL, list);
    BYTE *text = (BYTE *)LocalAlloc(LPTR, size + 1);
    if (text == NULL)
        return FALSE;
    LayOutFile(text, list);

    BOOL saved = FALSE;
    HANDLE file = CreateFileW(temp, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, NULL,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD done = 0;
        BOOL written =
            WriteFile(file, text, size, &done, NULL) && done == size && FlushFileBuffers(file);
        CloseHandle(file);
        saved = written && ReplaceFileWith(temp, path);
        // A complete new file that could not take the place of a Hide.txt
        // already gone is the only copy of the list, and the next start reads it.
        if (written && !saved && !FileExists(path))
            saved = TRUE;
        else if (!saved)
            DeleteFileW(temp);
    }
    LocalFree(text);
    return saved;
}

void LoadHiddenList(LPCWSTR path)
{
    WCHAR temp[TEMP_CCH];
    FreeTable(&g_Hidden);
    // A save cut short on the device can leave only the new file, complete.
    if (ReadHiddenFile(path, &g_Hidden) == READ_MISSING && TempPath(path, temp))
        ReadHiddenFile(temp, &g_Hidden);
    g_Hidden.loaded = g_Hidden.count;
}

BOOL SaveHiddenList(LPCWSTR path)
{
    WCHAR temp[TEMP_CCH];
    if (!TempPath(path, temp))
        return FALSE;
    // A new file left by a save cut short goes back in its place first. If it
    // cannot, it stays the only copy of the list, and nothing is written over it.
    if (!FileExists(path) && FileExists(temp) && !MoveFileW(temp, path))
        return FALSE;
    // A Hide.txt the user made read-only is not replaced.
    DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return FALSE;

    // Hide.txt as it stands now, with the user's edits made while the program
    // ran; this run's names follow, unless it holds them already. A file that
    // cannot be read is left as it is rather than replaced by this run's names.
    HIDDENLIST now;
    ZeroMemory(&now, sizeof(now));
    int state = ReadHiddenFile(path, &now);
    if (state == READ_MISSING)
        now.encoding = g_Hidden.encoding;
    BOOL complete = state != READ_FAILED;
    int added = 0;
    for (int i = g_Hidden.loaded; state != READ_FAILED && i < g_Hidden.count; i++) {
        if (Holds(&now, g_Hidden.entries[i].wide))
            continue;
        // A name the file's encoding cannot hold is left out, never written
        // as a name that might hide another application; the others still go.
        if (AddName(&now, g_Hidden.entries[i].wide))
            added++;
        else
            complete = FALSE;
    }
    if (added > 0 && !WriteHiddenFile(path, temp, &now))
        complete = FALSE;
    FreeTable(&now);
    return complete;
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
