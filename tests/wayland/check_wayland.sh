#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The window as a Wayland client: in weston's headless back end the program (on the simulated
# chip) must start, be shown (its surface configured and given a buffer) and give the shell its
# application id, by which the dock finds its desktop entry and icon; then wayland_window shows
# that clicks and keys reach the controls. Skipped (77) without weston or Qt's Wayland plugin.
# Arguments: TREVALON WAYLAND_WINDOW APP_ID
set -uo pipefail
trevalon=$1 probe=$2 app_id=$3
skip() { echo "SKIP: $*"; exit 77; }

command -v weston >/dev/null 2>&1 || skip "weston is not installed (Debian's weston package)"
qt_core=$(ldd "$trevalon" | awk '/libQt6Core\.so/ { print $3 }')
plugins=${QT_PLUGIN_PATH:-$(dirname "$qt_core")/qt6/plugins}
ls "$plugins"/platforms/libqwayland-*.so >/dev/null 2>&1 ||
    skip "Qt's Wayland platform plugin is not installed (Debian's qt6-wayland package)"

work=$(mktemp -d)
weston_pid=
program_pid=
cleanup() {
    for pid in $program_pid $weston_pid; do
        kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    done
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# A compositor of this test's own: its own runtime folder and socket, no display of the user's.
export XDG_RUNTIME_DIR=$work/runtime XDG_CONFIG_HOME=$work/config
mkdir -m 700 "$XDG_RUNTIME_DIR"
socket=trevalon-test
weston --backend=headless-backend.so --socket=$socket --shell=desktop-shell.so --no-config \
       --idle-time=0 >"$work/weston.log" 2>&1 &
weston_pid=$!
for _ in $(seq 100); do
    [ -S "$XDG_RUNTIME_DIR/$socket" ] && break
    kill -0 "$weston_pid" 2>/dev/null || break
    sleep 0.1
done
if [ ! -S "$XDG_RUNTIME_DIR/$socket" ]; then
    cat "$work/weston.log"
    echo "FAIL: weston's headless back end did not start"
    exit 1
fi
unset DISPLAY QT_QPA_PLATFORMTHEME
export WAYLAND_DISPLAY=$socket QT_QPA_PLATFORM=wayland

# The program itself, with libwayland's log of every request it makes to the compositor.
WAYLAND_DEBUG=client "$trevalon" --demo >"$work/program.log" 2>&1 &
program_pid=$!
shown() { grep -q 'wl_surface@[0-9]*\.attach(wl_buffer@' "$work/program.log"; }
for _ in $(seq 100); do
    shown && break
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.1
done
sleep 1 # a little longer, so a fault soon after showing is caught too
if ! kill -0 "$program_pid" 2>/dev/null; then
    grep -v '^\[' "$work/program.log"
    fail "the program ended by itself under Wayland"
fi
grep -q "xdg_toplevel@[0-9]*\\.set_app_id(\"$app_id\")" "$work/program.log" ||
    fail "the program gave the shell no application id $app_id"
grep -q 'xdg_surface@[0-9]*\.ack_configure(' "$work/program.log" ||
    fail "the compositor's configuration of the window was never acknowledged"
shown || fail "the window's surface never got a buffer: it was not shown"
grep -q 'wl_display@1\.error' "$work/program.log" &&
    fail "the compositor reported a protocol error: $(grep 'wl_display@1\.error' "$work/program.log")"
kill "$program_pid" 2>/dev/null
wait "$program_pid" 2>/dev/null
program_pid=

# Clicks and keys, in the same compositor. Its headless back end has no seat, and Qt 6.4's
# Wayland text input then crashes on a key event, reaching for the missing seat's device (a
# session with a keyboard has a seat); with no input method the keys go straight to the widgets.
QT_IM_MODULE=none "$probe" || fail "wayland_window"

if [ "$failures" -gt 0 ]; then
    exit 1
fi
echo "under weston the window showed, named itself $app_id and took clicks and keys"
