// The hidden list: names of applications the user asked not to see, kept in
// Hide.txt beside the program (ANSI text, one name per line).
#ifndef REMOVEAPPS_HIDDEN_LIST_H
#define REMOVEAPPS_HIDDEN_LIST_H

#include <windows.h>

// Fills the list from the file, starting empty. A missing file is an empty list.
void LoadHiddenList(LPCWSTR path);

// Writes the whole list to the file, each name followed by one LF. The old
// file is replaced only once the new one has been written whole.
void SaveHiddenList(LPCWSTR path);

// Appends the ANSI form of an application's name.
void AddHiddenName(LPCWSTR name);

// True when some entry, converted back to UTF-16, equals the name exactly.
BOOL IsHiddenName(LPCWSTR name);

// Releases every entry and leaves the list empty.
void FreeHiddenList(void);

#endif
