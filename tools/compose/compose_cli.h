// duoscope-compose: recomposes stereo frames outside the player.
//
//   duoscope-compose --pixel-format rgb24|yuy2 --width W --height H
//                    --layout L --mode M [--swap] [--fill BYTE] [--frames N]
//       raw frames on stdin, the composed output buffer on stdout per frame
//   duoscope-compose --layout L --mode M [--swap] in.bmp out.bmp
//       a 24-bit BMP in, the composed area as a 24-bit BMP out
#pragma once
#include <cstdio>

constexpr int kComposeExitOk = 0;
constexpr int kComposeExitError = 2;         // bad arguments, bad or short input, I/O failure
constexpr int kComposeExitNoCompositor = 3;  // the display mode composes no frame

// Runs the tool; returns the process exit status. in/out carry the raw
// frames and must be in binary mode; messages go to err, --help to out.
int RunComposeCli(int argc, char** argv, FILE* in, FILE* out, FILE* err);
