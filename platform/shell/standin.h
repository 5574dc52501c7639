// What the desktop stand-in of the shell library shows its tests and tools.
// The device's shell library has none of this.
#ifndef REMOVEAPPS_STANDIN_H
#define REMOVEAPPS_STANDIN_H

#include "aygshell.h"

// Window class of the soft-key bar that SHCreateMenuBar creates.
#define STANDIN_MENUBAR_CLASS L"RemoveAppsStandInMenuBar"

// Window class of the title strip that the stand-in shows across the top of
// the screen, as the device's navigation bar does.
#define STANDIN_NAVBAR_CLASS L"RemoveAppsStandInNavBar"

// Copies the last document that DMProcessConfigXML received into buffer
// (cch units, always terminated); empty before the first call.
AYGSHELL_API void StandInLastConfigXML(LPWSTR buffer, int cch);

// While set, DMProcessConfigXML answers S_OK to a well-formed document and
// uninstalls nothing, as a configuration manager whose uninstall failed
// without saying so.
AYGSHELL_API void StandInAnswerSuccessOnly(BOOL answerSuccessOnly);

#endif
