#!/usr/bin/env bash
# Installs the Debian packages Vesperlog needs, by group: `install-deps.sh run test` installs what building
# and running the app needs plus what the tests need. Groups: run, test, fuzz, package, bench; none given
# means all of them. Only what is missing is installed; apt-get runs through sudo when we are not root.
set -euo pipefail

# Building the app and what it opens or draws with at run time.
run_packages=(
    # toolchain
    build-essential cmake ninja-build pkg-config ccache
    # Qt
    qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-positioning-dev qt6-svg-dev libxkbcommon-dev
    # Qt's platform input context, to compile the keyboard's compose table before the first key is typed
    qt6-base-private-dev
    # libraries
    libsimdjson-dev libicu-dev libpam0g-dev libpocketsphinx-dev pocketsphinx-en-us
    # media runtime (GStreamer backend of Qt Multimedia)
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
    # GStreamer itself, to load the recording and playback plugins off the GUI thread before first use
    libgstreamer1.0-dev
    # photo decoders beyond Qt's own (WebP, TIFF and more) for the image views and the picker's filter
    qt6-image-formats-plugins
    # fonts and icons
    fonts-dejavu-core fonts-inter fonts-comfortaa fonts-jetbrains-mono fonts-sil-charis
    fonts-noto-color-emoji fonts-wqy-microhei bootstrap-icons
    # place and weather for new entries: GeoClue through Qt Positioning, place names from geonames
    geoclue-2.0 libqt6positioning6-plugins libgeonames-dev
    # self-updater: unpacking release archives
    libarchive-dev
)

# What the test suite runs besides the app: a private session bus and sound server, RTF and speech
# fixtures, and the validators of the desktop entry, the metainfo and the .deb (built by CPack, which
# reads library dependencies with dpkg-shlibdeps and finds programs with file).
test_packages=(
    dbus libreoffice-writer-nogui espeak-ng sox
    pulseaudio pulseaudio-utils
    # a display the session-end test can take away
    xvfb xauth
    # the accessibility bus the lock's test of accessibility events runs against (with its xvfb run)
    at-spi2-core
    desktop-file-utils appstream lintian dpkg-dev file
    # real recorded speech with reference transcripts (the transcriber's test, the word-error-rate bench)
    pocketsphinx-testdata
    # the layout check CI runs before building
    clang-format-14
)

# libFuzzer and its sanitizers come with clang.
fuzz_packages=(
    clang-14 libclang-rt-14-dev
)

# The release archive and the .deb.
package_packages=(
    zip dpkg-dev file lintian
)

# Google Benchmark, and a display with a window manager for the screenshot programs.
bench_packages=(
    libbenchmark-dev
    xvfb xauth openbox dbus dbus-x11
)

groups=("$@")
if ((${#groups[@]} == 0)); then
    groups=(run test fuzz package bench)
fi
packages=()
for group in "${groups[@]}"; do
    case $group in
    run) packages+=("${run_packages[@]}") ;;
    test) packages+=("${test_packages[@]}") ;;
    fuzz) packages+=("${fuzz_packages[@]}") ;;
    package) packages+=("${package_packages[@]}") ;;
    bench) packages+=("${bench_packages[@]}") ;;
    *)
        echo "Vesperlog: installing packages failed — unknown group \"$group\" (run, test, fuzz, package, bench)" >&2
        exit 2
        ;;
    esac
done

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" || " ${missing[*]} " == *" $p "* ]] || missing+=("$p")
done

sudo=()
if [[ $(id -u) -ne 0 ]]; then
    sudo=(sudo)
fi
can_sudo() { ((${#sudo[@]} == 0)) || command -v sudo >/dev/null 2>&1; }
# Root, or sudo rights that need no password now: an optional step never stops to ask for one.
quiet_root=()
if ((${#sudo[@]} > 0)); then
    quiet_root=(sudo -n)
fi
can_sudo_quietly() { ((${#sudo[@]} == 0)) || { command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; }; }

install_pam_service() {
    # The lock screen's PAM service "vesperlog" (the system's common authentication); an existing
    # file, perhaps edited by the administrator, is left alone. Optional: without it PAM uses the
    # system's "other" stack, so a user who may not write /etc still builds and runs.
    local target=/etc/pam.d/vesperlog
    [[ -e "$target" || ! -d /etc/pam.d ]] && return 0
    local here
    here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
    if ! can_sudo_quietly || ! "${quiet_root[@]}" install -m 644 "$here/../src/Platform/pam/vesperlog" "$target" \
        2>/dev/null; then
        echo "Vesperlog: skipped $target (optional: the lock screen then uses PAM's \"other\" stack); as root: make deps"
    fi
}

if ((${#missing[@]} == 0)); then
    install_pam_service
    exit 0
fi

as_root="as root, in $(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd), run: make deps DEPS=\"${groups[*]}\""
if ! can_sudo; then
    echo "Vesperlog: installing packages failed — sudo is not installed; $as_root" >&2
    exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
if ! "${sudo[@]}" apt-get update -q || ! "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"; then
    echo "Vesperlog: installing packages failed — apt-get did not finish; $as_root" >&2
    exit 1
fi
install_pam_service
