#!/usr/bin/env bash
# test-msi.sh BUILD_DIR: the Windows installer under Wine, in a fresh prefix of its own
# (BUILD_DIR/msi-prefix). Needs an X display in DISPLAY (dev.sh gives its Xvfb) for pravel.exe's
# window. Installs silently, checks the files, the shortcuts, the uninstall entry, the ".oxl"
# association and the PATH; opens a parameter file through the association's "open" command
# (the values shown are checked by winapp_start_tests, and a screenshot is kept); installs a
# newer version over it (one copy stays); uninstalls and checks that all of it went but the
# user's own .oxl file and settings. Prints the package's size and the install/uninstall times.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build_dir=$(cd "$1" && pwd)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build_dir/CMakeCache.txt")
msi=$build_dir/pravel-$version-windows-x64.msi
[ -f "$msi" ] || "$here/make-msi.sh" "$build_dir" >/dev/null
work=$build_dir/msi-test
rm -rf "$work"
mkdir -p "$work"
# A newer version of the same files, for the upgrade.
newer_version=${version%%.*}.$((10#${version#*.} + 1))
newer=$work/pravel-$newer_version-windows-x64.msi
"$here/make-msi.sh" "$build_dir" "$newer_version" "$newer" >/dev/null

export WINEPREFIX=$build_dir/msi-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
log=$work/wine.log
fail() { echo "test-msi: $*" >&2; exit 1; }
now() { date +%s.%N; }
seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", b - a }'; }
# Wine's output goes to files, never to a pipe (its services would hold the pipe open).
reg_query() { wine reg query "$@" >"$work/reg.out" 2>>"$log" && tr -d '\r' <"$work/reg.out"; }
# The uninstall entries named Pravel, one key a line.
pravel_entries() {
    reg_query "$uninstall_key" /s | awk '/^HKEY/ { key = $0 } /DisplayName +REG_SZ +Pravel$/ { print key }' || true
}

trap 'echo "test-msi: a step failed (line $LINENO; Wine log $log)" >&2' ERR
# A server of this prefix left from an earlier run ends first (ours alone).
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
rm -rf "$WINEPREFIX"
start=$(now)
wineboot -i >"$log" 2>&1
wineserver -w
wineserver -p >>"$log" 2>&1
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >>"$log" 2>&1
wine cmd.exe /c ver >>"$log" 2>&1
echo "test-msi: fresh prefix in $(seconds "$start" "$(now)") s"
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

c=$WINEPREFIX/drive_c
installed=$c/Program\ Files/Pravel
# Windows puts a per-machine package's shortcuts into the all-users Start menu; Wine's installer
# resolves ProgramMenuFolder to the user's. Either is where the package said.
menus=("$c/ProgramData/Microsoft/Windows/Start Menu/Programs/Pravel"
       "$c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Pravel")
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
environment_key='HKLM\System\CurrentControlSet\Control\Session Manager\Environment'
settings_key='HKCU\Software\Velmora, Sweden\pravel'

# The user's own things, there before the install: a settings value and a parameter file.
wine reg add "$settings_key" /v ComPort /t REG_SZ /d com3 /f >>"$log" 2>&1
wine reg add "$settings_key" /v ModemProfile /t REG_SZ /d usr /f >>"$log" 2>&1
mkdir -p "$c/users/Public/Documents"
user_file="$c/users/Public/Documents/lift 7.oxl"

start=$(now)
wine msiexec /i "$(winepath -w "$msi" 2>>"$log")" /qn /l*v "$(winepath -w "$work/install.log" 2>>"$log")" >>"$log" 2>&1 ||
    fail "msiexec /i failed (see $work/install.log)"
install_seconds=$(seconds "$start" "$(now)")

# Installed: the files, the shortcuts, the entry in Programs and Features, the association, the PATH.
for f in pravel.exe pravel-cli.exe pravel.ico README-windows.txt manual/index.html manual/manual.css; do
    [ -f "$installed/$f" ] || fail "not installed: Program Files\\Pravel\\$f"
done
menu=
for m in "${menus[@]}"; do
    [ -d "$m" ] && menu=$m
done
[ -n "$menu" ] || fail "no Start-menu folder Pravel"
for f in Pravel.lnk "Pravel manual.lnk"; do
    [ -f "$menu/$f" ] || fail "no Start-menu shortcut $f"
done
pravel_entries >"$work/entries"
[ "$(wc -l <"$work/entries")" = 1 ] || { cat "$work/entries"; fail "not one uninstall entry"; }
entry=$(head -n 1 "$work/entries")
reg_query "$entry" >"$work/entry" || fail "cannot read $entry"
grep -q "DisplayVersion.*REG_SZ *$version" "$work/entry" || { cat "$work/entry"; fail "the entry has no version $version"; }
grep -q 'Publisher.*REG_SZ *Pravel developers' "$work/entry" || { cat "$work/entry"; fail "the entry has no publisher"; }
reg_query 'HKLM\Software\Classes\.oxl' /ve | grep -q 'REG_SZ *Pravel.ParameterFile' || fail ".oxl is not Pravel.ParameterFile"
reg_query 'HKLM\Software\Classes\Pravel.ParameterFile\DefaultIcon' /ve | grep -q 'Pravel\\pravel.ico' ||
    fail "the type has no icon"
open_command=$(reg_query 'HKLM\Software\Classes\Pravel.ParameterFile\shell\open\command' /ve |
    sed -n 's/^ *(Default) *REG_SZ *//p')
[[ "$open_command" == *'Pravel\pravel.exe" "%1"' ]] || fail "the open command is '$open_command'"
reg_query "$environment_key" /v PATH | grep -qi 'Program Files\\Pravel' || fail "the folder is not on the PATH"
wine "$installed/pravel-cli.exe" --version >"$work/cli-version" 2>>"$log" || fail "the installed pravel-cli.exe does not run"
echo "test-msi: installed in $install_seconds s: files, shortcuts, entry $version, .oxl association, PATH"

# Opening a parameter file as the shell does: the association's command with the file.
PRAVEL_OPEN_COMMAND=$open_command wine "$build_dir/tests/winapp_start_tests.exe" \
    --gtest_filter='PravelExeStart.AFile*' >"$work/open.log" 2>&1 || { cat "$work/open.log"; fail "opening .oxl files"; }
grep -q '\[  PASSED  \] 2 tests' "$work/open.log" || { cat "$work/open.log"; fail "opening .oxl files"; }
# A picture to look at: the installed program with a file that pravel-cli read from its simulator.
wine "$installed/pravel-cli.exe" read --simulate --all --save "$(winepath -w "$user_file" 2>>"$log")" >"$work/save.log" 2>&1 ||
    { cat "$work/save.log"; fail "pravel-cli could not save a parameter file"; }
wine "$installed/pravel.exe" "$(winepath -w "$user_file" 2>>"$log")" >>"$log" 2>&1 &
opened=$!
shown=no
for _ in $(seq 150); do
    xwininfo -root -tree 2>/dev/null | grep -q '"Pravel' && { shown=yes; break; }
    sleep 0.2
done
[ $shown = yes ] || fail "the installed pravel.exe showed no window"
sleep 1 # the first paint of the loaded values
import -window root "$work/opened.png" 2>>"$log" && echo "test-msi: screenshot $work/opened.png"
wineserver -k >/dev/null 2>&1 || true
wait "$opened" 2>/dev/null || true
wineserver -p >>"$log" 2>&1

# An upgrade: the newer package replaces the older; one copy, with the newer version.
wine msiexec /i "$(winepath -w "$newer" 2>>"$log")" /qn >>"$log" 2>&1 || fail "the upgrade failed"
pravel_entries >"$work/entries"
[ "$(wc -l <"$work/entries")" = 1 ] || { cat "$work/entries"; fail "not one copy after the upgrade"; }
entry=$(head -n 1 "$work/entries")
reg_query "$entry" | grep -q "DisplayVersion.*REG_SZ *$newer_version" || fail "the upgrade did not give $newer_version"
[ -f "$installed/pravel.exe" ] || fail "the upgrade lost pravel.exe"
echo "test-msi: $newer_version over $version leaves one installed copy"

# Uninstall: everything it installed goes; the user's file and settings stay.
start=$(now)
wine msiexec /x "$(winepath -w "$newer" 2>>"$log")" /qn >>"$log" 2>&1 || fail "msiexec /x failed"
uninstall_seconds=$(seconds "$start" "$(now)")
[ ! -e "$installed" ] || { find "$installed"; fail "Program Files\\Pravel is still there"; }
[ ! -e "$menu" ] || fail "the Start-menu folder is still there"
reg_query 'HKLM\Software\Classes\.oxl' /ve >/dev/null && fail "the .oxl association is still there"
reg_query 'HKLM\Software\Classes\Pravel.ParameterFile' /ve >/dev/null && fail "the file type is still there"
reg_query 'HKLM\Software\Pravel' >/dev/null && fail "HKLM\\Software\\Pravel is still there"
[ -z "$(pravel_entries)" ] || fail "the uninstall entry is still there"
reg_query "$environment_key" /v PATH | grep -qi 'Program Files\\Pravel' && fail "the folder is still on the PATH"
[ -f "$user_file" ] || fail "the user's .oxl file went"
reg_query "$settings_key" /v ComPort | grep -q 'REG_SZ *com3' || fail "the user's ComPort setting went"
reg_query "$settings_key" /v ModemProfile | grep -q 'REG_SZ *usr' || fail "the user's ModemProfile setting went"
echo "test-msi: uninstalled in $uninstall_seconds s; the user's .oxl file and settings stay"
echo "test-msi: $(basename "$msi") is $(stat -c %s "$msi") bytes"
