#include "text.h"
#include <stdarg.h>
#include <stdio.h>

int CompareNames(LPCWSTR a, LPCWSTR b)
{
    for (; *a == *b; a++, b++) {
        if (*a == L'\0')
            return 0;
    }
    return (WORD)*a < (WORD)*b ? -1 : 1;
}

void FormatTextV(LPWSTR buffer, int cch, LPCWSTR format, va_list args)
{
    if (cch <= 0)
        return;
    // _vsnwprintf leaves the buffer unterminated when the text fills it.
    _vsnwprintf(buffer, cch, format, args);
    buffer[cch - 1] = L'\0';
}

void FormatText(LPWSTR buffer, int cch, LPCWSTR format, ...)
{
    va_list args;
    va_start(args, format);
    FormatTextV(buffer, cch, format, args);
    va_end(args);
}
