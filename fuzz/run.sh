#!/usr/bin/env bash
# Runs the fuzz targets for longer by hand, each from its committed corpus.
#
#   fuzz/run.sh [seconds per target, default 300] [target ...]
#
# Builds in build-fuzz with clang. New inputs collect in build-fuzz/fuzz/<target>-corpus; crash
# files land in build-fuzz/fuzz/artifacts/. Add an input worth keeping to fuzz/corpus/ by hand.
set -euo pipefail
cd "$(dirname "$0")/.."

SECONDS_EACH=${1:-300}
shift || true
TARGETS=("$@")
[ ${#TARGETS[@]} -gt 0 ] || TARGETS=(fuzz_parameter_file fuzz_dtmf_frame)
BUILD=${PRAVEL_FUZZ_BUILD_DIR:-build-fuzz}

if [ ! -f "$BUILD/CMakeCache.txt" ]; then
    cmake -S . -B "$BUILD" -DPRAVEL_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DPRAVEL_BUILD_GUI=OFF -DPRAVEL_BUILD_BENCH=OFF
fi
cmake --build "$BUILD" -j2 --target "${TARGETS[@]}"

mkdir -p "$BUILD/fuzz/artifacts"
for target in "${TARGETS[@]}"; do
    case "$target" in
    fuzz_parameter_file) corpus=parameter_file ;;
    fuzz_dtmf_frame) corpus=dtmf_frame ;;
    *) echo "unknown target $target" >&2; exit 2 ;;
    esac
    scratch="$BUILD/fuzz/$target-corpus"
    mkdir -p "$scratch"
    echo "== $target for ${SECONDS_EACH}s"
    "$BUILD/fuzz/$target" -max_total_time="$SECONDS_EACH" -max_len=12000 -print_final_stats=1 \
        -artifact_prefix="$BUILD/fuzz/artifacts/$target-" "$scratch" "fuzz/corpus/$corpus"
done
