// Every message box of the program goes through here: the text comes from the
// string table and is formatted with the arguments its placeholders take.
#ifndef REMOVEAPPS_MESSAGE_H
#define REMOVEAPPS_MESSAGE_H

#include <windows.h>

// Shows string `textId`, formatted with the following arguments (one UTF-16
// string per %s), with the given caption and style. Returns the button the
// user chose, or 0 when the text could not be loaded and nothing was shown.
int ShowMessage(HWND owner, UINT textId, LPCWSTR caption, UINT style, ...);

// Asks the question `textId` about the application `name`, with no caption of
// the program's own. TRUE only when the user answers Yes.
BOOL ConfirmAction(HWND owner, UINT textId, LPCWSTR name);

#endif
