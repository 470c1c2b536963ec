#!/usr/bin/env bash
# Sets up a Debian 12 machine for Pravel, builds it, and runs it or its tests.
#
#   ./dev.sh demo    install what is missing, build, read a simulated unit with pravel-cli
#   ./dev.sh test    install what is missing, build, run the whole test suite: once as built,
#                    the fuzz targets for a bounded time, and the core again under ThreadSanitizer
#                    (under CI as root it also installs the Debian package and runs it)
#   ./dev.sh build   install what is missing and build
#   ./dev.sh windows install the mingw-w64 cross tool chain and Wine, build the Windows programs
#                    into build-win/ (bin/pravel-cli.exe, statically linked) and make the zip and
#                    the installer (pravel-VERSION-windows-x64.msi, with wixl)
#
# The test command also runs the Windows stage: the cross build, and its test suites under Wine
# in a headless prefix of its own (build-win/wineprefix), and the installer in a fresh prefix
# (build-win/msi-prefix, packaging/test-msi.sh).
#
# Idempotent: packages already present are not touched, and an up-to-date build does nothing.
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(
    cmake make g++ pkg-config file dpkg-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev libcli11-dev nlohmann-json3-dev
    clang libclang-rt-14-dev ccache
    shared-mime-info libxml2-utils xdg-utils
    libspandsp-dev libgsm1-dev
    # Only for the plot of line_bench's results in the manual (bench/line/line_bench.gnuplot).
    gnuplot-nox
)
# Only for the Windows build and its tests under Wine; installed when first needed.
WINDOWS_PACKAGES=(
    cmake make libcli11-dev nlohmann-json3-dev googletest
    g++-mingw-w64-x86-64-posix wine wine64 fonts-wine xvfb xauth x11-utils imagemagick wixl msitools
)
# Rebuilds of the several build trees (plain, sanitizers, Windows) share one compiler cache.
if command -v ccache >/dev/null 2>&1; then
    export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
    export CMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER:-ccache}
fi
BUILD_DIR=${PRAVEL_BUILD_DIR:-build}
WIN_BUILD_DIR=${PRAVEL_WIN_BUILD_DIR:-build-win}
JOBS=$(nproc 2>/dev/null || echo 2)

# install_missing [PACKAGE...]: the packages given, or PACKAGES.
install_missing() {
    local wanted=("$@")
    [ ${#wanted[@]} -eq 0 ] && wanted=("${PACKAGES[@]}")
    local missing=()
    for p in "${wanted[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$p")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# build DIR [cmake options...]: configure once, then build what changed (only the targets in
# BUILD_TARGETS when it is set).
build() {
    local dir=$1
    shift
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    fi
    if [ -n "${BUILD_TARGETS:-}" ]; then
        cmake --build "$dir" -j "$JOBS" --target $BUILD_TARGETS
    else
        cmake --build "$dir" -j "$JOBS"
    fi
}

run_tests() {
    ctest --test-dir "$1" --output-on-failure -j "$JOBS" "${@:2}"
}

# The Windows programs and test suites, cross-built with mingw-w64 (cmake/mingw-w64.cmake).
build_windows() {
    install_missing "${WINDOWS_PACKAGES[@]}"
    if [ ! -f "$WIN_BUILD_DIR/CMakeCache.txt" ]; then
        cmake -S . -B "$WIN_BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo
    fi
    cmake --build "$WIN_BUILD_DIR" -j "$JOBS"
}

# A headless Wine prefix for the Windows tests: no display, nothing downloaded, one wineserver
# kept alive for the run (later starts take ~0.1 s instead of ~1.5 s). Wine's own output goes to
# log files beside the prefix, never to a pipe (its services would hold the pipe open).
wine_up() {
    export WINEPREFIX="$PWD/$WIN_BUILD_DIR/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    unset DISPLAY WAYLAND_DISPLAY
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "Making the Wine prefix $WINEPREFIX"
        wineboot -i >"$WIN_BUILD_DIR/wineboot.log" 2>&1
    fi
    # wineboot leaves its server running, and a second "wineserver -p" fails while one runs: end
    # any server of this prefix (ours alone), wait for it, then keep one alive for the run.
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w
    wineserver -p >"$WIN_BUILD_DIR/wineserver.log" 2>&1
    # The GUI tests' windows go to an Xvfb of our own, on the first free display from :90. Every
    # Windows program of the run gets it (cmake/wine-run.sh): one started without a display would
    # leave Wine's desktop unable to show the next GUI test's window. Wine draws the captions
    # itself, as there is no window manager.
    xvfb_up
    export DISPLAY=$PRAVEL_WINE_DISPLAY
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >>"$WIN_BUILD_DIR/wine-start.log" 2>&1
    # The first program starts Wine's background services, which keep its standard output:
    # start them here, on a log file, before ctest reads test programs through pipes. They get
    # the display, so that the desktop they keep can show the GUI tests' windows.
    wine cmd.exe /c ver >"$WIN_BUILD_DIR/wine-start.log" 2>&1
}

xvfb_up() {
    local n=90
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do
        n=$((n + 1))
    done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$WIN_BUILD_DIR/xvfb.log" 2>&1 &
    XVFB_PID=$!
    export PRAVEL_WINE_DISPLAY=":$n"
    # Up when it answers (at most ~10 s).
    local tries=0
    until xdpyinfo -display ":$n" >/dev/null 2>&1; do
        tries=$((tries + 1))
        if [ $tries -gt 100 ] || ! kill -0 "$XVFB_PID" 2>/dev/null; then
            echo "Xvfb did not start on :$n (see $WIN_BUILD_DIR/xvfb.log)" >&2
            return 1
        fi
        sleep 0.1
    done
}

wine_down() {
    [ -n "${WINEPREFIX:-}" ] && wineserver -k >>"$WIN_BUILD_DIR/wineserver.log" 2>&1 || true
    if [ -n "${XVFB_PID:-}" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=
    fi
}

run_windows_tests() {
    build_windows
    wine_up
    trap wine_down EXIT
    run_tests "$WIN_BUILD_DIR"
    # The end-to-end table of the Linux build once more, with pravel-cli.exe under Wine on COM1
    # (mapped in this prefix onto the simulator's pty by the test itself).
    PRAVEL_WINE_CLI="$PWD/$WIN_BUILD_DIR/bin/pravel-cli.exe" run_tests "$BUILD_DIR" -R 'PortEndToEnd\.UnderWine'
    # The installer: install, open a file, upgrade and uninstall in a fresh prefix, on our display.
    packaging/make-msi.sh "$WIN_BUILD_DIR" >/dev/null
    packaging/test-msi.sh "$WIN_BUILD_DIR"
    wine_down
    trap - EXIT
}

case "${1:-}" in
demo)
    # Only pravel-cli and what it links: the demo runs in minutes on a new machine; the test
    # command builds the rest.
    install_missing
    BUILD_TARGETS=pravel-cli build "$BUILD_DIR"
    exec "$BUILD_DIR/bin/pravel-cli" read --simulate --all
    ;;
test)
    install_missing
    build "$BUILD_DIR"
    run_tests "$BUILD_DIR"
    if [ "${CI:-}" = true ] || [ "${PRAVEL_TEST_PACKAGE:-}" = 1 ]; then
        PRAVEL_BUILD_DIR="$BUILD_DIR" scripts/test-deb-install.sh
    fi
    if [ -d fuzz ]; then
        # Only the fuzz targets are built with clang; the rest of the suite ran above.
        if [ ! -f "$BUILD_DIR-fuzz/CMakeCache.txt" ]; then
            cmake -S . -B "$BUILD_DIR-fuzz" -DCMAKE_CXX_COMPILER=clang++ -DPRAVEL_FUZZ=ON \
                -DPRAVEL_BUILD_GUI=OFF -DPRAVEL_BUILD_BENCH=OFF
        fi
        cmake --build "$BUILD_DIR-fuzz" -j "$JOBS" --target fuzz_parameter_file fuzz_dtmf_frame
        run_tests "$BUILD_DIR-fuzz" -L fuzz
    fi
    build "$BUILD_DIR-tsan" -DPRAVEL_TSAN=ON -DPRAVEL_BUILD_GUI=OFF -DPRAVEL_BUILD_BENCH=OFF
    run_tests "$BUILD_DIR-tsan"
    # The core and pravel-cli once more under AddressSanitizer and UndefinedBehaviorSanitizer:
    # a read past a buffer, a use after free, a leak or an overflow fails its test here.
    build "$BUILD_DIR-asan" -DPRAVEL_ASAN=ON -DPRAVEL_BUILD_GUI=OFF -DPRAVEL_BUILD_BENCH=OFF
    ASAN_OPTIONS=abort_on_error=0:detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_tests "$BUILD_DIR-asan"
    run_windows_tests
    ;;
build)
    install_missing
    build "$BUILD_DIR"
    ;;
windows)
    build_windows
    (cd "$WIN_BUILD_DIR" && cpack -G ZIP)
    packaging/make-msi.sh "$WIN_BUILD_DIR" >/dev/null
    ls "$WIN_BUILD_DIR"/pravel-*-windows-x64.zip "$WIN_BUILD_DIR"/pravel-*-windows-x64.msi
    ;;
*)
    echo "usage: $0 demo|test|build|windows" >&2
    exit 2
    ;;
esac
