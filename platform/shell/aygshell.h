// Pocket PC shell library: the soft-key menu bar. On the device this header and
// aygshell.dll come with the platform SDK; here they are a desktop stand-in
// declaring only what the program uses, with the device's names and layout.
#ifndef REMOVEAPPS_AYGSHELL_H
#define REMOVEAPPS_AYGSHELL_H

#include <windows.h>

#ifdef AYGSHELL_STANDIN_BUILD
#define AYGSHELL_API extern "C" __declspec(dllexport)
#else
#define AYGSHELL_API extern "C" __declspec(dllimport)
#endif

// Sub-menu index of a soft key that sends its command instead of opening a menu.
#ifndef NOMENU
#define NOMENU 0xFFFF
#endif

typedef struct tagSHMENUBARINFO {
    DWORD cbSize;       // sizeof(SHMENUBARINFO): 36 on the 32-bit device
    HWND hwndParent;    // window that receives the commands
    DWORD dwFlags;      // creation flags; none are used
    UINT nToolBarId;    // id of the bar's RCDATA resource
    HINSTANCE hInstRes; // module holding the bar, its menu and its strings
    int nBmpId;         // bitmap of button images; none are used
    int cBmpImages;     // number of images in nBmpId
    HWND hwndMB;        // receives the bar's window
    COLORREF clrBk;     // background colour; 0 for the default
} SHMENUBARINFO, *PSHMENUBARINFO;

#ifndef _WIN64
static_assert(sizeof(SHMENUBARINFO) == 36, "the device's shell expects 36 bytes");
#endif

// Creates the soft-key bar described by the RCDATA resource pmbi->nToolBarId.
// Returns FALSE for a wrong cbSize or a missing or malformed resource.
AYGSHELL_API BOOL SHCreateMenuBar(SHMENUBARINFO *pmbi);

#endif
