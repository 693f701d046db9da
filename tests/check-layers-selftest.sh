#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# scripts/check-layers on a small planted tree: it must name every upward include and pass the
# allowed ones.
set -euo pipefail
check=$1
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
plant() { mkdir -p "$tree/src/$(dirname "$1")"; printf '#include "%s"\n' "${@:2}" >"$tree/src/$1"; }
plant support/a.cpp platform/api/services.h support/strings.h
plant inspection/b.cpp support/format.h
plant app/c.cpp platform/api/panels.h conversion/statusline.h
plant ui/d.cpp batch/batchrun.h platform/dbusnotifier.h
plant support/e.cpp app/settings.h
plant conversion/f.cpp ui/mainwindow.h
plant app/g.cpp platform/dbusnotifier.h
plant platform/h.cpp batch/demomode.h
plant batch/i.cpp ui/images.h

if out=$("$check" "$tree" 2>&1); then
    echo "check-layers passed a tree with upward includes" >&2
    exit 1
fi
expected="src/support/e.cpp:1 src/conversion/f.cpp:1 src/app/g.cpp:1 src/platform/h.cpp:1 src/batch/i.cpp:1"
for hit in $expected; do
    grep -q "^$hit: " <<<"$out" || { echo "not reported: $hit"$'\n'"$out" >&2; exit 1; }
done
[[ $(wc -l <<<"$out") -eq 5 ]] || { echo "reported more than the planted faults:"$'\n'"$out" >&2; exit 1; }
