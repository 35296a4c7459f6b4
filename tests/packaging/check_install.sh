#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# `cmake --install` of the finished build into a staging folder (DESTDIR, as a packager does)
# must install exactly the expected files, programs that run from where they land, and a desktop
# entry whose program and icon are installed beside it.
# Arguments: CMAKE BUILD_DIR PREFIX VERSION APP_ID -- INSTALLED_PATH...
# (the installed paths absolute, as CMAKE_INSTALL_FULL_* give them).
set -uo pipefail
cmake=$1 build=$2 prefix=$3 version=$4 app_id=$5
shift 6
expected=("$@")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stage=$work/stage
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

if ! DESTDIR=$stage "$cmake" --install "$build" >"$work/install.log" 2>&1; then
    cat "$work/install.log"
    echo "cmake --install failed"
    exit 1
fi

# Exactly these files, no more and no fewer.
installed=$(cd "$stage" && find . -type f -o -type l | sed 's/^\.//' | sort)
wanted=$(printf '%s\n' "${expected[@]}" | sort)
if [ "$installed" != "$wanted" ]; then
    fail "installed files differ from the expected ones (< installed, > expected):"
    diff <(printf '%s\n' "$installed") <(printf '%s\n' "$wanted") | grep '^[<>]'
fi

# The programs run from where they were installed.
bin=$stage$prefix/bin
for program in trevalon trevalon-cli kdsp-sim; do
    [ -x "$bin/$program" ] || fail "$program is not installed as a program in $prefix/bin"
done
# --version: the name and version on the first line, the licence below it.
for pair in "trevalon:Trevalon" "trevalon-cli:trevalon-cli"; do
    program=${pair%%:*} name=${pair#*:}
    text=$("$bin/$program" --version 2>&1)
    [ "$(head -n 1 <<<"$text")" = "$name $version" ] ||
        fail "installed $program --version begins '$(head -n 1 <<<"$text")', not '$name $version'"
    grep -q '^License GPL-3.0-or-later' <<<"$text" ||
        fail "installed $program --version names no licence: $text"
done
"$bin/kdsp-sim" --help | grep -q -- '--timing-digit' || fail "installed kdsp-sim --help"

# The desktop entry's program and icon are installed with it.
entry=$(printf '%s\n' "$installed" | grep "/applications/$app_id\.desktop\$")
if [ -z "$entry" ]; then
    fail "no desktop entry $app_id.desktop"
else
    program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$stage$entry")
    icon=$(sed -n 's/^Icon=//p' "$stage$entry")
    grep -qx "$prefix/bin/$program" <<<"$installed" ||
        fail "the desktop entry runs '$program', which is not installed in $prefix/bin"
    grep -qE "/icons/hicolor/(scalable|[0-9]+x[0-9]+)/apps/$icon\.(png|svg)\$" <<<"$installed" ||
        fail "the desktop entry's icon '$icon' is not installed in the hicolor theme"
fi

# AppStream's own view of the installed tree: the metainfo finds its desktop entry.
if command -v appstreamcli >/dev/null 2>&1; then
    appstreamcli validate-tree --no-net --strict "$stage$prefix" >"$work/tree.log" 2>&1 ||
        { cat "$work/tree.log"; fail "appstreamcli validate-tree"; }
fi

if [ "$failures" -gt 0 ]; then
    exit 1
fi
echo "installed ${#expected[@]} files into $prefix as expected"
