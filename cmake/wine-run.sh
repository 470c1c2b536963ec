#!/bin/sh
# Runs a Windows program under Wine in the build's headless prefix: no display, no Mono or Gecko
# download, no Wine debug chatter. The prefix is WINEPREFIX when set, otherwise wineprefix/ beside
# the program's build folder (build-win/wineprefix); it is made on first use.
#
# When PRAVEL_WINE_DISPLAY is set (the Xvfb of the test command), every program gets that display:
# a program started without one sets Wine's desktop up with no display driver, and a window opened
# by another program in the next seconds then fails ("Invalid window handle"), as happens when
# ctest runs suites side by side. Without it, programs that open windows (the GUI tests set
# PRAVEL_WINE_GUI=1) get a private Xvfb for the run, and every other program no display at all;
# run those GUI tests one at a time then (ctest -j1), for the reason above.
#
#   cmake/wine-run.sh PROGRAM.exe [ARGUMENTS...]
gui_display=${PRAVEL_WINE_DISPLAY:-}
if [ -z "$gui_display" ] && [ "${PRAVEL_WINE_GUI:-}" = 1 ]; then
    gui_display=private
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
