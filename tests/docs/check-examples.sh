#!/usr/bin/env bash
# check-examples.sh ROOT: in docs/*.md, a line that starts with `examples/FILE` labels the next
# fenced code block, which must equal that file (CR LF line ends of the file read as LF). Every file
# in examples/ must be shown in some guide.
set -uo pipefail
ROOT=${1:?usage: check-examples.sh ROOT}
cd "$ROOT" || exit 1
failures=0
shown=$(mktemp)
trap 'rm -f "$shown" "$shown".block' EXIT

for guide in docs/*.md; do
    label="" in_block=0 line_number=0
    while IFS= read -r line || [ -n "$line" ]; do
        line_number=$((line_number + 1))
        if [ $in_block -eq 1 ]; then
            if [[ $line == '```' ]]; then
                in_block=0
                if [ -n "$label" ]; then
                    echo "$label" >>"$shown"
                    if [ ! -f "$label" ]; then
                        echo "FAIL: $guide:$block_start shows $label, which does not exist"; failures=$((failures + 1))
                    elif ! diff <(tr -d '\r' <"$label") "$shown".block >/dev/null; then
                        echo "FAIL: $guide:$block_start differs from $label:"
                        diff <(tr -d '\r' <"$label") "$shown".block | sed 's/^/    /'
                        failures=$((failures + 1))
                    fi
                    label=""
                fi
            else
                printf '%s\n' "$line" >>"$shown".block
            fi
            continue
        fi
        if [[ $line =~ ^\`(examples/[^\`]+)\` ]]; then
            label=${BASH_REMATCH[1]}
        elif [[ $line == '```'* ]]; then
            in_block=1 block_start=$line_number
            : >"$shown".block
        fi
    done <"$guide"
done

while IFS= read -r file; do
    grep -qxF "$file" "$shown" || { echo "FAIL: $file is shown in no guide"; failures=$((failures + 1)); }
done < <(find examples -type f | sort)

count=$(sort -u "$shown" | wc -l)
[ $failures -eq 0 ] && { echo "PASS: $count example files shown whole in the guides"; exit 0; }
exit 1
