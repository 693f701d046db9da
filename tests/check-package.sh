#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from the build folder into a temporary folder and checks it as a user
# meets it: its files and fields, its licence, lintian (no error or warning), apt's resolution of
# its dependencies, and a conversion with the unpacked program, which finds its resources next to
# itself.
# Usage: check-package.sh <build folder>
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    fail "cpack -G DEB failed"
fi
version=$("$build/tavrel" --version | head -n 1 | cut -d ' ' -f 2)
arch=$(dpkg --print-architecture)
deb=$work/out/tavrel_${version}_${arch}.deb
[[ -f $deb ]] || fail "no $(basename "$deb") among: $(ls "$work/out")"

# The install layout below /usr.
dpkg-deb -c "$deb" >"$work/contents"
for path in ./usr/bin/tavrel ./usr/share/applications/org.ossory.Tavrel.desktop \
    ./usr/share/metainfo/org.ossory.Tavrel.metainfo.xml ./usr/share/icons/hicolor/scalable/apps/org.ossory.Tavrel.svg \
    "./usr/share/tavrel/Read Me.md" ./usr/share/man/man1/tavrel.1.gz ./usr/share/bash-completion/completions/tavrel \
    ./usr/share/doc/tavrel/copyright ./usr/share/doc/tavrel/changelog.gz ./usr/lib/systemd/user/tavrel-watch.service \
    ./usr/share/doc/tavrel/tavrel-watch.conf; do
    grep -qF " $path" "$work/contents" || fail "the package lacks $path"
done
if grep -vE ' \./usr/' "$work/contents" | grep -vE ' \./$' | grep -q .; then
    fail "files outside /usr: $(grep -vE ' \./usr/' "$work/contents")"
fi

# The control fields.
field() { dpkg-deb -f "$deb" "$1"; }
[[ $(field Package) == tavrel ]] || fail "Package: $(field Package)"
[[ $(field Version) == "$version" ]] || fail "Version: $(field Version), the program says $version"
[[ $(field Architecture) == "$arch" ]] || fail "Architecture: $(field Architecture)"
depends=$(field Depends)
for want in 'libqt6core6' 'ffmpeg' 'mediainfo'; do
    grep -qE "(^|, )$want([ ,]|$)" <<<"$depends" || fail "Depends lacks $want: $depends"
done
[[ $(field Maintainer) =~ ^[^\<]+\ \<[^@\>]+@[^\>]+\>$ ]] || fail "Maintainer: $(field Maintainer)"
description=$(field Description)
[[ $(head -n 1 <<<"$description") == "$(grep -o '<summary>[^<]*' "$build/resources/org.ossory.Tavrel.metainfo.xml" | cut -c 10-)" ]] ||
    fail "the short description is not the metainfo's summary: $description"
[[ $(wc -l <<<"$description") -ge 3 ]] || fail "no long description: $description"
grep -qE '(^|, )minidlna([ ,]|$)' <<<"$(field Suggests)" || fail "Suggests lacks minidlna: $(field Suggests)"

# lintian: an error or a warning fails.
lintian --tag-display-limit 0 "$deb" >"$work/lintian" 2>&1 || true
cat "$work/lintian"
if grep -qE '^[EW]:' "$work/lintian"; then
    fail "lintian reports errors or warnings"
fi

# apt resolves the dependencies from the configured archives.
if ! (cd "$work/out" && apt-get install --simulate "./$(basename "$deb")") >"$work/apt" 2>&1; then
    cat "$work/apt" >&2
    fail "apt-get cannot resolve the package's dependencies"
fi

# The unpacked program converts a movie in batch mode, with its resources found next to it.
root=$work/root
dpkg-deb -x "$deb" "$root"
home=$work/home
mkdir -p "$home" "$work/movies" "$work/converted"
run() {
    env -i PATH="$PATH" HOME="$home" LANG=C.UTF-8 DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent "$@"
}
run "$root/usr/bin/tavrel" --version >"$work/version"
# The licence, in the machine-readable form lintian and license scanners read.
copyright=$root/usr/share/doc/tavrel/copyright
grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' "$copyright" &&
    grep -qx 'License: GPL-3+' "$copyright" || fail "the copyright file names no GPL-3+: $(cat "$copyright")"
grep -qF '<project_license>GPL-3.0-or-later</project_license>' "$root/usr/share/metainfo/org.ossory.Tavrel.metainfo.xml" ||
    fail "the metainfo names no project licence"
grep -q '^ExecStart=/usr/bin/tavrel --batch --watch ' "$root/usr/lib/systemd/user/tavrel-watch.service" ||
    fail "the watched folder's service does not start /usr/bin/tavrel"
grep -qxF "Resources: $root/usr/share/tavrel" "$work/version" ||
    fail "the unpacked program looks for its resources elsewhere: $(cat "$work/version")"
ffmpeg -hide_banner -loglevel error -y -f lavfi -i testsrc=size=320x240:rate=25 \
    -f lavfi -i sine=frequency=440:sample_rate=48000 -t 2 -c:v libx264 -preset ultrafast -pix_fmt yuv420p \
    -c:a aac "$work/movies/movie.mkv"
status=0
run "$root/usr/bin/tavrel" --batch --output "$work/converted" "$work/movies/movie.mkv" >"$work/batch" 2>&1 || status=$?
[[ $status -eq 0 ]] || fail "the batch exited with $status: $(cat "$work/batch")"
[[ -s $work/converted/movie.mp4 ]] || fail "no movie.mp4: $(cat "$work/batch")"
echo "package $(basename "$deb") checked"
