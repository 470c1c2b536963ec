#!/usr/bin/env bash
# Builds the Debian package, installs it with apt as a user would, and reads a simulated unit
# with the installed pravel-cli. Needs root (apt); skipped otherwise. Removes the package again.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${PRAVEL_BUILD_DIR:-build}

if [ "$(id -u)" -ne 0 ]; then
    echo "test-deb-install: skipped (needs root for apt)"
    exit 0
fi

(cd "$BUILD_DIR" && cpack -G DEB >/dev/null 2>&1) || { echo "test-deb-install: cpack failed"; exit 1; }
deb=$(realpath "$(ls -t "$BUILD_DIR"/pravel_*.deb | head -n 1)")
echo "test-deb-install: installing $deb"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
trap 'DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq pravel >/dev/null || true' EXIT

for f in /usr/bin/pravel /usr/bin/pravel-cli /usr/bin/pravel-sim /usr/share/applications/pravel.desktop \
         /usr/share/icons/hicolor/scalable/apps/pravel.svg /usr/share/pravel/manual/index.html \
         /usr/share/man/man1/pravel-cli.1; do
    [ -e "$f" ] || { echo "test-deb-install: missing $f"; exit 1; }
done

out=$(mktemp)
if ! /usr/bin/pravel-cli read --simulate --all --json >"$out"; then
    echo "test-deb-install: pravel-cli read --simulate --all failed"; cat "$out"; exit 1
fi
grep -q '"outcome": *"completed"' "$out" || { echo "test-deb-install: unexpected output"; cat "$out"; exit 1; }
echo "test-deb-install: the installed package reads a simulated unit"
