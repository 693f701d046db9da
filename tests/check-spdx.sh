#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails, naming each file, when a source file lacks its licence line: C++ sources on their first
# line, scripts right after the shebang (or first, when they have none), so that a new file cannot
# miss it. Usage: check-spdx.sh <source folder>
set -euo pipefail
cd "$1"
tag='SPDX-License-Identifier: GPL-3.0-or-later'
checked=0
bad=()
while IFS= read -r -d '' file; do
    first=$(head -n 1 "$file")
    case $file in
    *.cpp | *.h) want="// $tag" line=$first ;;
    *)
        if [[ $first == '#!'* ]]; then
            want="# $tag" line=$(sed -n 2p "$file")
        elif [[ $file == *.sh || $file == *.bash-completion ]]; then
            want="# $tag" line=$first
        else
            continue
        fi
        ;;
    esac
    checked=$((checked + 1))
    [[ $line == "$want" ]] || bad+=("$file")
done < <(find src tests bench fuzz scripts packaging run test -path tests/fixtures -prune -o -type f -print0)
# A tree in which nothing was found is a broken check, not a clean tree.
((checked > 100)) || { echo "FAIL: only $checked source files found in $PWD" >&2; exit 1; }
if ((${#bad[@]})); then
    echo "no \"$tag\" line in:" >&2
    printf '  %s\n' "${bad[@]}" >&2
    exit 1
fi
echo "$checked source files carry the licence line"
