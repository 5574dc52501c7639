// Commands that act on the application selected in the main dialog. Each does
// nothing when no row holds the selection mark.
#ifndef REMOVEAPPS_COMMANDS_H
#define REMOVEAPPS_COMMANDS_H

#include <windows.h>

// "Select" and the action key: uninstalls through the configuration manager.
void OnRemove(HWND dialog);

// "Details": install path, folder size and install date in one box.
void OnDetails(HWND dialog);

// "Add to hidden list": the name goes on the hidden list and leaves the list.
void OnHide(HWND dialog);

// "Erase uninstall info": deletes the record and its uninstall-information
// file without uninstalling.
void OnErase(HWND dialog);

#endif
