// The hidden list: names of applications the user asked not to see, kept in
// Hide.txt beside the program, one name per line: ANSI text, or UTF-8 or
// UTF-16 LE text after its byte-order mark.
#ifndef REMOVEAPPS_HIDDEN_LIST_H
#define REMOVEAPPS_HIDDEN_LIST_H

#include <windows.h>

// Fills the list from the file, starting empty. A missing file is an empty list.
void LoadHiddenList(LPCWSTR path);

// Writes the file's names as they are now, then those added in this run that
// it does not hold, each followed by one LF, in the file's encoding. The old
// file is replaced only once the new one has been written whole, and is left
// as it is when it cannot be read or is read-only. TRUE when the file now
// holds every name added in this run.
BOOL SaveHiddenList(LPCWSTR path);

// Appends an application's name in Hide.txt's encoding. FALSE, and nothing
// added, when that encoding cannot hold the name exactly or the name holds a
// line break (last error ERROR_NO_UNICODE_TRANSLATION), or when memory ran
// out (ERROR_NOT_ENOUGH_MEMORY).
BOOL AddHiddenName(LPCWSTR name);

// True when some entry, converted back to UTF-16, equals the name exactly.
BOOL IsHiddenName(LPCWSTR name);

// Releases every entry and leaves the list empty.
void FreeHiddenList(void);

#endif
