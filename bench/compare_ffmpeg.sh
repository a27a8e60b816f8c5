#!/usr/bin/env bash
# Whole-process comparison on the same raw side-by-side frames: our grey
# red/cyan anaglyph (mode 2) against ffmpeg's stereo3d=sbsl:arcg.
# Usage: bench/compare_ffmpeg.sh [WIDTH HEIGHT FRAMES]   (needs ffmpeg, hyperfine)
set -euo pipefail
cd "$(dirname "$0")/.."
W=${1:-1920} H=${2:-1080} N=${3:-60}
tool=${DUOSCOPE_COMPOSE:-build/native/tools/compose/duoscope-compose}
[ -x "$tool" ] || { echo "build first: ./run-tests" >&2; exit 1; }
frames=build/bench-frames-${W}x${H}x${N}.raw
if [ ! -s "$frames" ]; then
    ffmpeg -nostdin -loglevel error -f lavfi -i "testsrc2=size=${W}x${H}:rate=25" -frames:v "$N" \
        -f rawvideo -pix_fmt bgr24 -y "$frames"
fi
hyperfine --warmup 1 --runs 5 \
    -n duoscope-compose "$tool --pixel-format rgb24 --width $W --height $H --layout 0 --mode 2 --frames $N <$frames >/dev/null" \
    -n "ffmpeg stereo3d" "ffmpeg -nostdin -loglevel error -f rawvideo -pix_fmt bgr24 -s ${W}x${H} -i $frames -vf stereo3d=sbsl:arcg -f rawvideo -pix_fmt bgr24 -y /dev/null" \
    -n "ffmpeg stereo3d, 1 thread" "ffmpeg -nostdin -loglevel error -threads 1 -filter_threads 1 -f rawvideo -pix_fmt bgr24 -s ${W}x${H} -i $frames -vf stereo3d=sbsl:arcg -f rawvideo -pix_fmt bgr24 -y /dev/null"
