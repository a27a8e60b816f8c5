// STUB: replaced by the real implementation.
#include "shell/player_win32.h"

void HandleCommand(int) {}
void HandleMouseWheel(WPARAM) {}
void HandleDroppedFiles(HDROP) {}
bool HandleToolbarNotify(NMHDR*, LRESULT*) { return false; }
void LeftClickAction() {}
void RightClickAction() {}
