#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Acts out a conversion that runs out of disk space.
printf 'frame=   10 fps=0.0 q=-1.0 size=     256kB time=00:00:00.40 bitrate=5242.9kbits/s speed=0.8x    \r'
printf 'av_interleaved_write_frame(): No space left on device\n'
printf 'Error writing trailer of out.mp4: No space left on device\n'
exit 1
