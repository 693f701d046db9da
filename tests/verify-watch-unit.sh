#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs systemd-analyze verify over the watched folder's user unit and fails on any complaint about
# it (a missing systemd-analyze fails too; scripts/install-deps installs it).
set -uo pipefail
unit=$1
command -v systemd-analyze >/dev/null || { echo "systemd-analyze is not installed" >&2; exit 1; }
# A user manager of its own, without the session's.
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
said=$(XDG_RUNTIME_DIR=$runtime systemd-analyze --user verify "$unit" 2>&1)
status=$?
printf '%s\n' "$said"
if [[ $status -ne 0 ]] || grep -q "$(basename "$unit")" <<<"$said"; then
    echo "FAIL: systemd-analyze complains about $unit" >&2
    exit 1
fi
grep -q '^ExecStart=/.*/tavrel --batch --watch ' "$unit" || { echo "FAIL: no ExecStart running tavrel --watch" >&2; exit 1; }
echo "OK: $unit"
