// Small text helpers shared by the program's parts.
#ifndef REMOVEAPPS_TEXT_H
#define REMOVEAPPS_TEXT_H

#include <windows.h>

// Plain code-unit order of two NUL-terminated names: -1, 0 or 1.
int CompareNames(LPCWSTR a, LPCWSTR b);

// Formats into buffer (cch units) and always terminates it; text that does
// not fit is cut. The format's %s takes a UTF-16 string.
void FormatText(LPWSTR buffer, int cch, LPCWSTR format, ...);
void FormatTextV(LPWSTR buffer, int cch, LPCWSTR format, va_list args);

#endif
