#include "commands.h"
#include "app_record.h"
#include "../app/hidden_list.h"
#include "../app/state.h"
#include "../platform/platform.h"
#include "../ui/app_list.h"
#include "../ui/main_dlg.h"
#include "../ui/message.h"
#include "../res/resource.h"

void OnHide(HWND dialog)
{
    WCHAR name[APPNAME_CCH];
    if (!GetSelectedAppName(name))
        return;
    // A name Hide.txt cannot hold is refused before the user agrees to hide it.
    if (!CanHideName(name)) {
        ShowMessage(dialog, IDS_CANNOT_HIDE, g_Main.szTitle, MB_ICONERROR, name);
        return;
    }
    if (!ConfirmAction(dialog, IDS_CONFIRM_HIDE, name))
        return;
    // Hide.txt is written when the program ends, in the encoding it has. The
    // name passed CanHideName in that encoding: what fails now is the device.
    if (!AddHiddenName(name)) {
        ShowMessage(dialog, IDS_NO_MEMORY_TO_HIDE, g_Main.szTitle, MB_ICONERROR, name);
        return;
    }
    RefreshAppList(g_Main.hAppInstallKey, g_Main.hAppList);
}

void OnErase(HWND dialog)
{
    WCHAR name[APPNAME_CCH];
    WCHAR path[PATH_CCH];
    if (!GetSelectedAppName(name) || !ConfirmAction(dialog, IDS_CONFIRM_ERASE, name))
        return;
    ReadUninstallPath(name, path);
    // The file goes only with its record: a record left behind still needs it.
    if (DeleteRegistryTree(g_Main.hAppInstallKey, name) == ERROR_SUCCESS)
        RemoveLeftoverFile(path);
    RefreshAppList(g_Main.hAppInstallKey, g_Main.hAppList);
}
