#!/usr/bin/env bash
# make-msi.sh BUILD_DIR [VERSION [OUTPUT]]: the Windows installer from a cross build. Installs the
# build's files (stripped, as in the zip) into BUILD_DIR/msi-files and packs them with wixl.
# VERSION defaults to the project's; OUTPUT to BUILD_DIR/pravel-VERSION-windows-x64.msi.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build_dir=$1
version=${2:-$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build_dir/CMakeCache.txt")}
output=${3:-$build_dir/pravel-$version-windows-x64.msi}
files=$build_dir/msi-files
rm -rf "$files"
cmake --install "$build_dir" --prefix "$files" --strip >"$build_dir/msi-install.log"
output=$(realpath -m "$output")
# wixl takes the sources relative to the folder it runs in.
(cd "$files" && wixl -a x64 -D Version="$version" -D Files=. -o "$output" "$here/pravel.wxs")
# pravel-cli.exe's folder at the end of the system PATH while the CliOnPath feature is installed
# ("=-*": set on install, removed on uninstall, system-wide; "[~];" keeps what PATH held).
msibuild "$output" -q "CREATE TABLE \`Environment\` (\`Environment\` CHAR(72) NOT NULL, \`Name\` CHAR(255) NOT NULL LOCALIZABLE, \`Value\` CHAR(255) LOCALIZABLE, \`Component_\` CHAR(72) NOT NULL PRIMARY KEY \`Environment\`)" \
    -q "INSERT INTO \`Environment\` (\`Environment\`, \`Name\`, \`Value\`, \`Component_\`) VALUES ('PathEntry', '=-*PATH', '[~];[INSTALLDIR]', 'CliPath')" \
    -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('RemoveEnvironmentStrings', 3300)" \
    -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('WriteEnvironmentStrings', 5200)"
echo "$output"
