#!/usr/bin/env bash
# The product's layers point one way: a folder includes only its own headers and those of the layers
# below it. The static libraries make a call upward a link error; this catches an include upward
# (a type or inline function of a higher layer) before it becomes one.
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

status=0
for layer in "${!allowed[@]}"; do
    [ -d "$root/$layer" ] || continue
    while IFS= read -r hit; do
        file=${hit%%:*}
        included=$(sed -E 's/.*#include "([^"/]+)\/.*/\1/' <<<"${hit#*:}")
        [[ " ${allowed[$layer]} " == *" $included "* ]] && continue
        echo "FAIL ${file#$root/}: $layer/ may not include $included/ (${hit#*:})"
        status=1
    done < <(grep -HE '^#include "[^"/]+/' "$root/$layer"/*.h "$root/$layer"/*.cpp 2>/dev/null)
done
[ $status -eq 0 ] && echo "layers: every include points down"
exit $status
