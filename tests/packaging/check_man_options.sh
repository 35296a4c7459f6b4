#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every option that `PROGRAM --help` prints must be in its manual page. When the help lists
# commands (a "Commands:" block of lines indented by two spaces), each command must be in the
# page too, as must every option of `PROGRAM COMMAND --help`.
set -euo pipefail
page=$1 program=$2

# The page's source as plain text: \- is a minus; font changes and zero-width escapes go.
text=$(sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' -e 's/\\f([A-Z][A-Z]//g' -e 's/\\[%&]//g' "$page")
# The lines that set words in bold or italics (.B, .BR, .BI, .I, .IR, ...).
formatted=$(grep -E '^\.(B|I|BR|BI|IB|IR|RB|RI)( |$)' <<<"$text" || true)

# Option names from a help text: option lines start with exactly two spaces and a dash, and
# their option column ends where two spaces lead to the description.
options_in() {
    sed -n 's/^  \(-.*\)$/\1/p' | sed 's/  .*//' |
        grep -oE '(^|[ ,])--?[A-Za-z0-9][-A-Za-z0-9]*' | sed 's/^[ ,]*//'
}
# Command names from a help text: the first word of each line of the "Commands:" block that
# starts with exactly two spaces.
commands_in() {
    sed -n '/^Commands:/,/^$/p' | sed -n 's/^  \([a-z][-a-z0-9]*\).*$/\1/p'
}
# Whether a word stands alone (not inside a longer option or name) in the given text.
has_word() {
    grep -qE "(^|[^-A-Za-z0-9])$1([^-A-Za-z0-9]|\$)" <<<"$2"
}

missing=()
declare -A checked=()
check_options() { # $1: where the options were printed; the options follow
    local where=$1 option
    shift
    for option; do
        [ -z "${checked[$option]:-}" ] || continue
        checked[$option]=1
        has_word "$option" "$text" || missing+=("$option (in $where)")
    done
}

help=$("$program" --help)
options=$(options_in <<<"$help")
if ! grep -qx -- --help <<<"$options"; then
    echo "no option list found in \`$program --help\`:"
    printf '%s\n' "$help"
    exit 1
fi
# shellcheck disable=SC2086 # option names never hold spaces
check_options "--help" $options
for command in $(commands_in <<<"$help"); do
    has_word "$command" "$formatted" || missing+=("command $command")
    # shellcheck disable=SC2046
    check_options "$command --help" $(options_in <<<"$("$program" "$command" --help)")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "$page does not mention:"
    printf '  %s\n' "${missing[@]}"
    exit 1
fi
echo "$page mentions all ${#checked[@]} options and $(commands_in <<<"$help" | wc -l)" \
    "commands of $(basename "$program")"
