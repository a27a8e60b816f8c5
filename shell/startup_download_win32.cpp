// STUB: replaced by the real implementation.
#include "shell/player_win32.h"

bool DownloadBeforePlay(const char*, const char*, char*) { return false; }
