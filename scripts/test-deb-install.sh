#!/usr/bin/env bash
# Builds the Debian package, installs it with apt as a user would, and reads a simulated unit
# with the installed pravel-cli; the ".oxl" type is in the system's MIME database and opens with
# Pravel. Needs root (apt); skipped otherwise. Removes the package again.
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
         /usr/share/man/man1/pravel-cli.1 /usr/share/mime/packages/pravel.xml; do
    [ -e "$f" ] || { echo "test-deb-install: missing $f"; exit 1; }
done

out=$(mktemp)
if ! /usr/bin/pravel-cli read --simulate --all --json >"$out"; then
    echo "test-deb-install: pravel-cli read --simulate --all failed"; cat "$out"; exit 1
fi
grep -q '"outcome": *"completed"' "$out" || { echo "test-deb-install: unexpected output"; cat "$out"; exit 1; }
echo "test-deb-install: the installed package reads a simulated unit"

# The package's MIME file is valid, the database the install triggered maps *.oxl to its type, and
# xdg-mime names Pravel's desktop entry for that type.
type=application/x-pravel-parameters
xmllint --noout /usr/share/mime/packages/pravel.xml || { echo "test-deb-install: pravel.xml is not valid XML"; exit 1; }
grep -q ":$type:\*\.oxl$" /usr/share/mime/globs2 ||
    { echo "test-deb-install: *.oxl is not $type in /usr/share/mime/globs2"; exit 1; }
default=$(env -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION xdg-mime query default "$type")
[ "$default" = pravel.desktop ] ||
    { echo "test-deb-install: xdg-mime names '$default' for .oxl files ($type), not pravel.desktop"; exit 1; }
echo "test-deb-install: .oxl files ($type) open with $default"
