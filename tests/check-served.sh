#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Serves a batch's output folder with the real minidlnad, as the README shows, and finds the
# converted movie through the server's ContentDirectory the way the console browses it: the MP4
# is listed and its bytes are served, and the hidden partial file is never listed, neither while
# ffmpeg has finished writing it nor later. The server runs as the current user on a private
# configuration, database, log folder and port, on the loopback interface only.
# Usage: check-served.sh <tavrel program>
set -euo pipefail
tavrel=$1
work=$(mktemp -d)
server=
batch=
cleanup() {
    # The held conversion goes on, so that no stand-in outlives the test.
    touch "$work/go"
    if [[ -n $batch ]]; then
        kill "$batch" 2>/dev/null || true
        wait "$batch" 2>/dev/null || true
    fi
    if [[ -n $server ]]; then
        kill "$server" 2>/dev/null || true
        wait "$server" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    [[ -f $work/log/minidlna.log ]] && sed 's/^/minidlna: /' "$work/log/minidlna.log" >&2
    exit 1
}
for tool in minidlnad curl ffmpeg; do
    command -v "$tool" >/dev/null || fail "$tool is missing: run scripts/install-deps"
done

# Runs "$@" every 0.2 s until it succeeds or `seconds` have passed.
wait_for() {
    local seconds=$1
    shift
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.2
    done
}

out=$work/out
mkdir -p "$out" "$work/movies" "$work/db" "$work/log" "$work/home" "$work/bin"
ffmpeg -hide_banner -loglevel error -y -f lavfi -i testsrc=size=320x240:rate=25 \
    -f lavfi -i sine=frequency=440:sample_rate=48000 -t 2 -c:v libx264 -preset ultrafast -pix_fmt yuv420p \
    -c:a aac "$work/movies/movie.mkv"
ffmpeg -hide_banner -loglevel error -y -f lavfi -i testsrc=size=160x120:rate=25 -t 1 -c:v libx264 \
    -preset ultrafast -pix_fmt yuv420p "$work/sentinel.mp4"

# The server. A port taken by another program makes minidlnad exit: the next one is tried.
name="tavrel-test-$$-$RANDOM"
started=0
for attempt in 1 2 3 4 5; do
    port=$((40000 + RANDOM % 20000))
    cat >"$work/minidlna.conf" <<EOF
media_dir=V,$out
db_dir=$work/db
log_dir=$work/log
port=$port
network_interface=lo
friendly_name=$name
inotify=yes
log_level=general,artwork,database,scanner,metadata,http,ssdp,tivo=warn,inotify=info
EOF
    minidlnad -S -f "$work/minidlna.conf" -P "$work/minidlna.pid" >"$work/server.out" 2>&1 &
    server=$!
    answers() { curl -sf "http://127.0.0.1:$port/rootDesc.xml" | grep -qF "<friendlyName>$name</friendlyName>"; }
    gone() { ! kill -0 "$server" 2>/dev/null; }
    if wait_for 30 eval 'answers || gone' && answers; then
        started=1
        break
    fi
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
    server=
done
((started)) || fail "minidlnad did not answer: $(cat "$work/server.out")"
# The server watches the folder only a while after its first scan: a file made before then is
# never listed.
watching() { grep -qF "Added watch to $out " "$work/log/minidlna.log" 2>/dev/null; }
wait_for 60 watching || fail "minidlnad never watched $out"

# One Browse of BrowseDirectChildren, the DIDL-Lite result unescaped, one object a line.
browse() {
    curl -sf -H 'Content-Type: text/xml; charset="utf-8"' \
        -H 'SOAPAction: "urn:schemas-upnp-org:service:ContentDirectory:1#Browse"' \
        -H 'X-AV-Client-Info: av=5.0; cn="Sony Computer Entertainment Inc."; mn="PLAYSTATION 3"; mv="1.0";' \
        --data "<?xml version=\"1.0\"?>
<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\" s:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">
<s:Body><u:Browse xmlns:u=\"urn:schemas-upnp-org:service:ContentDirectory:1\"><ObjectID>$1</ObjectID>
<BrowseFlag>BrowseDirectChildren</BrowseFlag><Filter>*</Filter><StartingIndex>0</StartingIndex>
<RequestedCount>0</RequestedCount><SortCriteria></SortCriteria></u:Browse></s:Body></s:Envelope>" \
        "http://127.0.0.1:$port/ctl/ContentDir" |
        tr -d '\n' | grep -o '<Result>.*</Result>' |
        sed 's/&lt;/</g; s/&gt;/>/g; s/&quot;/"/g; s/&apos;/'"'"'/g; s/&amp;/\&/g' |
        sed 's#</container>#&\n#g; s#</item>#&\n#g'
}
# Every item below ObjectID 0 as "title<TAB>resource URL", into $work/listing. Fails when a
# hidden (partial) file is among them.
container_re='<container id="([^"]+)"' item_re='<item ' title_re='<dc:title>([^<]*)' res_re='<res [^>]*>([^<]*)'
list_all() {
    local queue=(0) seen=" " id line title url
    : >"$work/listing"
    while ((${#queue[@]})); do
        id=${queue[0]}
        queue=("${queue[@]:1}")
        [[ $seen == *" $id "* ]] && continue
        seen+="$id "
        while IFS= read -r line; do
            if [[ $line =~ $container_re ]]; then
                queue+=("${BASH_REMATCH[1]}")
            elif [[ $line =~ $item_re ]]; then
                [[ $line =~ $title_re ]] && title=${BASH_REMATCH[1]} || title=
                [[ $line =~ $res_re ]] && url=${BASH_REMATCH[1]} || url=
                printf '%s\t%s\n' "$title" "$url" >>"$work/listing"
            fi
        done < <(browse "$id" || true)
    done
    if grep -qE '^\.|partial' "$work/listing"; then
        fail "a hidden partial file is served: $(cat "$work/listing")"
    fi
}
listed() {
    list_all
    grep -q "^$1"$'\t' "$work/listing"
}

# A conversion that stops once ffmpeg has written and closed the partial file, until told to go
# on: meanwhile the server sees the partial file's events, then the sentinel's.
real=$(command -v ffmpeg)
cat >"$work/bin/ffmpeg" <<EOF
#!/bin/sh
case " \$* " in *" -progress "*) ;; *) exec '$real' "\$@" ;; esac
for a in "\$@"; do dest=\$a; done
'$real' "\$@" || exit
printf '%s\n' "\$dest" >'$work/partial'
i=0
while [ ! -e '$work/go' ] && [ \$i -lt 1200 ]; do sleep 0.1; i=\$((i + 1)); done
EOF
chmod +x "$work/bin/ffmpeg"

env -i PATH="$work/bin:$PATH" HOME="$work/home" LANG=C.UTF-8 DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent \
    "$tavrel" --batch --output "$out" "$work/movies/movie.mkv" >"$work/batch.log" 2>&1 &
batch=$!
wait_for 120 test -s "$work/partial" || fail "ffmpeg never finished the partial file: $(cat "$work/batch.log")"
partial=$(cat "$work/partial")
[[ $(dirname "$partial") == "$out" && $(basename "$partial") == .tavrel-*.partial.mp4 && -s $partial ]] ||
    fail "the conversion writes $partial, not a hidden partial file in $out"

# The server handles a folder's changes in order: once the sentinel copied in after the finished
# partial file is listed, the partial file has been seen and left out.
cp "$work/sentinel.mp4" "$out/sentinel.mp4"
wait_for 60 listed sentinel || fail "the server never listed sentinel.mp4: $(cat "$work/listing")"
echo "while converting: $(ls -A "$out" | tr '\n' ' '); listed: $(cut -f 1 "$work/listing" | sort -u | tr '\n' ' ')"

touch "$work/go"
status=0
wait "$batch" || status=$?
batch=
[[ $status -eq 0 ]] || fail "the batch exited with $status: $(cat "$work/batch.log")"
[[ -s $out/movie.mp4 && ! -e $partial ]] || fail "no movie.mp4, or the partial file stayed: $(ls -A "$out")"

wait_for 60 listed movie || fail "the server never listed movie.mp4: $(cat "$work/listing")"
url=$(grep $'^movie\t' "$work/listing" | head -n 1 | cut -f 2)
[[ $url == http://*.mp4 ]] || fail "movie is served as $url"
curl -sf -o "$work/served.mp4" "$url" || fail "the server does not serve $url"
cmp -s "$work/served.mp4" "$out/movie.mp4" || fail "the server serves other bytes than movie.mp4"
echo "served by minidlnad on port $port: $(sort -u "$work/listing" | tr '\t\n' '  ')"
