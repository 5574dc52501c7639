// The hidden list: names of applications the user asked not to see, kept in
// Hide.txt beside the program, one name per line: ANSI text, UTF-8 or UTF-16
// text after its byte-order mark, or UTF-16 LE or UTF-8 text without one.
#ifndef REMOVEAPPS_HIDDEN_LIST_H
#define REMOVEAPPS_HIDDEN_LIST_H

#include <windows.h>

// Fills the list from the file, starting empty. A missing file is an empty list.
void LoadHiddenList(LPCWSTR path);

// How many of the names added in this run the file holds after a save.
typedef enum {
    HIDE_NOT_SAVED,    // none
    HIDE_SAVED,        // every one
    HIDE_PARTLY_SAVED, // some, not all
} HIDESAVE;

// Writes the file's names as they are now, then those added in this run that
// it does not hold, each followed by one LF, in the file's encoding. The old
// file is replaced only once the new one has been written whole, and is left
// as it is when it cannot be read, is read-only, or its state is unknown.
HIDESAVE SaveHiddenList(LPCWSTR path);

// Appends an application's name in Hide.txt's encoding (held as UTF-16 until
// the save when the file could not be read). FALSE, and nothing added, when
// that encoding cannot hold the name exactly or the name holds a line break
// (last error ERROR_NO_UNICODE_TRANSLATION), or when memory ran out or the
// conversion back of the name's own bytes failed (ERROR_NOT_ENOUGH_MEMORY).
BOOL AddHiddenName(LPCWSTR name);

// Whether AddHiddenName can hold the name in Hide.txt's encoding, asked
// before the user is: FALSE for a name it would refuse. Until an unreadable
// file's encoding is known, only a name with a line break is refused.
BOOL CanHideName(LPCWSTR name);

// True when some entry, converted back to UTF-16, equals the name exactly.
BOOL IsHiddenName(LPCWSTR name);

// Releases every entry and leaves the list empty.
void FreeHiddenList(void);

#endif
