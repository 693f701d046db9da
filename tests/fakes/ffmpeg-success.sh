#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Acts out a short successful conversion: a progress file, an output file, exit 0. Asked to
# probe its output ("-i FILE"), it reports a complete 100-second movie, the test records' length.
if [ "$#" = 2 ] && [ "$1" = "-i" ]; then
    printf "Input #0, mov,mp4,m4a,3gp,3g2,mj2, from '%s':\n" "$2"
    printf '  Duration: 00:01:40.00, start: 0.000000, bitrate: 100 kb/s\n'
    printf '  Stream #0:0[0x1](und): Video: h264 (High) (avc1 / 0x31637661), yuv420p, 320x240, 25 fps\n'
    printf '  Stream #0:1[0x2](eng): Audio: ac3 (ac-3 / 0x332D6361), 48000 Hz, stereo, fltp, 192 kb/s\n'
    printf 'At least one output file must be specified\n'
    exit 1
fi
progress=""
prev=""
for arg in "$@"; do
    [ "$prev" = "-progress" ] && progress="$arg"
    prev="$arg"
    last="$arg"
done
[ -n "$progress" ] && printf 'out_time_ms=1000000\nprogress=end\n' >> "$progress"
printf 'fake movie' > "$last"
printf 'frame=   25 fps=0.0 q=-1.0 size=       1kB time=00:00:01.00 bitrate=   8.0kbits/s speed=10x    \r'
printf 'done\n'
exit 0
