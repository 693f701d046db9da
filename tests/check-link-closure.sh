#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when one of the given programs is linked with Qt Gui or Qt Widgets. The programs are
# linked with --no-as-needed, so their NEEDED entries are their whole link closure, not only
# the libraries they happen to call.
set -euo pipefail
status=0
for program in "$@"; do
    needed=$(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
    # A program without Qt Core here was not read right: that is no pass.
    if ! grep -q '^libQt6Core\.' <<<"$needed"; then
        echo "$program: no libQt6Core among its NEEDED entries" >&2
        status=1
    fi
    if grep -E '^libQt6(Gui|Widgets)\.' <<<"$needed" | sed "s|^|$program links |" >&2; then
        status=1
    fi
done
exit $status
