#!/bin/sh
# The installed layout: `cmake --install` into a folder ending in ".app" makes a bundle with an
# executable program, bundle.json and its own icon set; a system prefix gets neither of the last two.
set -eu
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
app=$out/Vesperlog.app
cmake --install "$build" --prefix "$app" >/dev/null
[ "$(stat -c %a "$app/bin/vesperlog")" = 755 ]
grep -q '"identifier": "app.vesperlog.Vesperlog"' "$app/bundle.json"
grep -q '"executable": "bin/vesperlog"' "$app/bundle.json"
test -f "$app/share/applications/vesperlog.desktop"
test -f "$app/share/metainfo/app.vesperlog.Vesperlog.metainfo.xml"
test -f "$app/share/icons/hicolor/scalable/apps/vesperlog.svg"
# A bundle carries the symbols it draws with, and their licence.
test -f "$app/share/bootstrap-icons/svg/star-fill.svg"
test -f "$app/share/doc/bootstrap-icons/copyright"
cmake --install "$build" --prefix "$out/usr" >/dev/null
test -x "$out/usr/bin/vesperlog"
test ! -e "$out/usr/bundle.json"
test ! -e "$out/usr/share/bootstrap-icons"
echo "install layout: bundle and system prefix as expected"
