# SPDX-License-Identifier: GPL-3.0-or-later
# shellcheck shell=bash disable=SC2154 # movies and label are set by the sourcing script
# Shared by bench/remux-benchmark and bench/batch-benchmark (sourced, not run): what a Tavrel job
# costs beyond the ffmpeg conversion it runs. The caller sets `movies` (the sample files) and
# `label`, then calls jobcost_main with Tavrel's path and an optional second binary to compare.
#
# 1. Each binary converts the movies once with wrappers on PATH that log every ffmpeg and
#    mediainfo call: the tool runs per job, and the conversion calls to replay.
# 2. PAIRS rounds (default 5), each timing every binary's batch run and the logged conversion
#    calls replayed with ffmpeg alone in a plain loop, in an order that turns each round. The
#    timed runs see the real tools (a wrapper costs a shell start per call); each starts after a
#    sync and its output goes right after it, so that none pays for another's.
# 3. Medians of wall and CPU time (children included), the ratio to the plain loop, the CPU a job
#    costs beyond ffmpeg's own, and the tool runs per job.

ffmpeg=$(command -v ffmpeg)
pairs=${PAIRS:-5}

jobcost_setup() {
    work=$(mktemp -d)
    if [[ "${KEEP:-0}" == 1 ]]; then echo "keeping $work"; else trap 'rm -rf "$work"' EXIT; fi
    echo "load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
    mkdir -p "$work/bin"
    local tool
    for tool in ffmpeg mediainfo; do
        # %q keeps each call on one line whatever its arguments hold; one write per call, so that
        # the calls of tools running at the same time do not mix.
        cat >"$work/bin/$tool" <<EOF
#!/usr/bin/env bash
line=\$(printf '%q ' $tool "\$@")
printf '%s\n' "\$line" >>"\$JOBCOST_CALLS"
exec $(printf '%q' "$(command -v "$tool")") "\$@"
EOF
        chmod +x "$work/bin/$tool"
    done
}

# Tavrel's batch run of every movie into a fresh folder, in a home of its own (default settings,
# its progress files out of the real home). Extra environment comes first ("VAR=value" words).
tavrel_batch() {
    local name=$1 binary=$2
    shift 2
    rm -rf "$work/out-$name"
    mkdir -p "$work/out-$name" "$work/home-$name"
    env -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u XDG_STATE_HOME -u XDG_CACHE_HOME \
        HOME="$work/home-$name" QT_QPA_PLATFORM=offscreen "$@" \
        "$binary" --batch --output "$work/out-$name" "${movies[@]}" </dev/null >"$work/$name.log" 2>&1 \
        || { cat "$work/$name.log" >&2; exit 1; }
    local made
    made=$(find "$work/out-$name" -name '*.mp4' | wc -l)
    [[ "$made" == "${#movies[@]}" ]] || { echo "$name made $made of ${#movies[@]} files" >&2; exit 1; }
}

# The logged conversion calls (those that write a progress file) with the progress file and the
# output in the replay folder, one per line.
replay_calls() {
    local line n=0
    local -a call
    while IFS= read -r line; do
        eval "call=($line)"
        for i in "${!call[@]}"; do
            [[ "${call[i]}" == -progress ]] && call[i + 1]=$work/replay/$n.progress
        done
        call[${#call[@]} - 1]=$work/replay/$n.mp4
        printf '%q ' "$ffmpeg" "${call[@]:1}"
        printf '\n'
        n=$((n + 1))
    done < <(grep -e ' -progress ' "$1")
}

replay() {
    rm -rf "$work/replay"
    mkdir -p "$work/replay"
    local line
    local -a call
    while IFS= read -r line; do
        eval "call=($line)"
        "${call[@]}" </dev/null >>"$work/replay.log" 2>&1 || { cat "$work/replay.log" >&2; exit 1; }
    done <"$work/replay.calls"
}

# One timed run: wall, user and system seconds appended to "$work/$name.time".
timed() {
    local name=$1
    shift
    sync
    local TIMEFORMAT='%R %U %S'
    { time "$@"; } 2>>"$work/$name.time"
}

median() { sort -n | awk '{ v[NR] = $1 } END { m = int((NR + 1) / 2); printf "%.2f", NR % 2 ? v[m] : (v[m] + v[m + 1]) / 2 }'; }
wall() { cut -d' ' -f1 "$work/$1.time" | median; }
cpu() { awk '{ print $2 + $3 }' "$work/$1.time" | median; }
runs() { grep -c "^$2 " "$work/$1.calls" || true; }

# A conversion call without its own paths, so two binaries' calls compare.
normalised() { sed -E 's/ -progress [^ ]+/ -progress P/; s/ [^ ]+ $/ OUT/' "$1" | grep -e ' -progress '; }

jobcost_main() {
    local -a names=(tavrel) binaries=("$1")
    [[ -n "${2:-}" ]] && names+=(before) binaries+=("$2")
    local jobs=${#movies[@]} i
    for i in "${!names[@]}"; do
        echo "logging the tool calls of ${names[i]} (${binaries[i]}) ..."
        : >"$work/${names[i]}.calls"
        tavrel_batch "${names[i]}" "${binaries[i]}" PATH="$work/bin:$PATH" JOBCOST_CALLS="$work/${names[i]}.calls"
    done
    replay_calls "$work/tavrel.calls" >"$work/replay.calls"
    [[ $(wc -l <"$work/replay.calls") == "$jobs" ]] || { echo "not one conversion call per movie" >&2; exit 1; }
    if [[ ${#names[@]} == 2 ]]; then
        if cmp -s <(normalised "$work/tavrel.calls") <(normalised "$work/before.calls"); then
            echo "conversion calls: the same for both binaries"
        else
            echo "conversion calls: they differ between the binaries:"
            diff <(normalised "$work/before.calls") <(normalised "$work/tavrel.calls") | head -20 || true
        fi
    fi

    local -a order=(ffmpeg "${names[@]}")
    local p k run
    for ((p = 1; p <= pairs; p++)); do
        echo "round $p of $pairs (load average $(cut -d' ' -f1 /proc/loadavg)) ..."
        for ((k = 0; k < ${#order[@]}; k++)); do
            run=${order[(k + p) % ${#order[@]}]}
            # Each run's output goes at once: a run that finds 2 GB of another's in the page cache
            # pays for it (in system time) as it writes its own.
            if [[ $run == ffmpeg ]]; then
                timed ffmpeg replay
                rm -rf "$work/replay"
            else
                for i in "${!names[@]}"; do
                    [[ ${names[i]} == "$run" ]] && timed "$run" tavrel_batch "$run" "${binaries[i]}"
                done
                rm -rf "$work/out-$run"
            fi
        done
    done

    echo
    echo "$label: $jobs job(s), medians of $pairs rounds"
    printf '%-8s %8s %8s %11s %18s %24s\n' run "wall s" "cpu s" "wall ratio" "cpu s/job beyond" "tool runs/job (ff + mi)"
    printf '%-8s %8s %8s %11s\n' ffmpeg "$(wall ffmpeg)" "$(cpu ffmpeg)" 1.000
    for run in "${names[@]}"; do
        awk -v w="$(wall "$run")" -v c="$(cpu "$run")" -v fw="$(wall ffmpeg)" -v fc="$(cpu ffmpeg)" -v j="$jobs" \
            -v f="$(runs "$run" ffmpeg)" -v m="$(runs "$run" mediainfo)" -v n="$run" 'BEGIN {
            printf "%-8s %8.2f %8.2f %11.3f %18.3f %15.2f + %.2f\n", n, w, c, w / fw, (c - fc) / j, f / j, m / j
        }'
    done
    echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
}
