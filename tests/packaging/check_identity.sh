#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The installed data must agree with the build: the metainfo names the application id and
# launches the desktop entry of that name; its newest release, the desktop entry's program and
# the manual pages' headers name this version and these programs; the metainfo and the Debian
# changelog name the project's licence and version.
# Arguments: DATA_DIR APP_ID VERSION PROGRAM...
set -uo pipefail
data=$1 app_id=$2 version=$3
shift 3
programs=("$@")
metainfo=$data/$app_id.metainfo.xml
entry=$data/$app_id.desktop
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# The text of the first element named $1 in the metainfo.
element() { sed -n "s|.*<$1[^>]*>\\([^<]*\\)</$1>.*|\\1|p" "$metainfo" | head -n 1; }

[ "$(element id)" = "$app_id" ] || fail "metainfo id is '$(element id)', not $app_id"
[ "$(element launchable)" = "$app_id.desktop" ] ||
    fail "metainfo launches '$(element launchable)', not $app_id.desktop"
# Releases are listed newest first.
newest=$(grep -o '<release [^>]*version="[^"]*"' "$metainfo" | head -n 1 |
         sed 's/.*version="\([^"]*\)"/\1/')
[ "$newest" = "$version" ] || fail "the newest release in the metainfo is '$newest', not $version"

exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
[[ " ${programs[*]} " == *" $exec_program "* ]] ||
    fail "the desktop entry runs '$exec_program', which is not installed"
# The metainfo ships in the window's package, so it provides the window's program alone: the
# command-line program and the simulator come in packages of their own.
provided=$(sed -n 's|.*<binary>\([^<]*\)</binary>.*|\1|p' "$metainfo")
[ "$provided" = "$exec_program" ] ||
    fail "the metainfo provides '$(tr '\n' ' ' <<<"$provided")', not the window's '$exec_program' alone"
[ "$(element project_license)" = "GPL-3.0-or-later" ] ||
    fail "the metainfo's project licence is '$(element project_license)', not GPL-3.0-or-later"

# The packages take their version from the changelog's newest entry (a native version, no
# Debian revision): it must be the program's own.
changelog=$data/../debian/changelog
packaged=$(sed -n '1s/^trevalon (\([^)]*\)).*/\1/p' "$changelog")
[ "$packaged" = "$version" ] ||
    fail "debian/changelog's newest entry is '$packaged', the program's version is $version"

for program in "${programs[@]}"; do
    page=$data/$program.1
    if [ ! -f "$page" ]; then
        fail "no manual page $page"
        continue
    fi
    header=$(grep -m 1 '^\.TH ' "$page")
    upper=$(tr '[:lower:]' '[:upper:]' <<<"$program")
    [[ $header == ".TH $upper 1 "*"\"Trevalon $version\""* ]] ||
        fail "$page: header '$header' does not name $upper, section 1 and Trevalon $version"
done

if [ "$failures" -gt 0 ]; then
    exit 1
fi
echo "metainfo, desktop entry, manual pages and changelog agree on $app_id $version"
