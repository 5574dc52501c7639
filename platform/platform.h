// The few places where the Pocket PC device and the desktop build differ.
// The program's code uses these names and never tests the platform itself.
#ifndef REMOVEAPPS_PLATFORM_H
#define REMOVEAPPS_PLATFORM_H

#include <windows.h>

// The device enters WinMain with a wide command line; the desktop build uses
// wWinMain (linked with -municode).
#ifdef _WIN32_WCE
#define PROGRAM_ENTRY WinMain
#else
#define PROGRAM_ENTRY wWinMain
#endif

// Access mask for registry keys that are enumerated or queried. The device
// requires 0; the desktop refuses enumeration and queries through such a key.
#ifdef _WIN32_WCE
#define APP_KEY_ACCESS 0
#else
#define APP_KEY_ACCESS KEY_READ
#endif

// Deletes the subkey `name` of `parent` with everything below it, as
// RegDeleteKeyW does on the device. An empty name is refused, since it would
// stand for `parent` itself.
LONG DeleteRegistryTree(HKEY parent, LPCWSTR name);

// Puts the fully written file `source` in the place of `target`, replacing it.
// FALSE when it could not; on the device `target` may be gone by then, and
// `source` is then the only copy left.
BOOL ReplaceFileWith(LPCWSTR source, LPCWSTR target);

#endif
