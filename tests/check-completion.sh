#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Completes a few tavrel command lines with the bash completion script, once on its own and once
# after bash-completion's helpers are loaded (as an interactive shell has them), and compares the
# candidates.
# Usage: check-completion.sh <completion script>
set -euo pipefail
script=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
mkdir "$folder/Converted"
touch "$folder/Holiday.mkv" "$folder/Holiday.SRT" "$folder/Notes.txt" "$folder/Trip.mov"

# Each case: the words of the line (the last one is being completed) | the sorted candidates.
cases=(
    'tavrel --ver|--version'
    'tavrel --batch --sub|--subtitles'
    'tavrel --batch --video |copy reencode'
    'tavrel --batch --speed very|veryfast veryslow'
    'tavrel --batch --speed = very|veryfast veryslow'
    'tavrel --batch --output |Converted'
    'tavrel --batch --watch C|Converted'
    'tavrel |Converted Holiday.SRT Holiday.mkv Trip.mov'
    'tavrel --batch --output Converted -- --|'
)

failed=0
for helpers in '' /usr/share/bash-completion/bash_completion; do
    if [[ -n $helpers && ! -f $helpers ]]; then
        echo "FAIL: bash-completion is not installed ($helpers)" >&2
        exit 1
    fi
    for case in "${cases[@]}"; do
        line=${case%%|*}
        want=${case#*|}
        got=$(cd "$folder" && bash -c '
            helpers=$1 script=$2 line=$3
            [[ -n $helpers ]] && source "$helpers"
            source "$script"
            read -r -a COMP_WORDS <<<"$line"
            [[ $line == *" " ]] && COMP_WORDS+=("")
            COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
            COMP_LINE=$line COMP_POINT=${#line}
            COMPREPLY=()
            _tavrel tavrel "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
            printf "%s\n" "${COMPREPLY[@]}" | LC_ALL=C sort | paste -sd " " -' _ "$helpers" "$script" "$line")
        if [[ $got != "$want" ]]; then
            echo "FAIL${helpers:+ (with $helpers)}: '$line' completes to '$got', expected '$want'" >&2
            failed=1
        fi
    done
done
[[ $failed -eq 0 ]] && echo "completions as expected"
exit $failed
