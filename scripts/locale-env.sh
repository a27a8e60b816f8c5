# shellcheck shell=bash
# Sourced by ./duoscope and scripts/wine-run: a glibc locale made with
# localedef into a private folder, so no system locale has to be generated.
# Wine takes the Windows code page from it (ja_JP.UTF-8 gives 932).
#
#   locale_env ja_JP.UTF-8   makes build/locale/ja_JP.UTF-8 once, then
#                            exports LOCPATH and LANG and clears LC_*
#
# DUOSCOPE_LOCALE_DIR overrides the folder.

DUOSCOPE_ROOT=${DUOSCOPE_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
DUOSCOPE_LOCALE_DIR=${DUOSCOPE_LOCALE_DIR:-$DUOSCOPE_ROOT/build/locale}

locale_env() {
    local name=$1 dir=$DUOSCOPE_LOCALE_DIR
    local source=${name%%.*} charmap=${name#*.}
    if [ "$source" = "$name" ] || [ -z "$charmap" ]; then
        echo "locale_env: '$name' is not of the form ll_CC.CHARMAP" >&2
        return 1
    fi
    if [ ! -s "$dir/$name/LC_CTYPE" ]; then
        command -v localedef >/dev/null || { echo "locale_env: localedef is not installed" >&2; return 1; }
        mkdir -p "$dir"
        local new log
        new=$(mktemp -d "$dir/.$name.XXXXXX") || return 1
        log=$dir/$name.log
        # localedef exits 1 for warnings alone; the made files decide.
        localedef -i "$source" -f "$charmap" "$new/$name" >"$log" 2>&1
        if [ ! -s "$new/$name/LC_CTYPE" ]; then
            rm -rf "$new"
            echo "locale_env: localedef could not make $name (is the 'locales' package installed?):" >&2
            cat "$log" >&2
            return 1
        fi
        # Moved into place whole, so a concurrent caller never sees half a
        # locale; if one got there first, its copy stays.
        mv -T "$new/$name" "$dir/$name" 2>/dev/null || true
        rm -rf "$new"
    fi
    export LOCPATH=$dir LANG=$name
    # Any LC_* variable would override LANG for its category.
    unset LANGUAGE "${!LC_@}"
}
