#!/usr/bin/env bash
# build-failure.sh WORK-FOLDER: build_tree of scripts/common.sh on a one-file project, built once,
# then broken: the second build must fail, name the configuration, and not count the first
# build's program as its result.
set -uo pipefail
work=${1:?usage: build-failure.sh WORK-FOLDER}
source "$(dirname "$0")/../../scripts/common.sh"
unset CMAKE_C_COMPILER_LAUNCHER CMAKE_CXX_COMPILER_LAUNCHER
JOBS=1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

rm -rf "$work"
mkdir -p "$work/source"
cat >"$work/source/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.20)
project(tiny CXX)
add_executable(tiny main.cpp)
CMAKE
echo 'int main() { return 0; }' >"$work/source/main.cpp"

build_tree tiny "$work/source" "$work/build" >"$work/first.out" 2>&1 ||
    { fail "the sound project did not build"; cat "$work/first.out"; }
[ -x "$work/build/tiny" ] || fail "the sound project made no program"

echo 'int main() { return undeclared; }' >"$work/source/main.cpp"
if build_tree tiny "$work/source" "$work/build" >"$work/second.out" 2>&1; then
    fail "a compile error was reported as a successful build"
fi
grep -q "^tiny: the build in $work/build failed" "$work/second.out" ||
    { fail "the failure does not name the configuration"; cat "$work/second.out"; }
grep -q "undeclared" "$work/second.out" || fail "the compiler's error is not shown"

echo 'project(' >"$work/source/CMakeLists.txt"
build_tree tiny "$work/source" "$work/build" >"$work/third.out" 2>&1 && fail "a configure error was reported as success"
grep -q "^tiny: configuring $work/build failed" "$work/third.out" ||
    { fail "the configure failure does not name the configuration"; cat "$work/third.out"; }

[ "$failures" -eq 0 ] && echo "PASS: build_tree fails on a failed configure or compile, naming the configuration"
[ "$failures" -eq 0 ]
