// Pocket PC configuration manager: processes provisioning documents. On the
// device it lives in the shell library; here the desktop stand-in provides it.
#ifndef REMOVEAPPS_CFGMGRAPI_H
#define REMOVEAPPS_CFGMGRAPI_H

#include "aygshell.h"

// Process the document (as opposed to only querying its metadata).
#define CFGFLAG_PROCESS 0x0001

// Failures reported by the configuration manager.
#define CONFIG_E_OBJECTBUSY ((HRESULT)0x80042001L)
#define CONFIG_E_ENTRYNOTFOUND ((HRESULT)0x80042004L)
#define CONFIG_E_CSPEXCEPTION ((HRESULT)0x80042007L)
#define CONFIG_E_BAD_XML ((HRESULT)0x80042009L)

// Processes the provisioning document pszWXMLin. *ppszwXMLout receives the
// result document, or NULL; the caller releases it with delete[].
AYGSHELL_API HRESULT DMProcessConfigXML(LPCWSTR pszWXMLin, DWORD dwFlags, LPWSTR *ppszwXMLout);

#endif
