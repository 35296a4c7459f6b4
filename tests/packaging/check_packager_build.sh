#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A packager's configuration with -DBUILD_TESTING=OFF (configured only, into a scratch folder):
# Qt Test is not looked for, no tests, benchmarks or fuzz targets exist, the three programs do.
# Arguments: CMAKE SOURCE_DIR GENERATOR [CMAKE_ARGUMENT...]
set -uo pipefail
cmake=$1 source=$2 generator=$3
shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# CMake's file API lists the targets the configuration made, whatever the generator.
mkdir -p "$work/.cmake/api/v1/query"
touch "$work/.cmake/api/v1/query/codemodel-v2"
if ! "$cmake" -S "$source" -B "$work" -G "$generator" "$@" -DBUILD_TESTING=OFF \
        >"$work/configure.log" 2>&1; then
    cat "$work/configure.log"
    echo "configuring with -DBUILD_TESTING=OFF failed"
    exit 1
fi

grep -q '^BUILD_TESTING:BOOL=OFF$' "$work/CMakeCache.txt" || fail "BUILD_TESTING is not OFF"
grep -q '^Qt6Widgets_DIR:' "$work/CMakeCache.txt" || fail "Qt was not found at all"
if grep -q '^Qt6Test_DIR' "$work/CMakeCache.txt"; then
    fail "Qt Test was looked for: $(grep '^Qt6Test_DIR' "$work/CMakeCache.txt")"
fi

targets=$(cat "$work"/.cmake/api/v1/reply/codemodel-v2-*.json 2>/dev/null |
          grep -A 3 '"directoryIndex"' | sed -n 's/.*"name" *: *"\([^"]*\)".*/\1/p' | sort -u)
for program in trevalon trevalon-cli kdsp-sim; do
    grep -qx "$program" <<<"$targets" || fail "no target $program among: $(tr '\n' ' ' <<<"$targets")"
done
unwanted=$(grep -E '^(tst|bench|fuzz)_|testsupport' <<<"$targets" | grep -v _autogen)
[ -z "$unwanted" ] || fail "test, benchmark or fuzz targets exist: $(tr '\n' ' ' <<<"$unwanted")"

if [ "$failures" -gt 0 ]; then
    exit 1
fi
echo "configured without tests, benchmarks, fuzz targets and Qt Test"
