// The bytes of Hide.txt: how each encoding marks itself, where its lines
// end, how a name is converted, and how a whole file is laid out.
#ifndef REMOVEAPPS_HIDE_FORMAT_H
#define REMOVEAPPS_HIDE_FORMAT_H

#include "state.h"

#define ENCODED_MAX (APPNAME_CCH * 3) // bytes of the longest name in any encoding

// The text of a Hide.txt, its encoding recognised.
typedef struct {
    const BYTE *body;      // the text after its byte-order mark
    DWORD units;           // whole code units in the body
    HIDEENCODING encoding; // never HIDE_UNKNOWN
} HIDETEXT;

// What DecodeName made of a line.
enum { DECODED, DECODE_INVALID, DECODE_NO_MEMORY };

// Recognises the encoding of `size` bytes read from Hide.txt.
void OpenHideText(HIDETEXT *text, const BYTE *bytes, DWORD size);

// The next name at or after unit *pos: its bytes, without CRs or the line end.
// Runs of CR, LF and NUL separate names. FALSE at the end of the text.
BOOL NextHideLine(const HIDETEXT *text, DWORD *pos, const BYTE **line, DWORD *bytes);

// The UTF-16 form of a line, allocated with LocalAlloc, into *wide; DECODED,
// DECODE_INVALID when the line is no text in `encoding`, DECODE_NO_MEMORY.
int DecodeName(HIDEENCODING encoding, const BYTE *line, DWORD bytes, LPWSTR *wide);

// Encodes `name` as a line of Hide.txt in `encoding` into `out` (ENCODED_MAX
// bytes). FALSE when that line would not read back as exactly this name: no
// line holds a CR or LF, the ANSI code page lacks most characters, and plain
// ANSI text holds no name whose bytes would read as UTF-8.
BOOL EncodeName(HIDEENCODING encoding, LPCWSTR name, BYTE *out, DWORD *bytes);

// Lays out the whole file for `list` into `out`, or only measures it when
// `out` is NULL: the mark, then each entry and a LF. Returns its size.
DWORD LayOutHideFile(BYTE *out, const HIDDENLIST *list);

#endif
