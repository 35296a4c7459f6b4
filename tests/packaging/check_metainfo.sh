#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The AppStream metainfo must pass appstreamcli's validation with nothing but pedantic hints
# (--strict fails on infos and warnings too). Skips (77) without appstreamcli (Debian: appstream).
set -uo pipefail
metainfo=$1
if ! command -v appstreamcli >/dev/null 2>&1; then
    echo "appstreamcli is not installed: not checked"
    exit 77
fi
appstreamcli validate --no-net --strict --explain "$metainfo"
