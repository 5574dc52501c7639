#include "hide_format.h"

// How each encoding of Hide.txt starts and how it stores its code units.
static const struct {
    const char *mark; // byte-order mark at the start of the file
    DWORD markBytes;
    DWORD unitBytes; // one code unit; CR, LF and NUL each take one
    BOOL bigEndian;  // a two-byte unit's high byte comes first
    UINT codePage;   // of a one-byte encoding
} g_Formats[] = {
    {"", 0, 1, FALSE, CP_ACP},              // HIDE_ANSI
    {"\xEF\xBB\xBF", 3, 1, FALSE, CP_UTF8}, // HIDE_UTF8
    {"\xFF\xFE", 2, 2, FALSE, 0},           // HIDE_UTF16LE
    {"\xFE\xFF", 2, 2, TRUE, 0},            // HIDE_UTF16BE
    {"", 0, 1, FALSE, CP_UTF8},             // HIDE_UTF8_PLAIN
    {"", 0, 2, FALSE, 0},                   // HIDE_UNKNOWN: UTF-16 LE in memory, never written
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

// UTF-16 LE saved without its mark. Plain text has no NUL byte but between
// names, so no NUL unit, and its LF or CR at an odd offset would make a unit
// 0x0Axx or 0x0Dxx. Names saved as UTF-16 bring a LF unit, or have Latin-1
// letters alone, whose high bytes are NUL.
static BOOL LooksLikeUtf16LE(const BYTE *bytes, DWORD size)
{
    if (size < 2 || size % 2 != 0)
        return FALSE;
    BOOL lineEnd = FALSE, latin = TRUE;
    for (DWORD i = 0; i < size / 2; i++) {
        WCHAR unit = UnitAt(bytes, i, HIDE_UTF16LE);
        if (unit == L'\0' || unit >> 8 == '\n' || unit >> 8 == '\r')
            return FALSE;
        lineEnd |= unit == L'\n';
        latin &= unit < 0x100;
    }
    return lineEnd || latin;
}

// UTF-8 saved without its mark: valid as a whole, with at least one character
// beyond ASCII. Plain ASCII reads the same either way and stays ANSI text.
static BOOL LooksLikeUtf8(const BYTE *bytes, DWORD size)
{
    BOOL beyondAscii = FALSE;
    for (DWORD i = 0; i < size && !beyondAscii; i++)
        beyondAscii = bytes[i] >= 0x80;
    return beyondAscii && size <= INT_MAX &&
           MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, (LPCSTR)bytes, (int)size, NULL, 0) >
               0;
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
    else if (text->encoding == HIDE_ANSI && LooksLikeUtf8(bytes, size))
        text->encoding = HIDE_UTF8_PLAIN;
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

// Decodes a line into `out`, which has room for every unit, or only measures
// it when `out` is NULL. Returns its units, or -1 when the line is no text in
// `encoding`.
static int DecodeUnits(HIDEENCODING encoding, const BYTE *line, DWORD bytes, LPWSTR out, int cch)
{
    if (g_Formats[encoding].unitBytes == 2) {
        for (int i = 0; out != NULL && i < (int)(bytes / 2); i++)
            out[i] = UnitAt(line, i, encoding);
        return (int)(bytes / 2);
    }
    if (bytes == 0)
        return 0;
    // A byte that is no character fails the whole line: dropped or replaced,
    // it could leave another application's name ("Foo\xFF" as "Foo").
    int units = MultiByteToWideChar(g_Formats[encoding].codePage, MB_ERR_INVALID_CHARS,
                                    (LPCSTR)line, (int)bytes, out, out != NULL ? cch : 0);
    return units > 0 ? units : -1;
}

int DecodeName(HIDEENCODING encoding, const BYTE *line, DWORD bytes, LPWSTR *wide)
{
    // Any failure leaves the line matching nothing, which is always safe.
    *wide = NULL;
    int cch = DecodeUnits(encoding, line, bytes, NULL, 0);
    if (cch < 0)
        return DECODE_INVALID;
    *wide = (LPWSTR)LocalAlloc(LPTR, (cch + 1) * sizeof(WCHAR));
    if (*wide == NULL)
        return DECODE_NO_MEMORY;
    if (DecodeUnits(encoding, line, bytes, *wide, cch) != cch) {
        LocalFree(*wide);
        *wide = NULL;
        return DECODE_INVALID;
    }
    return DECODED;
}

BOOL EncodeName(HIDEENCODING encoding, LPCWSTR name, BYTE *out, DWORD *bytes)
{
    int cch = lstrlenW(name), written = 0;
    for (int i = 0; i < cch; i++) {
        if (name[i] == L'\r' || name[i] == L'\n')
            return FALSE;
    }
    if (g_Formats[encoding].unitBytes == 2) {
        if (cch * 2 > ENCODED_MAX)
            return FALSE;
        for (int i = 0; i < cch; i++)
            PutUnit(out + 2 * i, name[i], encoding);
        written = cch * 2;
    } else if (cch > 0) {
        written = WideCharToMultiByte(g_Formats[encoding].codePage, 0, name, cch, (LPSTR)out,
                                      ENCODED_MAX, NULL, NULL);
        // In plain text, bytes beyond ASCII that read as UTF-8 could make the
        // next start take the whole file for UTF-8 and hide another name.
        if (written <= 0 || (encoding == HIDE_ANSI && LooksLikeUtf8(out, (DWORD)written)))
            return FALSE;
    }
    // Only a name that reads back as itself is held: the device offers no
    // flag that refuses a best-fit character, and UTF-8 has no lone surrogate.
    WCHAR back[ENCODED_MAX];
    if (DecodeUnits(encoding, out, (DWORD)written, back, ENCODED_MAX) != cch ||
        memcmp(back, name, cch * sizeof(WCHAR)) != 0)
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
