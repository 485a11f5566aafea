#!/usr/bin/env bash
# check-layers.sh's rules for tests at their edges: each row a tree of its own, with support of four
# layers and one file that includes one header, and whether the check lets it pass.
#   check-layers-rules.sh
set -uo pipefail
check=$(dirname "$0")/check-layers.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
while read -r file include expected; do
    [[ -z $file || $file == \#* ]] && continue
    tree=$work/tree
    rm -rf "$tree"
    mkdir -p "$tree/tests/support" "$(dirname "$tree/$file")"
    printf 'vx_test_support(%s)\n' "win W" "diag" "client C" "request R" "plugin P" >"$tree/tests/support/CMakeLists.txt"
    touch "$tree/tests/support/"{W,C,R,P}.h
    echo "#include \"$include\"" >>"$tree/$file"
    output=$(bash "$check" "$tree")
    if [ $? -eq 0 ]; then actual=pass; else actual=FAIL; fi
    if [ "$actual" != "$expected" ] || { [ "$actual" = FAIL ] && [[ $output != "FAIL $file: "* ]]; }; then
        echo "FAIL $file including $include: expected $expected, the check said: $output"
        status=1
    fi
done <<'ROWS'
# A layer's tests: their layer and below, the support of their layer and below.
tests/request/ATest.cpp             request/Page.h                pass
tests/request/ATest.cpp             win/Owned.h                   pass
tests/request/ATest.cpp             plugin/InstanceData.h         FAIL
tests/request/ATest.cpp             bridge/Json.h                 FAIL
tests/request/ATest.cpp             support/R.h                   pass
tests/request/ATest.cpp             support/P.h                   FAIL
tests/request/ATest.cpp             support/Unlisted.h            FAIL
tests/request/ATest.cpp             Ledger.h                      pass
tests/client/ATest.cpp              support/C.h                   pass
tests/client/ATest.cpp              support/R.h                   FAIL
tests/win/ATest.cpp                 diag/TraceLog.h               FAIL
tests/diag/portable/ATest.cpp       support/C.h                   FAIL
# ../ stays inside the test folder.
tests/bridge/win/ATest.cpp          ../Frames.h                   pass
tests/request/programs/AProgram.cpp ../../plugin/Window.h         FAIL
# The side folders: the bridge's tests with the tools' dialog answering, the tools' own.
tests/bridge/win/ATest.cpp          common/DialogAnswering.h      pass
tests/request/ATest.cpp             common/DialogAnswering.h      FAIL
tests/bridge/ATest.cpp              plugin/npapi.h                FAIL
tests/tools/ATest.cpp               vxhost/DialogAutomation.h     pass
tests/tools/ATest.cpp               support/W.h                   pass
tests/tools/ATest.cpp               support/C.h                   FAIL
tests/tools/ATest.cpp               request/Page.h                FAIL
# A support file: its line's layer and below, and no file without a line.
tests/support/C.cpp                 client/KeyValueMap.h          pass
tests/support/C.cpp                 support/W.h                   pass
tests/support/C.cpp                 request/Page.h                FAIL
tests/support/C.cpp                 support/R.h                   FAIL
tests/support/P.cpp                 plugin/InstanceData.h         pass
tests/support/Stray.h               win/Owned.h                   FAIL
ROWS
[ $status -eq 0 ] && echo "layers rules: every row as expected"
exit $status
