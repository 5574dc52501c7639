// Remove Apps: lists the applications that the installer recorded and lets
// the user remove, inspect, hide or forget them.
#include "hidden_list.h"
#include "state.h"
#include "../platform/platform.h"
#include "../res/resource.h"
#include "../ui/main_dlg.h"
#include "../ui/message.h"

#define HIDE_FILE L"Hide.txt"

// Hide.txt lives in the program's own folder. FALSE when that path cannot be
// made, and then the hidden list is neither read nor written.
static BOOL BuildHidePath(HINSTANCE instance, LPWSTR path)
{
    DWORD length = GetModuleFileNameW(instance, path, PATH_CCH);
    if (length == 0 || length >= PATH_CCH)
        return FALSE;
    LPWSTR slash = wcsrchr(path, L'\\');
    if (slash == NULL || (slash - path) + 1 + lstrlenW(HIDE_FILE) >= PATH_CCH)
        return FALSE;
    lstrcpyW(slash + 1, HIDE_FILE);
    return TRUE;
}

int WINAPI PROGRAM_ENTRY(HINSTANCE hInstance, HINSTANCE, LPWSTR, int)
{
    WCHAR hidePath[PATH_CCH];
    g_Main.hInst = hInstance;
    HWND owner = GetActiveWindow();

    BOOL haveHidePath = BuildHidePath(hInstance, hidePath);
    if (haveHidePath)
        LoadHiddenList(hidePath);

    RunMainDialog(owner);

    // Names are only ever added, so a changed count means this run added some.
    // The window has closed by now, so the box has no owner.
    if (g_Hidden.count != g_Hidden.loaded) {
        HIDESAVE saved = haveHidePath ? SaveHiddenList(hidePath) : HIDE_NOT_SAVED;
        if (saved != HIDE_SAVED)
            ShowMessage(NULL, saved == HIDE_PARTLY_SAVED ? IDS_PARTLY_SAVED : IDS_NOT_SAVED,
                        g_Main.szTitle, MB_ICONERROR);
    }
    FreeHiddenList();
    return 0;
}
