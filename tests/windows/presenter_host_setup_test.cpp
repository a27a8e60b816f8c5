// In the player the shell becomes the presenters' host when it registers
// its window classes; the tests run presenters without that, so the shell
// is their host from the start.
#include "presentation/presenter_host.h"
#include "shell/player_win32.h"

namespace {
const bool g_hostSet = (SetPresenterHost(&ShellPresenterHost()), true);
}  // namespace
