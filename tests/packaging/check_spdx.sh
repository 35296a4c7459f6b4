#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every source, script and build file the project wrote starts with its licence line:
#   C++ sources and headers      // SPDX-License-Identifier: GPL-3.0-or-later
#   CMake files, shell and Python scripts (a shebang, .sh, .py), the bash completion,
#   debian/rules                 # SPDX-License-Identifier: GPL-3.0-or-later
#   the Qt resource file         <!-- SPDX-License-Identifier: GPL-3.0-or-later -->
# on the first line, or on the second after a shebang or an XML document type line.
# Not counted: data and documents (icons, screenshots, the desktop entry, the AppStream metainfo,
# which is CC0, manual pages, Markdown, the fuzz corpus and suppression list), tool settings
# (.clang-format, .gitignore), JSON (CMakePresets.json: JSON has no comments) and the Debian
# control files; debian/copyright states the licence of all of them.
# Usage: check_spdx.sh [--list] SOURCE_DIR
#   prints the files that lack the line, relative to SOURCE_DIR; fails when there are any.
#   --list prints only those names, each with its comment style (cpp, hash or xml) before a tab.
set -uo pipefail
list_only=0
if [ "${1:-}" = "--list" ]; then
    list_only=1
    shift
fi
root=${1:?usage: check_spdx.sh [--list] SOURCE_DIR}
identifier='SPDX-License-Identifier: GPL-3.0-or-later'

# The comment style a counted file takes, or nothing for a file that does not count.
style_of() {
    case "$1" in
    *.cpp | *.h) echo cpp ;;
    */CMakeLists.txt | *.cmake | *.sh | *.py | */completion/* | */debian/rules) echo hash ;;
    *.qrc) echo xml ;;
    *) [ "$(head -c 2 "$1")" = '#!' ] && echo hash ;;
    esac
}

# The line the licence line must stand on: the second after a shebang or an XML header.
expected_line() {
    local first
    first=$(head -n 1 "$1")
    case "$first" in
    '#!'* | '<!DOCTYPE'* | '<?xml'*) echo 2 ;;
    *) echo 1 ;;
    esac
}

declare -A prefix=([cpp]='// ' [hash]='# ' [xml]='<!-- ')
declare -A suffix=([cpp]='' [hash]='' [xml]=' -->')

# Build folders (build*, obj-* of a package build), dist/, the package build's staging folders
# under debian/, hidden folders but .ci, and the fuzz corpus are not the project's sources.
counted=0
missing=()
while IFS= read -r -d '' file; do
    style=$(style_of "$file")
    [ -n "$style" ] || continue
    counted=$((counted + 1))
    want="${prefix[$style]}$identifier${suffix[$style]}"
    line=$(sed -n "$(expected_line "$file")p" "$file")
    [ "$line" = "$want" ] || missing+=("$style"$'\t'"${file#"$root"/}")
done < <(find "$root" -mindepth 1 \
    \( -type d \( -name 'build*' -o -name 'obj-*' -o -path "$root/dist" \
                  -o -path "$root/debian/*" -o -path "$root/fuzz/corpus" \
                  -o \( -name '.*' ! -name .ci \) \) -prune \) \
    -o -type f -print0 | sort -z)

if [ "$list_only" -eq 1 ]; then
    [ ${#missing[@]} -eq 0 ] || printf '%s\n' "${missing[@]}"
    exit 0
fi
if [ "$counted" -eq 0 ]; then
    echo "FAIL: no source, script or build file found under $root"
    exit 1
fi
if [ ${#missing[@]} -gt 0 ]; then
    echo "FAIL: ${#missing[@]} of $counted files lack the line '$identifier'" \
         "(scripts/add-spdx adds it):"
    printf '%s\n' "${missing[@]}" | cut -f 2
    exit 1
fi
echo "all $counted source, script and build files carry '$identifier'"
