#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Acts out a long conversion: the output file exists at once, a progress line every 0.1 s for
# about a minute, then exit 0.
progress=""
prev=""
for arg in "$@"; do
    [ "$prev" = "-progress" ] && progress="$arg"
    prev="$arg"
    last="$arg"
done
printf 'partial' > "$last"
i=1
while [ $i -le 600 ]; do
    [ -n "$progress" ] && printf 'out_time_ms=%d000000\nprogress=continue\n' "$i" >> "$progress"
    printf 'frame=%5d fps=25 q=-1.0 size=  1kB time=00:00:01.00 bitrate=   8.0kbits/s speed=1x    \r' "$i"
    sleep 0.1
    i=$((i + 1))
done
exit 0
