#!/usr/bin/env bash
# Proves the release archive on a throwaway minimal Debian 12 root (the cached
# tarball of scripts/prove-fresh-debian.sh) that holds only what a plain
# desktop has: the GL driver and EGL, ALSA and the PulseAudio client, the X11
# and Wayland client libraries and GTK 3 standing in for the desktop's
# toolkit, no compiler and no -dev package. Unpacked in ~/Downloads, the
# programs must start from the home folder with every library resolved, and
# the capture tool's frame must match the release tree's.
#
#   scripts/prove-release.sh build-release/vantrel-1.0.0-linux-x86_64.tar.xz build-release/run
#
# Needs root. The root is always unmounted and removed, pass or fail.
set -euo pipefail

archive=$(realpath "$1")
run_dir=$(realpath "$2")
cache=${VANTREL_CI_CACHE:-/var/cache/vantrel-ci}
tarball=$cache/bookworm-minimal.tar
name=prove-release
log() { echo "$name: $*"; }
. "$(dirname "$0")/lib/throwaway-root.sh"

desktop_packages=(
  libgl1 libopengl0 libgl1-mesa-dri libegl1 libgbm1 libasound2 libpulse0 libgtk-3-0 libxml2
  libx11-6 libxext6 libxcursor1 libxi6 libxfixes3 libxrandr2 libxss1 libxkbcommon0
  libwayland-client0 libwayland-cursor0 libwayland-egl1
)

[ "$(id -u)" -eq 0 ] || { echo "prove-release: needs root" >&2; exit 1; }
ensure_minimal_tarball "$tarball"
mkdir -p "$cache/debs"
enter_throwaway_root vantrel-release

started=$(date +%s)
reference=$root/reference
(cd "$run_dir" && SDL_VIDEODRIVER=offscreen ./vantrel-capture --quiet --at 80 --out "$reference")

unpack_minimal_root "$tarball" "$cache/debs"
mkdir -p "$root/root/Downloads"
tar -xf "$archive" -C "$root/root/Downloads"
folder=/root/Downloads/$(basename "$archive" -linux-x86_64.tar.xz)

log "installing a plain desktop's libraries"
in_minimal_root "apt-get update -qq && apt-get install -y -qq --no-install-recommends ${desktop_packages[*]} > /dev/null
  if dpkg-query -W -f='\${Package}\n' | grep -E -e '-dev$' -e '^(gcc|g\+\+|clang|cpp)(-[0-9]+)?$'; then
    echo 'a compiler or -dev package came with them' >&2; exit 1; fi"
log "playing from the home folder"
in_minimal_root "cd ~ && for f in $folder/vantrel $folder/vantrel-capture $folder/vantrel-shaderc $folder/lib/*; do
    if ldd \$f | grep 'not found'; then echo \"\$f: libraries not found\" >&2; exit 1; fi; done
  $folder/vantrel --version | grep -q '^vantrel '
  SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy $folder/vantrel-capture --quiet --at 80 --out x"
cmp "$reference/frame_000000.png" "$root/root/x/frame_000000.png"
log "passed in $(($(date +%s) - started)) s"
