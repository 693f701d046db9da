#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Validates the desktop entry and the metainfo file as desktops and software centres read them,
# and checks that every screenshot the metainfo names is in docs/screenshots.
# Usage: validate-desktop-files.sh <source folder> <application id>
set -eu
top=$1
id=$2
desktop-file-validate "$top/resources/$id.desktop"
appstreamcli validate --no-net "$top/resources/$id.metainfo.xml"
grep -o '<image>[^<]*</image>' "$top/resources/$id.metainfo.xml" | sed 's|</image>||; s|.*/||' |
while read -r shot; do
    if [ ! -f "$top/docs/screenshots/$shot" ]; then
        echo "metainfo names $shot, which is not in docs/screenshots" >&2
        exit 1
    fi
done
echo "desktop entry and metainfo are valid"
