#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# scripts/add-spdx on a small tree: afterwards scripts/check-spdx passes on it, the line stands
# after a shebang and an XML document type line, nothing else in any file changes, a file that
# does not count is untouched, and a second run changes nothing.
# Arguments: SOURCE_DIR (the project, for the check and the adder)
set -uo pipefail
source=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

tree=$work/tree
mkdir -p "$tree/src" "$tree/scripts" "$tree/build"
printf '#pragma once\nint f();\n' >"$tree/src/f.h"
printf '#!/bin/sh\necho run\n' >"$tree/scripts/run"
printf '<!DOCTYPE RCC>\n<RCC version="1.0"/>\n' >"$tree/src/r.qrc"
printf '# Title\n' >"$tree/README.md"
printf 'int g();\n' >"$tree/build/moc.cpp"
cp -a "$tree" "$work/before"

bash "$source/scripts/check-spdx" "$tree" >/dev/null && fail "the check passes on files without the line"
bash "$source/scripts/add-spdx" "$tree" >/dev/null || fail "the adder failed"
bash "$source/scripts/check-spdx" "$tree" >/dev/null || fail "the check fails after the adder"
for first in "scripts/run:#!/bin/sh"$'\n'"# " "src/r.qrc:<!DOCTYPE RCC>"$'\n'"<!-- " "src/f.h:// "; do
    name=${first%%:*}
    [[ "$(head -n 3 "$tree/$name")" == "${first#*:}SPDX-License-Identifier: GPL-3.0-or-later"* ]] ||
        fail "$name begins: $(head -n 2 "$tree/$name")"
done
while IFS= read -r -d '' file; do
    name=${file#"$work/before/"}
    grep -v 'SPDX-License-Identifier' "$tree/$name" | cmp -s - "$file" ||
        fail "$name changed beyond its licence line"
done < <(find "$work/before" -type f -print0)
for name in README.md build/moc.cpp; do
    cmp -s "$tree/$name" "$work/before/$name" || fail "$name, which does not count, was changed"
done

cp -a "$tree" "$work/once"
bash "$source/scripts/add-spdx" "$tree" >/dev/null
diff -r "$work/once" "$tree" >/dev/null || fail "a second run of the adder changed files"

[ "$failures" -eq 0 ] || exit 1
echo "the adder put the line where the check wants it, and only there"
