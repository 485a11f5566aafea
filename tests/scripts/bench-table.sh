#!/usr/bin/env bash
# bench-table.sh: the benchmarks' table printer (bench/table.awk) on rows at the edges of its rules:
# medians of odd and even counts in numeric order, a ratio at its goal and just above, a paired
# ratio, no floor. Columns are compared with their padding squeezed to one blank.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)

rows=$(mktemp)
trap 'rm -f "$rows"' EXIT
cat >"$rows" <<'ROWS'
note|a note is not a row
row|odd count: numeric median|9|1|us|-
row|even count: middle two averaged, in ms|1000|0|us|-
row|odd count: numeric median|100|1|us|-
row|even count: middle two averaged, in ms|3000|0|us|-
row|odd count: numeric median|10|1|us|-
row|ratio at the goal|110|100|us|<=1.1
row|ratio just above the goal|111|100|us|<=1.1
row|a paired ratio wins over value / floor|200|100|x|<=1.1|1.05
row|a goal without a floor has no verdict|5|0|KB|<=1.1
ROWS

# figure, median, floor, ratio, goal, met
expected='odd count: numeric median 10.0 us 1.0 us 10.00 - -
even count: middle two averaged, in ms 2.00 ms - - - -
ratio at the goal 110.0 us 100.0 us 1.10 <= 1.1x floor met
ratio just above the goal 111.0 us 100.0 us 1.11 <= 1.1x floor NOT MET
a paired ratio wins over value / floor 200.00x 100.00x 1.05 <= 1.1x floor met
a goal without a floor has no verdict 5.0 KB - - <= 1.1x floor -'

actual=$(awk -F'|' -v title=figure -f "$root/bench/table.awk" "$rows" | grep -v -e '^figure ' -e '^---' | sed 's/  */ /g; s/ $//')
if [ "$actual" != "$expected" ]; then
    echo "FAIL: the table's rows differ (expected, then printed):"
    diff <(echo "$expected") <(echo "$actual") | sed 's/^/    /'
    exit 1
fi
echo "PASS: one row per figure, medians in numeric order, goals judged at their edges"
