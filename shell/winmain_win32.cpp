// The program's entry: everything happens in RunPlayer.
#include "shell/player_win32.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    return RunPlayer(instance, commandLine);
}
