#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the manual page as man shows it and fails on any warning, and checks that every option
# `tavrel --batch --help` names is described in it, so the page cannot fall behind the program.
# Usage: check-manpage.sh <tavrel.1 or tavrel.1.gz> <tavrel program>
set -euo pipefail
page=$1
tavrel=$2
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
[[ -s $page ]] || fail "no manual page at $page"

warnings=$(MANWIDTH=80 LC_ALL=C.UTF-8 man --warnings -l "$page" 2>&1 >/dev/null) || fail "man failed: $warnings"
[[ -z $warnings ]] || fail "man warns:"$'\n'"$warnings"

# The page's source with roff's escaped hyphens plain.
source=$(zcat -f "$page" | sed 's/\\-/-/g')
options=$("$tavrel" --batch --help | grep -oE -- '--[a-z][a-z0-9-]*' | sort -u)
[[ -n $options ]] || fail "tavrel --batch --help names no option"
missing=()
for option in $options; do
    grep -qE -- "(^|[^a-z-])$option([^a-z-]|$)" <<<"$source" || missing+=("$option")
done
[[ ${#missing[@]} -eq 0 ]] || fail "the manual page lacks ${missing[*]}"
echo "manual page renders cleanly and names: $(echo $options)"
