#!/usr/bin/env bash
# Sets up a Debian 12 machine for Pravel, builds it, and runs it or its tests.
#
#   ./dev.sh demo    install what is missing, build, read a simulated unit with pravel-cli
#   ./dev.sh test    install what is missing, build, run the whole test suite: once as built,
#                    the fuzz targets for a bounded time, and the core again under ThreadSanitizer
#                    (under CI as root it also installs the Debian package and runs it)
#   ./dev.sh build   install what is missing and build
#
# Idempotent: packages already present are not touched, and an up-to-date build does nothing.
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(
    cmake make g++ pkg-config file dpkg-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev libcli11-dev nlohmann-json3-dev
    clang libclang-rt-14-dev
)
BUILD_DIR=${PRAVEL_BUILD_DIR:-build}
JOBS=$(nproc 2>/dev/null || echo 2)

install_missing() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
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
    ;;
build)
    install_missing
    build "$BUILD_DIR"
    ;;
*)
    echo "usage: $0 demo|test|build" >&2
    exit 2
    ;;
esac
