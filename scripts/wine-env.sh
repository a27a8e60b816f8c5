# Sourced by ./run-tests (and by scripts/wine-run when it is used on its
# own): the Wine side of a Windows test run.
#
#   wine_env_start   template prefix (made once, reused while Wine is
#                    unchanged) and one Xvfb for the run; stopped on exit
#   wine_env_stop    Xvfb, leftover wineservers and private prefixes
#
# Everything lives under build/wine/ (DUOSCOPE_WINE_DIR overrides it):
# template/ is the prefix every test copies, runs/<pid>/ holds one run's
# copies, wine-run.log times each program run.

DUOSCOPE_ROOT=${DUOSCOPE_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
DUOSCOPE_WINE_DIR=${DUOSCOPE_WINE_DIR:-$DUOSCOPE_ROOT/build/wine}

# Quiet unless asked otherwise; no Mono or Gecko download prompts, and no
# menu entries or file associations written to $HOME.
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}

# What a prefix was made with: the Wine version and which of its kinds are
# installed. A different Wine makes a new template (an old prefix would be
# updated in place on first use, through the hard links of every copy), and
# so does the arrival of the 32-bit Wine: a prefix made without it is not a
# WoW64 prefix, and its 32-bit programs fail ("could not load kernel32.dll").
wine_env_stamp() {
    local inf=/usr/share/wine/wine.inf kinds="" k
    for k in wine wine64; do
        [ -x "/usr/lib/wine/$k" ] && kinds="$kinds $k"
    done
    echo "$(wine --version 2>/dev/null) $(stat -c %Y "$inf" 2>/dev/null)$kinds"
}

_wine_env_template_valid() {
    local t=$1
    [ -s "$t/system.reg" ] && [ -s "$t/user.reg" ] && [ -s "$t/userdef.reg" ] &&
        [ -d "$t/drive_c/windows/system32" ] && [ ! -e "$t/wineserver" ] &&
        [ "$(cat "$t/.duoscope-template" 2>/dev/null)" = "$(wine_env_stamp)" ]
}

# _wine_env_make_template <dir>: a fresh prefix in <dir>.new, moved into
# place only once complete.
_wine_env_make_template() {
    local t=$1 new=$1.new log=$DUOSCOPE_WINE_DIR/template.log
    rm -rf "$new"
    mkdir -p "$new"
    echo "Making the Wine template prefix $t (log: $log)"
    # Wine's first process leaves services running that inherit its output:
    # to a file, never a pipe, or a reader waits for them.
    (
        export WINEPREFIX=$new DISPLAY=${DUOSCOPE_WINE_DISPLAY:-}
        set -e
        wineboot -i
        wineserver -w
        # Unmanaged windows: no window manager runs, and managed windows
        # take seconds to hide without one.
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f
        # A crashing test prints a backtrace and ends instead of waiting on
        # a dialog nobody will click.
        wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
        wineserver -w
    ) </dev/null >"$log" 2>&1 || { echo "wineboot failed:" >&2; cat "$log" >&2; return 1; }
    # Debian's Wine keeps a prefix's wineserver socket in the /tmp folder
    # named in <prefix>/wineserver, under the prefix folder's inode number.
    # Copies sharing that file would share the folder, and a new copy that
    # reuses a removed copy's inode would find its server; without the file
    # each copy gets a folder of its own.
    _wine_env_remove_server_dir "$new"
    # Profile folders that Wine links to $HOME become plain folders, so
    # tests write only inside their prefix.
    local link
    for link in "$new"/drive_c/users/*/*; do
        if [ -L "$link" ]; then rm -f "$link" && mkdir -p "$link"; fi
    done
    wine_env_stamp >"$new/.duoscope-template"
    rm -rf "$t"
    mv "$new" "$t"
}

# _wine_env_remove_server_dir <prefix>: removes the prefix's wineserver
# folder (its server must have ended) and the file naming it.
_wine_env_remove_server_dir() {
    local name
    name=$(cat "$1/wineserver" 2>/dev/null) || return 0
    case $name in
        wine-??????) rm -rf "${TMPDIR:-/tmp}/$name" ;;
    esac
    rm -f "$1/wineserver"
}

# Makes the template unless a valid one is there. Concurrent callers wait
# on a lock rather than build it twice.
wine_env_template() {
    local t=$DUOSCOPE_WINE_DIR/template
    mkdir -p "$DUOSCOPE_WINE_DIR"
    (
        flock 9
        _wine_env_template_valid "$t" && exit 0
        _wine_env_make_template "$t"
    ) 9>"$DUOSCOPE_WINE_DIR/.template.lock" || return 1
    export DUOSCOPE_WINE_TEMPLATE=$t
}

# Starts an Xvfb on the first free display from :77 on.
_wine_env_xvfb() {
    local n ready pid
    ready=$(mktemp)
    for n in $(seq 77 140); do
        [ -e "/tmp/.X$n-lock" ] && continue
        # -displayfd writes the number once the server accepts clients.
        Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -displayfd 3 3>"$ready" \
            </dev/null >"$DUOSCOPE_WINE_DIR/xvfb.log" 2>&1 &
        pid=$!
        local i
        for i in $(seq 100); do
            [ -s "$ready" ] && break
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.05
        done
        if [ -s "$ready" ] && kill -0 "$pid" 2>/dev/null; then
            rm -f "$ready"
            DUOSCOPE_WINE_XVFB_PID=$pid
            export DUOSCOPE_WINE_DISPLAY=":$n"
            return 0
        fi
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
        : >"$ready"
    done
    rm -f "$ready"
    echo "no free X display for Xvfb (log: $DUOSCOPE_WINE_DIR/xvfb.log)" >&2
    return 1
}

wine_env_start() {
    local p d
    for p in wine wineserver Xvfb flock; do
        command -v "$p" >/dev/null || { echo "wine_env_start: $p is not installed" >&2; return 1; }
    done
    # One folder of copies per run, so runs side by side keep apart; those
    # of runs that died are cleared here.
    mkdir -p "$DUOSCOPE_WINE_DIR/runs"
    for d in "$DUOSCOPE_WINE_DIR"/runs/*; do
        [ -d "$d" ] && ! kill -0 "${d##*/}" 2>/dev/null && _wine_env_clear "$d"
    done
    export DUOSCOPE_WINE_RUNS=$DUOSCOPE_WINE_DIR/runs/$BASHPID
    mkdir -p "$DUOSCOPE_WINE_RUNS"
    trap wine_env_stop EXIT
    _wine_env_xvfb || return 1
    echo "$DUOSCOPE_WINE_XVFB_PID" >"$DUOSCOPE_WINE_RUNS/xvfb.pid"
    wine_env_template || return 1
    # One line per program run: time taken, exit code, command.
    export DUOSCOPE_WINE_LOG=$DUOSCOPE_WINE_DIR/wine-run.log
    : >"$DUOSCOPE_WINE_LOG"
}

# Ends the wineservers of the copies in a runs folder and its Xvfb, and
# removes the folder.
_wine_env_clear() {
    local p pid
    for p in "$1"/p.*; do
        [ -d "$p" ] || continue
        WINEPREFIX=$p wineserver -k >/dev/null 2>&1 || true
        _wine_env_remove_server_dir "$p"
    done
    pid=$(cat "$1/xvfb.pid" 2>/dev/null)
    if [ -n "$pid" ] && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = Xvfb ]; then
        kill "$pid" 2>/dev/null || true
    fi
    rm -rf "$1"
}

wine_env_stop() {
    # Copies are left only by runs that were killed (a ctest timeout, say).
    [ -n "${DUOSCOPE_WINE_RUNS:-}" ] && _wine_env_clear "$DUOSCOPE_WINE_RUNS"
    if [ -n "${DUOSCOPE_WINE_XVFB_PID:-}" ]; then
        kill "$DUOSCOPE_WINE_XVFB_PID" 2>/dev/null || true
        wait "$DUOSCOPE_WINE_XVFB_PID" 2>/dev/null || true
    fi
    unset DUOSCOPE_WINE_RUNS DUOSCOPE_WINE_XVFB_PID DUOSCOPE_WINE_DISPLAY
    return 0
}
