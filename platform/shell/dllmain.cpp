// The device's shell has made the list-view control available before any
// program starts; on the desktop the stand-in does it as it is loaded.
#define AYGSHELL_STANDIN_BUILD
#include "aygshell.h"
#include <commctrl.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&icc);
    }
    return TRUE;
}
