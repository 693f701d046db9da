#!/bin/sh
# Acts out a short successful conversion: a progress file, an output file, exit 0.
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
