#!/usr/bin/env bash
# The guides name the tests that check what they say: each named case must exist, so a renamed or
# merged test cannot leave a guide pointing at nothing. Named are GoogleTest cases (`Suite.Case`,
# `Suite.*`), end-to-end cases (`e2e.SUITE.NAME`: case_NAME in tests/e2e/cases/SUITE.sh) and browser
# cases (after the word "browser": browser `name`, `name`; in tests/browser/cases, a firefox_ twin
# for each name given to inBothBrowsers).
#   check-test-names.sh SOURCE_ROOT
set -uo pipefail
root=${1:?usage: check-test-names.sh SOURCE_ROOT}
status=0
browser_cases=$(sed -nE "s/.*name: '([a-z0-9_]+)'.*/\1/p; s/.*inBothBrowsers\('([a-z0-9_]+)'.*/\1\nfirefox_\1/p" \
    "$root"/tests/browser/cases/*.mjs)
for guide in "$root"/docs/*.md "$root"/README.md; do
    while read -r name; do
        suite=${name%%.*} case=${name#*.}
        pattern="TEST(_F|_P)?\\($suite, *${case//\*/[A-Za-z0-9]*}\\)"
        grep -rqE "$pattern" "$root/tests" --include=*.cpp ||
            { echo "FAIL ${guide#$root/}: no test $name"; status=1; }
    done < <(grep -oE '`[A-Z][A-Za-z0-9]+\.[A-Z*][A-Za-z0-9*]*`' "$guide" | tr -d '`' | sort -u)
    while read -r suite name; do
        grep -qE "^case_$name\(\)" "$root/tests/e2e/cases/$suite.sh" 2>/dev/null ||
            { echo "FAIL ${guide#$root/}: no end-to-end case e2e.$suite.$name"; status=1; }
    done < <(perl -0777 -ne 'print "$1 $2\n" while /`e2e\.([a-z0-9]+)\.([a-z0-9_]+)`/g' "$guide" | sort -u)
    while read -r name; do
        grep -qx "$name" <<<"$browser_cases" || { echo "FAIL ${guide#$root/}: no browser case $name"; status=1; }
    done < <(perl -0777 -ne 'while (/\bbrowser((?:,?\s+(?:and\s+)?`[a-z0-9_]+`)+)/g) { my $l = $1; print "$1\n" while $l =~ /`([a-z0-9_]+)`/g }' \
        "$guide" | sort -u)
done
[ $status -eq 0 ] && echo "docs: every test a guide names exists"
exit $status
