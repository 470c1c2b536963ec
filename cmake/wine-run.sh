#!/bin/sh
# Runs a Windows program under Wine in the build's headless prefix: no display, no Mono or Gecko
# download, no Wine debug chatter. The prefix is WINEPREFIX when set, otherwise wineprefix/ beside
# the program's build folder (build-win/wineprefix); it is made on first use.
#
#   cmake/wine-run.sh PROGRAM.exe [ARGUMENTS...]
unset DISPLAY WAYLAND_DISPLAY
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ -z "${WINEPREFIX:-}" ]; then
    dir=$(cd "$(dirname "$1")" && pwd)
    while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do
        dir=$(dirname "$dir")
    done
    [ "$dir" = / ] && dir=$(cd "$(dirname "$1")" && pwd)
    export WINEPREFIX="$dir/wineprefix"
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >"$WINEPREFIX.boot.log" 2>&1 || { echo "wine-run: cannot make the prefix $WINEPREFIX" >&2; exit 1; }
fi
exec wine "$@"
