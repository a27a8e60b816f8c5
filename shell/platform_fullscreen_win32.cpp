// STUB: replaced by the real implementation.
#include "shell/player_win32.h"

HRESULT ToggleFullScreen() { return E_NOTIMPL; }
