// The floor for start-up: a program that only opens an empty dialog, titled
// "Empty Dialog", and closes when asked to. With --with-shell it first loads
// the shell stand-in, as Remove Apps does.
#include <windows.h>

static INT_PTR CALLBACK EmptyProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        SetWindowTextW(dialog, L"Empty Dialog");
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int)
{
    if (wcsstr(commandLine, L"--with-shell") != NULL && LoadLibraryW(L"aygshell.dll") == NULL)
        return 1;
    // A template with no controls, built in place: style, counts, position, size.
    struct {
        DLGTEMPLATE header;
        WORD menu, cls, title;
    } tmpl = {{WS_POPUP | WS_VISIBLE, 0, 0, 0, 0, 100, 80}, 0, 0, 0};
    DialogBoxIndirectParamW(instance, &tmpl.header, NULL, EmptyProc, 0);
    return 0;
}
