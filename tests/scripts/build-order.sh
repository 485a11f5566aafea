#!/usr/bin/env bash
# build-order.sh: build_trees of scripts/common.sh, with each tree's build recorded instead of run:
# the order of the trees whatever the order named, and what one Windows tree needs of the other.
set -uo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
failures=0

built=()
failing=
build_one_tree() {
    built+=("$*")
    [ "$1" != "$failing" ]
}

# arguments | the builds, in order ("TREE [--target ...]", separated by "; ")
cases=(
    "native win64 win32|native; win64; win32"
    "win32 win64 native|native; win64; win32"
    "win32|win64 --target npVxPlug; win32"
    "win64|win64; win32 --target npVxPlug vxhost"
    "native|native"
    "win64:a,b win32:c|win64 --target a b; win32 --target c"
    "win64:a win32|win64 --target a npVxPlug; win32"
    "win64 win32:c|win64; win32 --target c npVxPlug vxhost"
)
for row in "${cases[@]}"; do
    arguments=${row%%|*} expected=${row#*|}
    built=()
    # shellcheck disable=SC2086 # the arguments are words
    build_trees $arguments >/dev/null 2>&1 || { echo "FAIL [$arguments]: build_trees failed"; failures=$((failures + 1)); }
    actual=$(IFS=';'; echo "${built[*]}" | sed 's/;/; /g')
    [ "$actual" = "$expected" ] || { echo "FAIL [$arguments]: built \"$actual\", expected \"$expected\""; failures=$((failures + 1)); }
done

built=()
failing=win64
build_trees native win64 win32 >/dev/null 2>&1 && { echo "FAIL: a failed tree was reported as built"; failures=$((failures + 1)); }
[ "${built[*]}" = "native win64" ] || { echo "FAIL: after a failed win64 built \"${built[*]}\""; failures=$((failures + 1)); }
failing=

built=()
build_trees win16 >/dev/null 2>&1 && { echo "FAIL: an unknown tree was accepted"; failures=$((failures + 1)); }
[ ${#built[@]} -eq 0 ] || { echo "FAIL: an unknown tree built \"${built[*]}\""; failures=$((failures + 1)); }

[ "$failures" -eq 0 ] && echo "PASS: the trees build in their order, each with what it needs of the other"
[ "$failures" -eq 0 ]
