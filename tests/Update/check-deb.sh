#!/bin/sh
# The .deb as Debian checks it. CPack packs this build's own program (a test build's is as good as a
# release's for the package's metadata, and no second, Release build is needed): the package depends on
# the icon set and the fonts it draws with, keeps the PAM service as a conffile, carries its copyright
# and changelog, and has a description; and lintian, when given, finds no error in it.
# Arguments: the build folder, and lintian's path (optional).
set -eu
build=$1
lintian=${2:-}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
if ! (cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1); then
    cat "$out/cpack.log"
    exit 1
fi
deb=$(ls "$out"/*.deb)
depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/[ (].*//')
for package in bootstrap-icons fonts-dejavu-core fonts-inter fonts-comfortaa fonts-jetbrains-mono \
    fonts-sil-charis fonts-noto-color-emoji gstreamer1.0-plugins-base; do
    if ! printf '%s\n' "$depends" | grep -qx "$package"; then
        echo "the package does not depend on $package: $(dpkg-deb -f "$deb" Depends)"
        exit 1
    fi
done
dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./conffiles | grep -qx /etc/pam.d/vesperlog
dpkg-deb -c "$deb" | grep -q ' \./etc/pam\.d/vesperlog$'
dpkg-deb -c "$deb" | grep -q ' \./usr/share/doc/vesperlog/copyright$'
dpkg-deb -c "$deb" | grep -q ' \./usr/share/doc/vesperlog/changelog\.gz$'
[ "$(dpkg-deb -f "$deb" Description | wc -l)" -gt 1 ]
if [ -n "$lintian" ]; then
    "$lintian" --fail-on error "$deb"
fi
echo "deb package: dependencies, conffile, copyright, changelog and description as expected"
