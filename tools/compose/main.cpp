#include <cstdio>

#include "tools/compose/compose_cli.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <csignal>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    // Frames are binary: no CR/LF translation, no stop at 0x1A.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#else
    // A closed pipe should end in a write error and exit status 2, not a signal.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    return RunComposeCli(argc, argv, stdin, stdout, stderr);
}
