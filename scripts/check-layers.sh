#!/usr/bin/env bash
# Checks that the folders of src/ include one another only downwards: each folder may include its
# own headers and those of folders of a lower layer, never one of its own layer or above. The
# simulator, the far end of the line, also keeps clear of the program's unit vocabulary, serial
# port, modem and everything above them; the batch runner, which calls real modems, never
# includes the simulator.
#
#   scripts/check-layers.sh [SOURCE_ROOT]    exit 0 when every include points down, 1 otherwise
set -u
root=${1:-$(dirname "$0")/..}
cd "$root/src" || exit 2

# The layers from the bottom up; folders on one line are peers and may not include each other.
layers=(
    "diag platform"
    "model"
    "unit"
    "serial"
    "modem"
    "worker"
    "files"
    "form"
    "batch"
    "sim"
    "cli ui winui"
    "app winapp"
)
# Folders a folder must never include, whatever their layer.
declare -A never=([sim]="unit serial modem worker files form batch" [batch]="sim")

declare -A layer
for i in "${!layers[@]}"; do
    for folder in ${layers[$i]}; do
        layer[$folder]=$i
    done
done

status=0
for dir in */; do
    folder=${dir%/}
    if [ -z "${layer[$folder]+x}" ]; then
        echo "check-layers: src/$folder has no layer; add it to scripts/check-layers.sh"
        status=1
        continue
    fi
    while IFS=: read -r file line text; do
        target=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([a-z_]+)\/.*/\1/' <<<"$text")
        [ "$target" = "$folder" ] && continue
        if [ -z "${layer[$target]+x}" ]; then
            continue # not one of our folders
        fi
        if [ "${layer[$target]}" -ge "${layer[$folder]}" ] || [[ " ${never[$folder]:-} " == *" $target "* ]]; then
            echo "check-layers: src/$file:$line: $folder includes $target, which is not below it"
            status=1
        fi
    done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[a-z_]+/' "$folder")
done
[ $status -eq 0 ] && echo "check-layers: every include in src/ points down"
exit $status
