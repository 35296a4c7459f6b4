#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The bash completion of trevalon-cli, sourced as bash-completion would: port numbers after
# --port come from the [Ports] map of the settings file and from the default devices that
# exist; nothing else in the file counts, and a missing or odd file says nothing.
set -uo pipefail
completion=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# shellcheck source=/dev/null
source "$completion" || { echo "the completion does not load"; exit 1; }

# Completes the words given (the last one being completed) into $reply, one a line, sorted;
# anything the completion writes on standard error lands in $errors.
complete_words() {
    COMP_WORDS=(trevalon-cli "$@")
    COMP_CWORD=$#
    COMPREPLY=()
    _trevalon_cli 2>"$work/stderr"
    reply=$(printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | sort -n)
    errors=$(cat "$work/stderr")
}
# The default device of a port number, as the program's table gives it.
default_device() {
    local n=$1
    if ((n <= 32)); then echo "/dev/ttyS$((n - 1))"
    elif ((n <= 64)); then echo "/dev/ttyUSB$((n - 33))"
    elif ((n <= 96)); then echo "/dev/ttyACM$((n - 65))"
    fi
}
# Every offered number must be mapped or have its default device, and none may come twice.
only_mapped_or_present() { # $1: what was completed; the mapped numbers follow
    local what=$1 n device
    shift
    [ "$(uniq -d <<<"$reply")" = "" ] || fail "$what: a number is offered twice: $reply"
    for n in $reply; do
        [[ " $* " == *" $n "* ]] && continue
        device=$(default_device "$n")
        if [ -z "$device" ] || [ ! -e "$device" ]; then
            fail "$what: offers $n, neither mapped nor present"
        fi
    done
}
has() { grep -qx -- "$1" <<<"$reply"; }

export XDG_CONFIG_HOME=$work/config
mkdir -p "$XDG_CONFIG_HOME/Trevalon"
# As QSettings writes it, with a hand-edited line or two: spaces around the key, a CR LF line,
# a quoted value, a key with a leading zero, an empty mapping, numbers out of range, and
# numbers in other sections that are no mappings at all.
printf '%s\n' \
    '[General]' '150=/dev/general' \
    '[Setup]' 'Port=" 2"' '120=/dev/setup' \
    '[Ports]' '3=/dev/ttyUSB0' '100=/dev/kdsp' ' 101 = /dev/spaced ' $'102=/dev/crlf\r' \
    '103="/dev/with space"' '017=/dev/zero-led' '104=' '0=/dev/zero' '256=/dev/high' \
    'word=/dev/word' '; 105=/dev/comment' \
    '[Portsmouth]' '130=/dev/other' \
    > "$XDG_CONFIG_HOME/Trevalon/Trevalon.conf"
mapped=(3 100 101 102 103)

complete_words --port ""
for n in "${mapped[@]}"; do has "$n" || fail "--port: mapped $n not offered: $reply"; done
for n in 150 120 2 17 104 0 256 130 105; do
    has "$n" && fail "--port: offers $n, which is no mapping in [Ports]"
done
only_mapped_or_present "--port" "${mapped[@]}"
[ -z "$errors" ] || fail "--port: wrote on standard error: $errors"

complete_words --port 1
for n in 100 101 102 103; do has "$n" || fail "--port 1: mapped $n not offered: $reply"; done
grep -qvx '1[0-9]*' <<<"$reply" && fail "--port 1: offers numbers not starting with 1: $reply"
has 3 && fail "--port 1: offers 3"
only_mapped_or_present "--port 1" "${mapped[@]}"

# The port options also stand after a command; the number is completed there too.
complete_words timing --port 10
has 100 || fail "timing --port 10: 100 not offered: $reply"

# What the settings file may also be: absent, a folder, unreadable bytes, no [Ports] at all.
check_quietly() { # $1: what the file is
    complete_words --port ""
    [ -z "$errors" ] || fail "$1: wrote on standard error: $errors"
    only_mapped_or_present "$1"
}
rm "$XDG_CONFIG_HOME/Trevalon/Trevalon.conf"
check_quietly "no settings file"
mkdir "$XDG_CONFIG_HOME/Trevalon/Trevalon.conf"
check_quietly "a folder for the settings file"
rmdir "$XDG_CONFIG_HOME/Trevalon/Trevalon.conf"
head -c 4096 /dev/urandom > "$XDG_CONFIG_HOME/Trevalon/Trevalon.conf"
# The NUL must not end the random bytes' last line: ended by a newline or blanks of their own
# (one file in a few hundred), "[Ports]" would rightly start a section of its own.
printf 'x\0[Ports]\n\0004=\0/dev/x\n\377\n' >> "$XDG_CONFIG_HOME/Trevalon/Trevalon.conf"
check_quietly "a settings file of random bytes"
printf '[Setup]\nPort=" 2"\n' > "$XDG_CONFIG_HOME/Trevalon/Trevalon.conf"
check_quietly "a settings file without [Ports]"
unset XDG_CONFIG_HOME
HOME=$work/home check_quietly "no XDG_CONFIG_HOME and an empty home"

# The rest of the completion still works beside the numbers.
complete_words --po
has --port || fail "--po: --port not offered: $reply"
complete_words capture --trigger ""
[ "$reply" = $'off\non' ] || fail "capture --trigger: offers $reply"

if [ "$failures" -gt 0 ]; then
    echo "$failures failures"
    exit 1
fi
echo "port numbers completed from [Ports] and the present devices"
