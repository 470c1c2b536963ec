#!/usr/bin/env bash
# Sets up a Debian 12 machine for Pravel, builds it, and runs it or its tests.
#
#   ./dev.sh demo    install what is missing, build, read a simulated unit with pravel-cli
#   ./dev.sh test    install what is missing, build, run the whole test suite
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

build() {
    if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
        cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    fi
    cmake --build "$BUILD_DIR" -j "$JOBS"
}

case "${1:-}" in
demo)
    install_missing
    build
    exec "$BUILD_DIR/bin/pravel-cli" read --simulate --all
    ;;
test)
    install_missing
    build
    ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$JOBS"
    ;;
build)
    install_missing
    build
    ;;
*)
    echo "usage: $0 demo|test|build" >&2
    exit 2
    ;;
esac
