#!/usr/bin/env bash
# The guides name the tests that check what they say (`Suite.Case`): each named case must exist, so
# a renamed or merged test cannot leave a guide pointing at nothing.
#   check-test-names.sh SOURCE_ROOT
set -uo pipefail
root=${1:?usage: check-test-names.sh SOURCE_ROOT}
status=0
for guide in "$root"/docs/*.md "$root"/README.md; do
    while read -r name; do
        suite=${name%%.*} case=${name#*.}
        pattern="TEST(_F|_P)?\\($suite, *${case//\*/[A-Za-z0-9]*}\\)"
        grep -rqE "$pattern" "$root/tests" --include=*.cpp ||
            { echo "FAIL ${guide#$root/}: no test $name"; status=1; }
    done < <(grep -oE '`[A-Z][A-Za-z0-9]+\.[A-Z*][A-Za-z0-9*]*`' "$guide" | tr -d '`' | sort -u)
done
[ $status -eq 0 ] && echo "docs: every test a guide names exists"
exit $status
