// The provisioning document that asks the configuration manager to uninstall
// one application.
#ifndef REMOVEAPPS_UNINSTALL_DOC_H
#define REMOVEAPPS_UNINSTALL_DOC_H

#include <windows.h>

// The fixed text takes 168 units; a name of 99 units, each escaped into at
// most six, adds 594.
#define UNINSTALL_DOC_CCH 768

// Builds the document for `appName` into `doc` (UNINSTALL_DOC_CCH units), the
// name escaped as XML text so that it names exactly that application.
void BuildUninstallDoc(LPWSTR doc, LPCWSTR appName);

// Hands the document to the configuration manager and returns its result.
HRESULT SubmitUninstallDoc(LPCWSTR appName);

#endif
