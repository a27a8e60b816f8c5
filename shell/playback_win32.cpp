// STUB: replaced by the real implementation.
#include "shell/player_win32.h"

bool OpenClip() { return false; }
void CloseClip() {}
void TogglePlay() {}
void ClickRestart() {}
void PauseClip() {}
void PlayClip() {}
void RewindClip() {}
void SaveClipPosition() {}
void RestoreClipPosition() {}
void ToggleMute() {}
void ChangeRate(double) {}
void SetRate(double) {}
void StepFrames(int) {}
void SeekToPosition() {}
void HandleGraphEvent() {}
void PollPosition() {}
void StartPositionTimer() {}
void StopPositionTimer() {}
void UpdateMainTitle() {}
void InitPlayerWindow() {}
void EnablePlaybackMenu(bool) {}
void CheckDisplayItem(int) {}
void CheckInputItem(int) {}
void CheckSizeItem(int) {}
bool ShowOpenDialog(char*) { return false; }
int ShutterDriverSetting() { return g_nShutterDriver.load(); }
