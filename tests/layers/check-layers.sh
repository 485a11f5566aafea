#!/usr/bin/env bash
# The product's layers point one way: a folder includes only its own headers and those of the layers
# below it. The static libraries make a call upward a link error; this catches an include upward
# (a type or inline function of a higher layer) before it becomes one.
# The tests follow the same layers: a layer's test folder includes the headers of its layer and
# below and the support of its layer and below, and a support file those of its own layer, which is
# the vx_test_support line of tests/support/CMakeLists.txt that names it. (What the test programs
# link is checked when a tree is configured, by tests/layers/test-links.cmake.)
#   check-layers.sh SOURCE_ROOT
set -uo pipefail
root=${1:?usage: check-layers.sh SOURCE_ROOT}

# Each layer and what it may include, lowest first; the host programs sit beside the plug-in.
declare -A allowed=(
    [win]="win"
    [diag]="diag win"
    [client]="client diag win"
    [request]="request client diag win"
    [plugin]="plugin request client diag win"
    [bridge]="bridge request client diag win"
)
# The test folders: a layer's as the layer, the bridge's also with the tools' dialog answering
# (common/), and the tools' with their own folders and the bottom layer.
declare -A test_allowed=([tools]="common vxhost vxclient vxanswer win")
for layer in "${!allowed[@]}"; do test_allowed[$layer]=${allowed[$layer]}; done
test_allowed[bridge]+=" common"

status=0
fail() {
    echo "FAIL $*"
    status=1
}

# The folder named by each `#include "FOLDER/..."` of the files, as FILE:FOLDER:LINE lines.
included_folders() {
    grep -HE '^#include "[^"/]+/' "$@" 2>/dev/null |
        sed -E 's/^([^:]*):(#include "([^"/]+)\/[^"]*".*)$/\1:\3:\2/'
}

for layer in "${!allowed[@]}"; do
    [ -d "$root/$layer" ] || continue
    while IFS=: read -r file included line; do
        [[ " ${allowed[$layer]} " == *" $included "* ]] && continue
        fail "${file#$root/}: $layer/ may not include $included/ ($line)"
    done < <(included_folders "$root/$layer"/*.h "$root/$layer"/*.cpp)
done

# The support's layers: each file's, from its line.
declare -A support_layer=()
support_list=$root/tests/support/CMakeLists.txt
while read -r layer names; do
    [ -n "${allowed[$layer]:-}" ] || { fail "${support_list#$root/}: vx_test_support($layer) names no layer"; continue; }
    for name in $names; do support_layer[$name]=$layer; done
done < <(sed -nE 's/^vx_test_support\(([a-z]+)(( +[A-Za-z0-9_]+)*)\) *$/\1 \2/p' "$support_list")

# check_includes WHERE WHO LAYERS FILE...: every include of the files is of one of the layers, a
# support file of one of them, or (with ../) a file of the folder WHERE; WHO names the files in
# the failures.
check_includes() {
    local where=$1 who=$2 layers=$3
    shift 3
    local file included line name target
    while IFS=: read -r file included line; do
        if [ "$included" = support ]; then
            name=$(sed -E 's/^#include "support\/([^".]+)\..*/\1/' <<<"$line")
            if [ -z "${support_layer[$name]:-}" ]; then
                fail "${file#$root/}: $who may not include support/$name, which is in no layer ($line)"
            elif [[ " $layers " != *" ${support_layer[$name]} "* ]]; then
                fail "${file#$root/}: $who may not include the support of ${support_layer[$name]}/ ($line)"
            fi
        elif [ "$included" = .. ]; then
            target=$(sed -E 's/^#include "([^"]*)".*/\1/' <<<"$line")
            target=$(realpath -m --relative-to="$root" "$(dirname "$file")/$target")
            [[ $target == "$where"/* ]] && continue
            fail "${file#$root/}: $who may not include $target ($line)"
        else
            [[ " $layers " == *" $included "* ]] && continue
            fail "${file#$root/}: $who may not include $included/ ($line)"
        fi
    done < <(included_folders "$@")
}

for file in "$root"/tests/support/*.h "$root"/tests/support/*.cpp; do
    [ -e "$file" ] || continue
    name=$(basename "${file%.*}")
    layer=${support_layer[$name]:-}
    if [ -z "$layer" ]; then
        fail "${file#$root/}: in no layer: name it in a vx_test_support line of ${support_list#$root/}"
        continue
    fi
    check_includes "tests/support" "the support of $layer/" "${allowed[$layer]}" "$file"
done

for folder in "${!test_allowed[@]}"; do
    [ -d "$root/tests/$folder" ] || continue
    mapfile -t files < <(find "$root/tests/$folder" -name '*.h' -o -name '*.cpp')
    [ ${#files[@]} -gt 0 ] && check_includes "tests/$folder" "the tests of $folder/" "${test_allowed[$folder]}" "${files[@]}"
done

[ $status -eq 0 ] && echo "layers: every include points down, in the product and in its tests"
exit $status
