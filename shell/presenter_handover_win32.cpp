// STUB: replaced by the real implementation.
#include "shell/player_win32.h"

void RunPresenterHandOver(int) {}
bool PresenterAvailable(Presenter) { return false; }
