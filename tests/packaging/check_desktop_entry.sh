#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The desktop entry must pass desktop-file-validate without a single error, warning or hint
# (warnings alone leave its status 0). Skips (77) without the tool (Debian: desktop-file-utils).
set -uo pipefail
entry=$1
if ! command -v desktop-file-validate >/dev/null 2>&1; then
    echo "desktop-file-validate is not installed: not checked"
    exit 77
fi
output=$(desktop-file-validate "$entry" 2>&1)
status=$?
if [ "$status" -ne 0 ] || [ -n "$output" ]; then
    printf '%s\n' "$output"
    echo "desktop-file-validate: status $status"
    exit 1
fi
echo "$entry is valid"
