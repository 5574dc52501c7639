#include "hide_format.h"

// How each encoding of Hide.txt starts and how it stores its code units.
static const struct {
    const char *mark; // byte-order mark at the start of the file
    DWORD markBytes;
    DWORD unitBytes; // one code unit; CR, LF and NUL each take one
    BOOL bigEndian;  // a two-byte unit's high byte comes first
} g_Formats[] = {
    {"", 0, 1, FALSE},             // HIDE_ANSI
    {"\xEF\xBB\xBF", 3, 1, FALSE}, // HIDE_UTF8
    {"\xFF\xFE", 2, 2, FALSE},     // HIDE_UTF16LE
    {"\xFE\xFF", 2, 2, TRUE},      // HIDE_UTF16BE
    {"", 0, 2, FALSE},             // HIDE_UNKNOWN: UTF-16 LE in memory, never written
};

static BOOL StartsWithMark(const BYTE *bytes, DWORD size, int encoding)
{
    DWORD length = g_Formats[encoding].markBytes;
    return length > 0 && size >= length && memcmp(bytes, g_Formats[encoding].mark, length) == 0;
}

// Code unit `index` of a text, read as `encoding` stores its units.
static WCHAR UnitAt(const BYTE *body, DWORD index, HIDEENCODING encoding)
{
    if (g_Formats[encoding].unitBytes == 1)
        return body[index];
    const BYTE *unit = body + 2 * index;
    return g_Formats[encoding].bigEndian ? (WCHAR)(unit[0] << 8 | unit[1])
                                         : (WCHAR)(unit[1] << 8 | unit[0]);
}

static void PutUnit(BYTE *out, WCHAR unit, HIDEENCODING encoding)
{
    if (g_Formats[encoding].unitBytes == 1) {
        out[0] = (BYTE)unit;
    } else {
        out[g_Formats[encoding].bigEndian ? 0 : 1] = (BYTE)(unit >> 8);
        out[g_Formats[encoding].bigEndian ? 1 : 0] = (BYTE)unit;
    }
}

// UTF-16 LE saved without its mark. ANSI text holds no NUL byte but between
// names, while UTF-16 LE text gives its line ends and Latin letters NUL high
// bytes. An even size, no NUL character, and such units in at least half of
// the text or as its last line end make UTF-16 LE: never a name per letter.
static BOOL LooksLikeUtf16LE(const BYTE *bytes, DWORD size)
{
    if (size < 2 || size % 2 != 0)
        return FALSE;
    DWORD units = size / 2, latin = 0;
    for (DWORD i = 0; i < units; i++) {
        WCHAR unit = UnitAt(bytes, i, HIDE_UTF16LE);
        if (unit == L'\0')
            return FALSE;
        latin += unit < 0x100;
    }
    return latin * 2 >= units || UnitAt(bytes, units - 1, HIDE_UTF16LE) == L'\n';
}

void OpenHideText(HIDETEXT *text, const BYTE *bytes, DWORD size)
{
    text->encoding = HIDE_ANSI;
    for (int e = HIDE_UTF8; e <= HIDE_UTF16BE; e++) {
        if (StartsWithMark(bytes, size, e))
            text->encoding = (HIDEENCODING)e;
    }
    DWORD markBytes = g_Formats[text->encoding].markBytes;
    if (text->encoding == HIDE_ANSI && LooksLikeUtf16LE(bytes, size))
        text->encoding = HIDE_UTF16LE;
    text->body = bytes + markBytes;
    // A last odd byte of UTF-16 text is no character.
    text->units = (size - markBytes) / g_Formats[text->encoding].unitBytes;
}

static BOOL EndsName(WCHAR unit)
{
    return unit == L'\n' || unit == L'\0';
}

BOOL NextHideLine(const HIDETEXT *text, DWORD *pos, const BYTE **line, DWORD *bytes)
{
    DWORD at = *pos;
    while (at < text->units && (EndsName(UnitAt(text->body, at, text->encoding)) ||
                                UnitAt(text->body, at, text->encoding) == L'\r'))
        at++;
    *pos = at;
    if (at >= text->units)
        return FALSE;
    DWORD start = at;
    while (at < text->units && !EndsName(UnitAt(text->body, at, text->encoding)))
        at++;
    // CRs ending a line belong to its line end; a name that kept one would
    // not survive being saved and read back.
    DWORD length = at - start;
    while (length > 0 && UnitAt(text->body, start + length - 1, text->encoding) == L'\r')
        length--;
    *pos = at;
    *line = text->body + start * g_Formats[text->encoding].unitBytes;
    *bytes = length * g_Formats[text->encoding].unitBytes;
    return TRUE;
}

int DecodeName(HIDEENCODING encoding, const BYTE *line, DWORD bytes, LPWSTR *wide)
{
    UINT codePage = encoding == HIDE_UTF8 ? CP_UTF8 : CP_ACP;
    BOOL units = g_Formats[encoding].unitBytes == 2;
    int cch = units ? (int)(bytes / 2) : 0;
    *wide = NULL;
    // A byte that is no character fails the whole line: dropped or replaced,
    // it could leave another application's name ("Foo\xFF" as "Foo"). Any
    // failure leaves the line matching nothing, which is always safe.
    if (!units && bytes > 0) {
        cch =
            MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, (LPCSTR)line, (int)bytes, NULL, 0);
        if (cch <= 0)
            return DECODE_INVALID;
    }
    *wide = (LPWSTR)LocalAlloc(LPTR, (cch + 1) * sizeof(WCHAR));
    if (*wide == NULL)
        return DECODE_NO_MEMORY;
    for (int i = 0; units && i < cch; i++)
        (*wide)[i] = UnitAt(line, i, encoding);
    if (!units && cch > 0 &&
        MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, (LPCSTR)line, (int)bytes, *wide, cch) !=
            cch) {
        LocalFree(*wide);
        *wide = NULL;
        return DECODE_INVALID;
    }
    return DECODED;
}

BOOL EncodeName(HIDEENCODING encoding, LPCWSTR name, BYTE *out, DWORD *bytes)
{
    int cch = lstrlenW(name);
    for (int i = 0; i < cch; i++) {
        if (name[i] == L'\r' || name[i] == L'\n')
            return FALSE;
    }
    if (g_Formats[encoding].unitBytes == 2) {
        if (cch * 2 > ENCODED_MAX)
            return FALSE;
        for (int i = 0; i < cch; i++)
            PutUnit(out + 2 * i, name[i], encoding);
        *bytes = cch * 2;
        return TRUE;
    }
    BOOL ansi = encoding == HIDE_ANSI, usedDefault = FALSE;
    int written = WideCharToMultiByte(ansi ? CP_ACP : CP_UTF8, 0, name, cch, (LPSTR)out,
                                      ENCODED_MAX, NULL, ansi ? &usedDefault : NULL);
    if ((written <= 0 && cch > 0) || usedDefault)
        return FALSE;
    *bytes = (DWORD)written;
    return TRUE;
}

// Plain text has no mark, so a file must not start with bytes a reader
// would take for one.
static BOOL StartsLikeMark(const BYTE *bytes, DWORD size)
{
    for (int e = HIDE_UTF8; e <= HIDE_UTF16BE; e++) {
        if (StartsWithMark(bytes, size, e))
            return TRUE;
    }
    return FALSE;
}

DWORD LayOutHideFile(BYTE *out, const HIDDENLIST *list)
{
    HIDEENCODING encoding = list->encoding;
    DWORD unitBytes = g_Formats[encoding].unitBytes;
    DWORD used = g_Formats[encoding].markBytes;
    if (out != NULL)
        CopyMemory(out, g_Formats[encoding].mark, used);
    // A first name that starts like a mark ("\xEF\xBB\xBF" "Foo" in ANSI)
    // follows a blank line, which a reader skips.
    if (used == 0 && list->count > 0 &&
        StartsLikeMark((const BYTE *)list->entries[0].text, list->entries[0].bytes)) {
        if (out != NULL)
            PutUnit(out, L'\n', encoding);
        used += unitBytes;
    }
    for (int i = 0; i < list->count; i++) {
        if (out != NULL) {
            CopyMemory(out + used, list->entries[i].text, list->entries[i].bytes);
            PutUnit(out + used + list->entries[i].bytes, L'\n', encoding);
        }
        used += list->entries[i].bytes + unitBytes;
    }
    return used;
}
