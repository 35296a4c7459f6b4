#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# scripts/add-spdx on a small tree of every kind of file: the check lists exactly the counted
# files that lack the line; after the adder it lists none, a shebang and an XML document type
# line stay first, the rest of each file is unchanged, and a second run changes nothing.
# Arguments: SOURCE_DIR (the project, for the check and the adder)
set -uo pipefail
source=$1
check=$source/tests/packaging/check_spdx.sh
adder=$source/scripts/add-spdx
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

tree=$work/tree
mkdir -p "$tree/src" "$tree/scripts" "$tree/data/completion" "$tree/debian/trevalon/usr/bin" \
         "$tree/build/src" "$tree/fuzz/corpus"
printf '#pragma once\nint f();\n' >"$tree/src/f.h"
printf '// SPDX-License-Identifier: GPL-3.0-or-later\nint f() { return 1; }\n' >"$tree/src/f.cpp"
printf 'add_subdirectory(src)\n' >"$tree/CMakeLists.txt"
printf '#!/bin/sh\necho run\n' >"$tree/scripts/run"
printf '#!/usr/bin/make -f\n%%:\n\tdh $@\n' >"$tree/debian/rules"
printf 'complete -F _f f\n' >"$tree/data/completion/f"
printf '<!DOCTYPE RCC>\n<RCC version="1.0"/>\n' >"$tree/src/r.qrc"
# Not counted: a document, data, a package build's staging copy, a build folder, the corpus.
printf '# Title\n' >"$tree/README.md"
printf '[Desktop Entry]\n' >"$tree/data/f.desktop"
printf '#!/bin/sh\n' >"$tree/debian/trevalon/usr/bin/run"
printf 'int g();\n' >"$tree/build/src/moc.cpp"
printf '#!binary seed' >"$tree/fuzz/corpus/seed"
cp -a "$tree" "$work/before"

expected=$(printf '%s\n' CMakeLists.txt data/completion/f debian/rules scripts/run src/f.h src/r.qrc)
listed=$(bash "$check" --list "$tree" | cut -f 2 | sort)
[ "$listed" = "$expected" ] ||
    fail "the check lists '$(tr '\n' ' ' <<<"$listed")', not '$(tr '\n' ' ' <<<"$expected")'"
bash "$check" "$tree" >/dev/null && fail "the check passes on files without the line"

bash "$adder" "$tree" >/dev/null || fail "the adder failed"
bash "$check" "$tree" >"$work/after.log" || { cat "$work/after.log"; fail "the check fails after the adder"; }
[ "$(head -n 2 "$tree/scripts/run")" = $'#!/bin/sh\n# SPDX-License-Identifier: GPL-3.0-or-later' ] ||
    fail "scripts/run begins: $(head -n 2 "$tree/scripts/run")"
[ "$(head -n 2 "$tree/src/r.qrc")" = $'<!DOCTYPE RCC>\n<!-- SPDX-License-Identifier: GPL-3.0-or-later -->' ] ||
    fail "src/r.qrc begins: $(head -n 2 "$tree/src/r.qrc")"
[ "$(head -n 1 "$tree/src/f.h")" = '// SPDX-License-Identifier: GPL-3.0-or-later' ] ||
    fail "src/f.h begins: $(head -n 1 "$tree/src/f.h")"
# Apart from the added line, every file is as it was; the files that do not count are untouched.
while IFS= read -r -d '' file; do
    name=${file#"$work/before/"}
    grep -v 'SPDX-License-Identifier' "$tree/$name" | cmp -s - <(grep -v 'SPDX-License-Identifier' "$file") ||
        fail "$name changed beyond its licence line"
done < <(find "$work/before" -type f -print0)
for name in README.md data/f.desktop debian/trevalon/usr/bin/run build/src/moc.cpp fuzz/corpus/seed; do
    cmp -s "$tree/$name" "$work/before/$name" || fail "$name, which does not count, was changed"
done

cp -a "$tree" "$work/once"
bash "$adder" "$tree" >/dev/null
diff -r "$work/once" "$tree" >/dev/null || fail "a second run of the adder changed files"

if [ "$failures" -gt 0 ]; then
    exit 1
fi
echo "the adder put the line where the check wants it, and only there"
