#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Times the reference-frame reading of a scan on a large movie: mediainfo parsing the whole
# file against the stream headers only (--ParseSpeed=0), and checks both give the same count.
#   bench/mediainfo-scan.sh [MOVIE] [RUNS]
# Without MOVIE it makes a 2 GB Matroska file (1080p H.264 with 4 reference frames, AC3 sound)
# in a temporary folder by repeating a short encoded clip.
set -euo pipefail
movie=${1:-}
runs=${2:-10}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [[ -z "$movie" ]]; then
    ffmpeg -hide_banner -loglevel error -f lavfi -i testsrc2=size=1920x1080:rate=24 \
        -f lavfi -i sine=frequency=440:sample_rate=48000 -t 20 -c:v libx264 -preset ultrafast \
        -x264-params ref=4 -b:v 40M -c:a ac3 "$work/clip.mkv"
    ffmpeg -hide_banner -loglevel error -stream_loop -1 -i "$work/clip.mkv" -c copy -fs 2000M "$work/large.mkv"
    movie="$work/large.mkv"
fi
echo "movie: $movie ($(du -h "$movie" | cut -f1))"

count() { grep -o '<Format_Settings_RefFrames>[0-9]*' | head -1 | cut -d'>' -f2; }
full_count=$(mediainfo --Output=XML "$movie" | count)
quick_count=$(mediainfo --ParseSpeed=0 --Output=XML "$movie" | count)
echo "reference frames: full parse $full_count, headers only $quick_count"
[[ "$full_count" == "$quick_count" ]] || { echo "the counts differ" >&2; exit 1; }

# Mean wall time of RUNS runs, after one run that fills the page cache.
mean() {
    "$@" >/dev/null
    local start end
    start=$(date +%s.%N)
    for ((i = 0; i < runs; i++)); do "$@" >/dev/null; done
    end=$(date +%s.%N)
    awk -v s="$start" -v e="$end" -v n="$runs" 'BEGIN { printf "%.4f", (e - s) / n }'
}
ratio() { awk -v f="$1" -v q="$2" 'BEGIN { printf "%.1f", f / q }'; }
full=$(mean mediainfo --Output=XML "$movie")
quick=$(mean mediainfo --ParseSpeed=0 --Output=XML "$movie")
echo "mediainfo, full parse:   ${full} s"
echo "mediainfo, headers only: ${quick} s   ratio $(ratio "$full" "$quick")x"

# The whole scan of a movie: the probe, then the mediainfo run (ffmpeg -i exits 1 by design).
scan() { ffmpeg -hide_banner -i "$movie" >/dev/null 2>&1 || true; mediainfo "$@" --Output=XML "$movie"; }
scan_full=$(mean scan)
scan_quick=$(mean scan --ParseSpeed=0)
echo "scan before:             ${scan_full} s"
echo "scan after:              ${scan_quick} s   ratio $(ratio "$scan_full" "$scan_quick")x"
