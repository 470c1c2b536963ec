#!/bin/sh
# Runs a Windows program under Wine in the build's headless prefix: no display, no Mono or Gecko
# download, no Wine debug chatter. The prefix is WINEPREFIX when set, otherwise wineprefix/ beside
# the program's build folder (build-win/wineprefix); it is made on first use.
#
# Programs that open windows (the GUI tests) set PRAVEL_WINE_GUI=1: they get the X display
# PRAVEL_WINE_DISPLAY (the Xvfb of the test command), or a private Xvfb for the run when none is
# given. Every other program runs with no display at all.
#
#   cmake/wine-run.sh PROGRAM.exe [ARGUMENTS...]
gui_display=
if [ "${PRAVEL_WINE_GUI:-}" = 1 ]; then
    gui_display=${PRAVEL_WINE_DISPLAY:-private}
fi
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
case "$gui_display" in
"") exec wine "$@" ;;
private) exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" wine "$@" ;;
*) DISPLAY=$gui_display exec wine "$@" ;;
esac
