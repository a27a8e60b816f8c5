// The player's own dialogs, one file each in this folder. A setting they
// show is changed and stored the moment it is clicked, so a cancelled open
// dialog keeps the choices made in it.
#pragma once
#include <windows.h>

void ShowAboutDialog(HWND owner);            // "ABOUT"
bool ShowCustomSizeDialog(HWND owner);       // "CUSTSIZE": true on OK
void ShowDisplaySettingsDialog(HWND owner);  // "FSET"
// The hook of the open dialog's "FOPEN" template.
UINT_PTR CALLBACK OpenDialogHook(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Dialogs of later features: each command lands here and does nothing yet.
void ShowOptionsDialog(HWND owner);          // "COMOPTION", 2173
void ShowShutterSettingsDialog(HWND owner);  // "W3D", 3303
bool ShowWebcamDialog(HWND owner);           // "WEBCAM", 2127: true for its show button
