// The player's Win32 shell: the main window and everything that talks to
// it. Each group below lives in the file named in its heading; all of it
// runs on the user-interface thread.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <cstdint>

#include "core/app_state.h"
#include "presentation/presenter.h"

// ----------------------------------------------------- main_window_win32.cpp
// Win32 handles of the shell's state (the portable fields are in app_state.h).
extern HINSTANCE g_hInst;
extern HMENU g_hMenu;      // the main window's menu "PLAYAVI"
extern HACCEL g_hAccel;    // accelerator table 113
extern HIMAGELIST g_hToolbarImages;
extern HHOOK g_hSeekHook;  // relays mouse messages to the seek bar's tooltips

constexpr UINT_PTR kPositionTimer = 1;  // timer 1: position poll
constexpr UINT kPositionTimerMs = 100;

// The body of WinMain: COM, the command line, the window classes, the main
// window and the message loop. Returns the exit code.
int RunPlayer(HINSTANCE instance, const char* commandLine);
// Registers "PlayWndMediaPlayer" and the window class of every presenter in
// the list, and makes the shell the presenters' host. False when the main
// class could not be registered (GetLastError tells why).
bool RegisterPlayerClasses(HINSTANCE instance);
// Creates and shows the main window (the creation message loads the
// settings, builds toolbar and seek bar, posts 3023 when g_szCurrentFile is
// set), sets g_hMenu and grays the playback items. Null on failure.
HWND CreatePlayerWindow(HINSTANCE instance);
// One turn of the message loop's work for `msg`: the accelerators for
// ghApp, else translate and dispatch.
void DispatchPlayerMessage(MSG* msg);
LRESULT CALLBACK PlayerWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Toolbar, video window and seek bar after a move, size or zoom.
void LayoutMainWindow();

// The presenters' host over the shell (presenter_host_win32.cpp).
class PresenterHost;
PresenterHost& ShellPresenterHost();
HINSTANCE ResourceInstance();  // g_hInst, or this module before it is set

// ---------------------------------------------------------- messages_win32.cpp
// Two alternating 256-byte buffers; a missing id gives "".
char* LoadResString(int id);
// printf-style into 512 bytes; a modal box without owner, caption 2305.
void ReportMessage(const char* format, ...);
// Every message box of the shell goes through here (ReportMessage too), so
// that tests can take the text instead of a modal box nobody would click.
int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type);
// A test's stand-in for the box: gets what would be shown, returns the
// button "pressed". Null restores the real box.
using MessageBoxSink = int (*)(HWND owner, const char* text, const char* caption, UINT type);
void SetMessageBoxSink(MessageBoxSink sink);

// ------------------------------------------------------------ commands_win32.cpp
// The command table, with the rerouting to a full-screen window.
void HandleCommand(int id);
void HandleMouseWheel(WPARAM wParam);
void HandleDroppedFiles(HDROP drop);
// Toolbar tooltip texts and dropdown menus; true when handled.
bool HandleToolbarNotify(NMHDR* header, LRESULT* result);
void LeftClickAction();   // F2 and the left button
void RightClickAction();  // F3 and the right button

// ---------------------------------------------------- presenter_handover_win32.cpp
// Commands 3032, 3033, 3056, 3059 and 3060: close the movie here, run a
// full-screen presenter on it, reopen it afterwards. A presenter this build
// does not have leaves the open movie as it is.
void RunPresenterHandOver(int command);
// Runs the presenter `id` of the list on `path` until its window closes;
// false, with nothing run, when this build has no such presenter or it
// cannot run here now.
bool RunPresenter(PresenterId id, const char* path);
// False, after telling the user, when the WinX3D driver is chosen but not
// installed; checked before anything is closed.
bool ShutterDriverReady();

// ------------------------------------------------------- driver_registry_win32.cpp
// Whether the WinX3D driver's key is installed.
bool W3dDriverPresent();
// The nVidia driver's OpenGL stereo switch (4 bytes) and its consumer
// stereo switches; each changes only values the driver already has.
void SetOglStereoSupport(const BYTE value[4]);
void SetNvidiaStereo(DWORD value);
// Both switches as shutter driver `shutterDriver` ("nVidia" 0 ... 2) needs.
void SetDriverSwitchesFor(int shutterDriver);

// ------------------------------------------------------------ seek_bar_win32.cpp
// The modeless seek bar "AVIPLAY" owned by `owner`, with its tooltips and
// the thread hook that feeds them.
HWND CreateSeekBar(HWND owner);
void DestroySeekBar();
INT_PTR CALLBACK SeekBarDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// ------------------------------------------------------------ playback_win32.cpp
bool OpenClip();
void CloseClip();
void TogglePlay();
void ClickRestart();
void PauseClip();
void PlayClip();
void RewindClip();
void SaveClipPosition();
void RestoreClipPosition();
void ToggleMute();
void ChangeRate(double delta);
void SetRate(double rate);
void StepFrames(int frames);
void SeekToPosition();
void HandleGraphEvent();
void PollPosition();  // timer 1
void StartPositionTimer();  // (re)starts timer 1, g_bTimerOn = 1
void StopPositionTimer();   // kills timer 1 if it runs, g_bTimerOn = 0
void UpdateMainTitle();
void InitPlayerWindow();
void EnablePlaybackMenu(bool enable);
// Check marks: the item `id` of its group gets the mark, the others lose it.
void CheckDisplayItem(int id);  // 3024 ... 3037
void CheckInputItem(int id);    // 3100 ... 3105
void CheckSizeItem(int id);     // 3005, 3006, 3007, 3008; 0 clears all four
// The open dialog with the "FOPEN" template; true with the path in `path`
// (kPathBytes).
bool ShowOpenDialog(char* path);
int ShutterDriverSetting();  // the "nVidia" setting

// ------------------------------------------------- platform_fullscreen_win32.cpp
HRESULT ToggleFullScreen();

// ------------------------------------------------------ startup_download_win32.cpp
// A web URL on the command line with "nIEFileSave" 1: asks where to save
// `saveName`, downloads `url` there with the strip (template 117) showing,
// and puts the chosen path into `path` (kPathBytes). False when cancelled.
bool DownloadBeforePlay(const char* url, const char* saveName, char* path);

// -------------------------------------------------------------- cameras_win32.cpp
// The web-camera commands of a later feature: each lands here and does
// nothing yet.
void StartStereoCameras();   // 2126
void RecordStereoCameras();  // 2128

// ------------------------------------------ main_window_win32.cpp (continued)
#include <string>
// The program's own texts are written in UTF-8 in the sources; the narrow
// window functions expect the system code page.
std::string SystemCodePageText(const char* utf8);
