#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A manual page must format without a single warning, both as man(1) shows it and through
# groff with every warning switched on. Skips (77) where neither tool is installed.
set -uo pipefail
page=$1
checked=0 failed=0

report() { # $1: what ran, $2: its standard error, $3: its status
    if [ -n "$2" ] || [ "$3" -ne 0 ]; then
        echo "$page: $1 (status $3):"
        printf '%s\n' "$2"
        failed=1
    fi
}

if man --version >/dev/null 2>&1; then
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
        man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    report "man --warnings" "$warnings" $?
    checked=1
fi
if command -v groff >/dev/null 2>&1; then
    warnings=$(LC_ALL=C.UTF-8 groff -ww -man -z -Tutf8 "$page" 2>&1 >/dev/null)
    report "groff -ww -man" "$warnings" $?
    checked=1
fi
if [ "$checked" -eq 0 ]; then
    echo "neither man nor groff is installed: not checked"
    exit 77
fi
exit "$failed"
