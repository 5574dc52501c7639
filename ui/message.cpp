#include "message.h"
#include "../app/state.h"
#include "../app/text.h"
#include <stdarg.h>

int ShowMessage(HWND owner, UINT textId, LPCWSTR caption, UINT style, ...)
{
    WCHAR format[FORMAT_CCH];
    WCHAR text[MESSAGE_CCH];
    if (LoadStringW(g_Main.hInst, textId, format, FORMAT_CCH) <= 0)
        return 0;
    va_list args;
    va_start(args, style);
    FormatTextV(text, MESSAGE_CCH, format, args);
    va_end(args);
    return MessageBoxW(owner, text, caption, style);
}

BOOL ConfirmAction(HWND owner, UINT textId, LPCWSTR name)
{
    return ShowMessage(owner, textId, NULL, MB_YESNO | MB_ICONQUESTION, name) == IDYES;
}
