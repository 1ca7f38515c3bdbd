#!/usr/bin/env bash
# Installs the Debian packages Vesperlog needs to build, test and run.
# Only what is missing is installed; apt-get runs through sudo when we are not root.
set -euo pipefail

packages=(
    # toolchain
    build-essential cmake ninja-build pkg-config ccache clang-14 libclang-rt-14-dev
    # Qt
    qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-positioning-dev qt6-svg-dev libxkbcommon-dev
    # libraries
    libsimdjson-dev libicu-dev libpam0g-dev libpocketsphinx-dev pocketsphinx-en-us
    libbenchmark-dev libgtest-dev
    # media runtime (GStreamer backend of Qt Multimedia)
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
    # test: real recorded speech with reference transcripts for the word-error-rate benchmark
    pocketsphinx-testdata
    # GStreamer itself, to load the recording and playback plugins off the GUI thread before first use
    libgstreamer1.0-dev
    # photo decoders beyond Qt's own (WebP, TIFF and more) for the image views and the picker's filter
    qt6-image-formats-plugins
    # fonts and icons
    fonts-dejavu-core fonts-inter fonts-comfortaa fonts-jetbrains-mono fonts-sil-charis
    fonts-noto-color-emoji fonts-wqy-microhei bootstrap-icons
    # headless runs, D-Bus and test tools
    xvfb xauth openbox dbus dbus-x11 libreoffice-writer-nogui espeak-ng sox
    desktop-file-utils
    # place and weather for new entries: GeoClue through Qt Positioning, place names from geonames
    geoclue-2.0 libqt6positioning6-plugins libgeonames-dev
    # a private sound server with a virtual microphone for the voice-note tests
    pulseaudio pulseaudio-utils
    # self-updater: unpacking release archives, building them, validating the metainfo
    libarchive-dev zip appstream
)

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

install_pam_service() {
    # The lock screen's PAM service "vesperlog" (the system's common authentication); an existing
    # file, perhaps edited by the administrator, is left alone.
    local target=/etc/pam.d/vesperlog
    [[ -e "$target" || ! -d /etc/pam.d ]] && return 0
    local here
    here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
    "${sudo[@]}" install -m 644 "$here/../src/Platform/pam/vesperlog" "$target"
}

sudo=()
if [[ $(id -u) -ne 0 ]]; then
    sudo=(sudo)
fi

if ((${#missing[@]} == 0)); then
    install_pam_service
    exit 0
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
install_pam_service
