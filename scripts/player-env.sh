# shellcheck shell=bash
# Sourced by ./duoscope and scripts/screenshot: the player under Wine, in
# Japanese, in a Wine prefix of its own.
#
#   player_argument ARG  prints ARG as the player takes it: a URL or a
#                        Windows path unchanged, a Linux path as Z:\...;
#                        fails with a message for a missing file
#   player_start [ARG]   starts the player in the background (pid in
#                        PLAYER_PID), on $DISPLAY or, without one, on an
#                        Xvfb of its own
#   player_wait          waits for it; returns its exit code
#   player_stop          ends it, its Wine processes and that Xvfb
#   player_prefix        makes the locale and the prefix (player_start does)
#   player_wine ARGS     any other Wine command in the player's prefix
#
# The prefix build/wine/player/ is made on first use and kept (settings and
# file history persist in its registry); build/wine/player.log takes
# Wine's output. DUOSCOPE_WINE_MANAGED=N tells Wine that no window manager
# runs on $DISPLAY, so that it draws the window frames itself (as it does
# on the Xvfb started here).

DUOSCOPE_ROOT=${DUOSCOPE_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
source "$DUOSCOPE_ROOT/scripts/wine-env.sh"
source "$DUOSCOPE_ROOT/scripts/locale-env.sh"

# The product: the 32-bit build, under 32-bit Wine.
PLAYER_EXE=$DUOSCOPE_ROOT/build/i686/shell/duoscope.exe
PLAYER_SAMPLE=$DUOSCOPE_ROOT/build/i686/sample/duoscope-sample.mp4
PLAYER_PREFIX=$DUOSCOPE_WINE_DIR/player
PLAYER_LOG=$DUOSCOPE_WINE_DIR/player.log

player_argument() {
    local arg=$1 path
    case $arg in
        # URLs (http, https, file, ...) and Windows paths go as given.
        [A-Za-z]*://*) printf '%s\n' "$arg"; return 0 ;;
        [A-Za-z]:[\\/]* | \\\\*) printf '%s\n' "$arg"; return 0 ;;
    esac
    path=$(realpath -s -- "$arg") || return 1
    if [ ! -e "$path" ]; then
        echo "No such file: $arg" >&2
        return 1
    fi
    if [ ! -f "$path" ]; then
        echo "Not a movie file: $arg" >&2
        return 1
    fi
    # Wine's drive Z: is the root of the Linux file system.
    printf 'Z:%s\n' "${path//\//\\}"
}

# Makes the Japanese locale and the prefix once; a half-made prefix
# (interrupted), or one made by another Wine or before the 32-bit Wine was
# installed (its 32-bit programs would not start), is made again.
player_prefix() {
    mkdir -p "$DUOSCOPE_WINE_DIR"
    # Japanese Windows: Wine takes code page 932 from the locale. Made
    # here, used by the Wine commands only (in subshells).
    (locale_env ja_JP.UTF-8) || return 1
    [ -s "$PLAYER_PREFIX/system.reg" ] &&
        [ "$(cat "$PLAYER_PREFIX/.duoscope-player" 2>/dev/null)" = "$(wine_env_stamp)" ] && return 0
    echo "Making the player's Wine prefix $PLAYER_PREFIX (once; log: $PLAYER_LOG)"
    rm -rf "$PLAYER_PREFIX"
    mkdir -p "$PLAYER_PREFIX"
    # No display while it is made: Wine's set-up windows need none. Output to
    # a file: Wine's first process leaves services holding it open.
    (
        export WINEPREFIX=$PLAYER_PREFIX DISPLAY=
        set -e
        locale_env ja_JP.UTF-8
        wineboot -i
        # The player starts in its RGB mode (the open dialog and the
        # options dialog switch it): Wine's renderer for YUY2 frames draws
        # nothing inside the player's window, its RGB renderer does.
        wine reg add 'HKCU\Software\Kest\duoviewer' /v nRGB /t REG_SZ /d 1 /f
        wine reg add 'HKCU\Software\Kest\duoviewer' /v nRGBCom /t REG_SZ /d 1 /f
        wineserver -w
    ) </dev/null >"$PLAYER_LOG" 2>&1 || { echo "wineboot failed:" >&2; cat "$PLAYER_LOG" >&2; return 1; }
    wine_env_stamp >"$PLAYER_PREFIX/.duoscope-player"
}

# player_wine ARGS...: a Wine command in the player's prefix, in Japanese,
# its output (and the subshell's own messages) to the log.
player_wine() {
    (
        locale_env ja_JP.UTF-8
        WINEPREFIX=$PLAYER_PREFIX wine "$@"
        # Not the subshell's last command, so not run in its place: a
        # killed Wine is reported here, into the log.
        exit $?
    ) </dev/null >>"$PLAYER_LOG" 2>&1
}

# Managed (Y) windows are framed by the window manager; without one (N)
# Wine draws the frames itself. Written only when it changes.
_player_managed() {
    local want=$1 stamp=$PLAYER_PREFIX/.duoscope-managed
    [ "$(cat "$stamp" 2>/dev/null)" = "$want" ] && return 0
    player_wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d "$want" /f || return 1
    echo "$want" >"$stamp"
}

PLAYER_PID=
PLAYER_XVFB_PID=

player_start() {
    local p
    for p in wine wineserver; do
        command -v "$p" >/dev/null || { echo "$p is not installed" >&2; return 1; }
    done
    [ -s "$PLAYER_EXE" ] || { echo "The player is not built: $PLAYER_EXE" >&2; return 1; }
    player_prefix || return 1
    local managed=${DUOSCOPE_WINE_MANAGED:-Y}
    if [ -z "${DISPLAY:-}" ]; then
        command -v Xvfb >/dev/null || { echo "No DISPLAY, and Xvfb is not installed" >&2; return 1; }
        _wine_env_xvfb || return 1
        PLAYER_XVFB_PID=$DUOSCOPE_WINE_XVFB_PID
        export DISPLAY=$DUOSCOPE_WINE_DISPLAY
        managed=N
        cat <<MSG
No DISPLAY: the player runs on the virtual screen $DISPLAY (Xvfb, 1024x768).
  A picture of it:  import -display $DISPLAY -window root duoscope.png
  Live, with x11vnc: x11vnc -display $DISPLAY -localhost, then a VNC viewer on localhost:5900
It ends with the player (close its window, or Ctrl+C here).
MSG
    fi
    _player_managed "$managed" || { echo "Cannot set up the prefix (log: $PLAYER_LOG)" >&2; return 1; }
    player_wine "$PLAYER_EXE" "$@" &
    PLAYER_PID=$!
}

player_wait() {
    local rc=0
    [ -n "$PLAYER_PID" ] || return 0
    wait "$PLAYER_PID" || rc=$?
    PLAYER_PID=
    return $rc
}

player_stop() {
    if [ -n "$PLAYER_PID" ]; then
        # Asked to close, as its close box would; ended with the prefix's
        # processes if it has not within 10 s.
        if kill -0 "$PLAYER_PID" 2>/dev/null; then
            player_wine taskkill /im duoscope.exe || true
            for _ in $(seq 100); do
                kill -0 "$PLAYER_PID" 2>/dev/null || break
                sleep 0.1
            done
        fi
        WINEPREFIX=$PLAYER_PREFIX wineserver -k >/dev/null 2>&1 || true
        wait "$PLAYER_PID" 2>/dev/null || true
        PLAYER_PID=
    fi
    if [ -n "$PLAYER_XVFB_PID" ]; then
        # Wine's services on that display go with it.
        WINEPREFIX=$PLAYER_PREFIX wineserver -k >/dev/null 2>&1 || true
        kill "$PLAYER_XVFB_PID" 2>/dev/null || true
        wait "$PLAYER_XVFB_PID" 2>/dev/null || true
        PLAYER_XVFB_PID=
    fi
    return 0
}
