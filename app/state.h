// Process-wide state of Remove Apps: the main window's handles and the hidden
// list. Everything else lives in locals of the function that uses it.
#ifndef REMOVEAPPS_STATE_H
#define REMOVEAPPS_STATE_H

#include <windows.h>

// Buffer sizes, in UTF-16 units unless said otherwise.
#define APPNAME_CCH 100 // an application's name: 99 units and the terminator
#define TITLE_CCH 20    // the window title
#define PATH_CCH 260    // registry paths and file names
#define FORMAT_CCH 260  // a format loaded from the string table
#define MESSAGE_CCH 500 // a formatted message

// The main window: set by WinMain and the dialog's initialisation.
typedef struct {
    HINSTANCE hInst;          // this program: dialog, menu bar and string table
    HKEY hAppInstallKey;      // HKLM\Security\AppInstall, open while the dialog lives
    HWND hAppList;            // the dialog's list of applications
    WCHAR szTitle[TITLE_CCH]; // "Remove Apps": window text and caption of results
} MAINSTATE;

// How Hide.txt is written: as it was found, so that a file the user saved
// from a Unicode editor keeps its encoding and byte-order mark.
typedef enum {
    HIDE_ANSI,       // the device's ANSI code page, no mark
    HIDE_UTF8,       // UTF-8 after the mark EF BB BF
    HIDE_UTF16LE,    // UTF-16 little-endian after the mark FF FE, or recognised without it
    HIDE_UTF16BE,    // UTF-16 big-endian after the mark FE FF
    HIDE_UTF8_PLAIN, // UTF-8 without a mark, as most editors save it now
    HIDE_UNKNOWN,    // a file that could not be read: names wait as UTF-16 for the save
} HIDEENCODING;

// One hidden name, in both forms it is needed in.
typedef struct {
    LPSTR text;  // the name as Hide.txt holds it, in the list's encoding
    DWORD bytes; // its length in bytes, line end not counted
    LPWSTR wide; // the same converted to UTF-16 once, for matching; NULL for a
                 // line that is no text in its encoding, which matches nothing
} HIDDENNAME;

// The names the user asked not to see: first those of Hide.txt in file order,
// then those added during the run. Nothing is ever removed.
typedef struct {
    HIDDENNAME *entries;   // slots 0..count-1 in use; the table grows as needed
    int count;             // entries in use
    int capacity;          // slots allocated
    int loaded;            // entries read from Hide.txt; those after were added in this run
    LPCWSTR *sorted;       // the wide forms in code-unit order, for lookups
    int named;             // entries in sorted: those with a wide form
    HIDEENCODING encoding; // of Hide.txt as read; ANSI when there was none
} HIDDENLIST;

extern MAINSTATE g_Main;
extern HIDDENLIST g_Hidden;

#endif
