#!/bin/sh
# The installed layout: `cmake --install` into a folder ending in ".app" makes a bundle with an
# executable program and bundle.json; a system prefix gets no bundle.json.
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
cmake --install "$build" --prefix "$out/usr" >/dev/null
test -x "$out/usr/bin/vesperlog"
test ! -e "$out/usr/bundle.json"
echo "install layout: bundle and system prefix as expected"
