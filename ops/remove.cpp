#include "commands.h"
#include "app_record.h"
#include "uninstall_doc.h"
#include "../app/state.h"
#include "../ui/app_list.h"
#include "../ui/main_dlg.h"
#include "../ui/message.h"
#include "../res/resource.h"
#include <cfgmgrapi.h>

// Appends `text` at `*used` in `doc` (UNINSTALL_DOC_CCH units), escaping the
// characters that XML gives a meaning when `escape` is set. A parser turns a
// literal TAB, LF or CR in an attribute into a space, which would name another
// application; written as character references they stay themselves.
static void AppendText(LPWSTR doc, int *used, LPCWSTR text, BOOL escape)
{
    for (; *text != L'\0'; text++) {
        LPCWSTR piece = NULL;
        if (escape) {
            switch (*text) {
            case L'&': piece = L"&amp;"; break;
            case L'<': piece = L"&lt;"; break;
            case L'>': piece = L"&gt;"; break;
            case L'"': piece = L"&quot;"; break;
            case L'\'': piece = L"&apos;"; break;
            case L'\t': piece = L"&#9;"; break;
            case L'\n': piece = L"&#10;"; break;
            case L'\r': piece = L"&#13;"; break;
            }
        }
        if (piece == NULL) {
            if (*used + 1 < UNINSTALL_DOC_CCH)
                doc[(*used)++] = *text;
        } else {
            for (; *piece != L'\0' && *used + 1 < UNINSTALL_DOC_CCH; piece++)
                doc[(*used)++] = *piece;
        }
    }
    doc[*used] = L'\0';
}

void BuildUninstallDoc(LPWSTR doc, LPCWSTR appName)
{
    int used = 0;
    ZeroMemory(doc, UNINSTALL_DOC_CCH * sizeof(WCHAR));
    AppendText(doc, &used,
               L"<wap-provisioningdoc><characteristic type=\"UnInstall\"><characteristic type=\"",
               FALSE);
    AppendText(doc, &used, appName, TRUE);
    AppendText(doc, &used, L"\">", FALSE);
    AppendText(doc, &used, L"<parm name=\"uninstall\" value=\"1\"/>", FALSE);
    AppendText(doc, &used, L"</characteristic></characteristic></wap-provisioningdoc>", FALSE);
}

HRESULT SubmitUninstallDoc(LPCWSTR appName)
{
    WCHAR doc[UNINSTALL_DOC_CCH];
    LPWSTR result = NULL;
    BuildUninstallDoc(doc, appName);
    HRESULT hr = DMProcessConfigXML(doc, CFGFLAG_PROCESS, &result);
    delete[] result; // the configuration manager leaves its result to the caller
    return hr;
}

void OnRemove(HWND dialog)
{
    WCHAR name[APPNAME_CCH];
    WCHAR path[PATH_CCH];
    if (!GetSelectedAppName(name) || !ConfirmAction(dialog, IDS_CONFIRM_REMOVE, name))
        return;

    SetCursor(LoadCursorW(NULL, IDC_WAIT));
    // The uninstall takes the record away, so its file is looked up first.
    ReadUninstallPath(name, path);
    BOOL removed = SUCCEEDED(SubmitUninstallDoc(name)) && !AppRecordExists(name);
    // After a failed uninstall the file stays: a later attempt needs it.
    if (removed)
        RemoveLeftoverFile(path);
    SetCursor(LoadCursorW(NULL, IDC_ARROW));

    if (removed)
        ShowMessage(dialog, IDS_REMOVED, g_Main.szTitle, MB_ICONINFORMATION, name);
    else
        ShowMessage(dialog, IDS_NOT_REMOVED, g_Main.szTitle, MB_ICONERROR, name);
    RefreshAppList(g_Main.hAppInstallKey, g_Main.hAppList);
}
