// What the desktop stand-in of the shell library shows its tests and tools.
// The device's shell library has none of this.
#ifndef REMOVEAPPS_STANDIN_H
#define REMOVEAPPS_STANDIN_H

#include "aygshell.h"

// Window class of the soft-key bar that SHCreateMenuBar creates.
#define STANDIN_MENUBAR_CLASS L"RemoveAppsStandInMenuBar"

// Window class of one soft key on the bar; its text is the key's label, and
// BM_CLICK presses it as a tap does.
#define STANDIN_SOFTKEY_CLASS L"RemoveAppsStandInSoftKey"

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

// TRUE for a message box: a dialog of this thread with a message text.
AYGSHELL_API BOOL IsStandInMessageBox(HWND window);

// Fits the message box into a screen of `width` by `height` pixels as the
// device's shell does: no wider than the screen, its text wrapped to the
// width it gets, caption and buttons inside, centred. Text, caption, icon,
// buttons and the default button stay as they are.
AYGSHELL_API void StandInFitMessageBox(HWND box, int width, int height);

// Fits every message box from now on to a screen of `width` by `height`
// pixels, as a device of that screen would, rather than to the desktop's
// (0 by 0: the desktop's again). Wine's display-less driver has one size only.
AYGSHELL_API void StandInUseScreen(int width, int height);

#endif
