#!/usr/bin/env bash
# The game as a user gets it: installed into a scratch prefix, its launcher and metadata checked by
# the desktop's validators, and one stage played headless by the installed program from a folder
# that holds no game data; then the Debian package built from the same tree, unpacked into a
# scratch root, and a stage played from there.
#   install_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
app=net.kvorn.MiroVale

cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
share=$scratch/prefix/share
desktop-file-validate "$share/applications/$app.desktop"
appstreamcli validate --no-net "$share/metainfo/$app.metainfo.xml" >/dev/null
for size in 16 22 24 32 48 64 128 256 512; do
  test -s "$share/icons/hicolor/${size}x${size}/apps/$app.png"
done
test -s "$share/icons/hicolor/scalable/apps/$app.svg"
test -s "$share/mirovale/main.pak"
test -s "$share/doc/mirovale/LICENSE"
# The manual page formats without a warning.
test -z "$(groff -man -Tutf8 -ww -z "$share/man/man6/mirovale.6" 2>&1)"

# The program is stripped, with its debug information apart under lib/debug by build id.
stripped() { ! readelf -S "$1" | grep -q '\.debug_info'; }
stripped "$scratch/prefix/bin/mirovale" || { echo "the installed program is not stripped"; exit 1; }
build_id=$(readelf -n "$scratch/prefix/bin/mirovale" | sed -n 's/.*Build ID: //p')
readelf -S "$scratch/prefix/lib/debug/.build-id/${build_id:0:2}/${build_id:2}.debug" | grep -q '\.debug_info'

# Played from elsewhere: the program finds its data from its own folder.
cd "$scratch"
result=$("$scratch/prefix/bin/mirovale" -headless -play=story:1:1 -seed=3 -onestage -datadir="$scratch/data")
grep -q '^stage result: ' <<<"$result"
version=$("$scratch/prefix/bin/mirovale" --version)
test "$version" = "MiroVale $(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"

# The Debian package: what it depends on, and a stage played from its unpacked tree.
(cd "$build" && cpack -G DEB -B "$scratch/package" >/dev/null 2>&1) || { echo "cpack failed"; exit 1; }
deb=$(ls "$scratch"/package/*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for library in libsdl2 libpng libjpeg libvorbisfile libopenjp2; do
  grep -q "$library" <<<"$depends" || { echo "the package does not depend on $library: $depends"; exit 1; }
done
dpkg-deb -c "$deb" >"$scratch/files.txt"
grep -q "usr/share/applications/$app.desktop" "$scratch/files.txt"
dpkg-deb -x "$deb" "$scratch/root"
stripped "$scratch/root/usr/bin/mirovale" || { echo "the packaged program is not stripped"; exit 1; }
test -s "$scratch/root/usr/lib/debug/.build-id/${build_id:0:2}/${build_id:2}.debug"
result=$("$scratch/root/usr/bin/mirovale" -headless -play=story:2:1 -seed=4 -onestage -datadir="$scratch/data2")
grep -q '^stage result: ' <<<"$result"
echo "install_test: installed tree and Debian package both play"
