#!/usr/bin/env bash
# The ".oxl" type as a desktop sees it: the MIME file is well-formed XML of the shared-mime-info
# namespace, update-mime-database takes it (glob and "OXL!" magic in the compiled database), and
# with the desktop entry beside it xdg-mime names Pravel as the program that opens the type.
# Everything goes into a folder of its own; nothing of the system is touched.
set -euo pipefail
source_dir=$1
type=application/x-pravel-parameters
xml=$source_dir/data/mime/pravel.xml
desktop=$source_dir/data/pravel.desktop
fail() { echo "mime-type-test: $*" >&2; exit 1; }

xmllint --noout "$xml" || fail "$xml is not well-formed"
ns='http://www.freedesktop.org/standards/shared-mime-info'
query() { xmllint --xpath "$1" "$xml" 2>/dev/null || true; }
[ "$(query "namespace-uri(/*)")" = "$ns" ] || fail "the root is not in the shared-mime-info namespace"
[ "$(query "string(/*[local-name()='mime-info']/*[local-name()='mime-type']/@type)")" = "$type" ] ||
    fail "no mime-type $type"
[ "$(query "string(//*[local-name()='glob']/@pattern)")" = "*.oxl" ] || fail "no glob *.oxl"
[ "$(query "string(//*[local-name()='match']/@value)")" = "OXL!" ] || fail "no magic OXL!"
[ "$(query "string(//*[local-name()='match']/@offset)")" = "0" ] || fail "the magic is not at offset 0"

grep -qx 'Exec=pravel %f' "$desktop" || fail "the desktop entry does not pass the file: Exec=pravel %f"
grep -qx "MimeType=$type;" "$desktop" || fail "the desktop entry does not list $type"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/share/mime/packages" "$scratch/share/applications" "$scratch/home"
cp "$xml" "$scratch/share/mime/packages/"
cp "$desktop" "$scratch/share/applications/"
XDG_DATA_DIRS="$scratch/share" update-mime-database "$scratch/share/mime" >"$scratch/update.log" 2>&1 || { cat "$scratch/update.log"; fail "update-mime-database refused it"; }
[ ! -s "$scratch/update.log" ] || { cat "$scratch/update.log"; fail "update-mime-database complained"; }
grep -q "^[0-9]*:$type:\*\.oxl$" "$scratch/share/mime/globs2" || fail "no *.oxl glob in the compiled database"
grep -aq "$type" "$scratch/share/mime/magic" && grep -aq 'OXL!' "$scratch/share/mime/magic" ||
    fail "no OXL! magic in the compiled database"

default=$(env -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION -u KDE_FULL_SESSION HOME="$scratch/home" \
    XDG_DATA_HOME="$scratch/home/.local/share" XDG_CONFIG_HOME="$scratch/home/.config" XDG_CONFIG_DIRS="$scratch/etc" \
    XDG_DATA_DIRS="$scratch/share" xdg-mime query default "$type")
[ "$default" = pravel.desktop ] || fail "xdg-mime names '$default' for $type, not pravel.desktop"
echo "mime-type-test: *.oxl and OXL! are $type, opened by pravel.desktop"
