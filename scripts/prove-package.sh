#!/usr/bin/env bash
# Proves the Debian package on a throwaway minimal Debian 12 root (the cached
# tarball of scripts/prove-fresh-debian.sh: apt, no compiler, no -dev
# package): apt installs it with runtime libraries only, the programs play
# from the home folder with their data from /usr/share/vantrel, frames match
# the build tree's, `man vantrel` renders, and a purge leaves nothing behind.
#
#   scripts/prove-package.sh build-package/vantrel_1.0.0_amd64.deb build-package/run
#
# Needs root. The root is always unmounted and removed, pass or fail.
set -euo pipefail

deb=$(realpath "$1")
run_dir=$(realpath "$2")
cache=${VANTREL_CI_CACHE:-/var/cache/vantrel-ci}
tarball=$cache/bookworm-minimal.tar
name=prove-package
log() { echo "$name: $*"; }
. "$(dirname "$0")/lib/throwaway-root.sh"

[ "$(id -u)" -eq 0 ] || { echo "prove-package: needs root" >&2; exit 1; }
ensure_minimal_tarball "$tarball"
mkdir -p "$cache/debs"
enter_throwaway_root vantrel-package

started=$(date +%s)
# The frames to compare with, rendered from the build tree on this machine.
reference=$root/reference
(cd "$run_dir" && SDL_VIDEODRIVER=offscreen ./vantrel-capture --quiet --at 10,133 --out "$reference")

unpack_minimal_root "$tarball" "$cache/debs"
cp "$deb" "$root/tmp/vantrel.deb"

in_root() {
  chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin bash -euo pipefail -c "$1"
}

log "installing the package"
in_root 'apt-get update -qq && apt-get install -y -qq --no-install-recommends /tmp/vantrel.deb xvfb xauth man-db > /dev/null
  if dpkg-query -W -f="\${Package}\n" | grep -E -e "-dev$" -e "^(gcc|g\+\+|clang|cpp)(-[0-9]+)?$"; then
    echo "a compiler or -dev package came with it" >&2; exit 1; fi'
log "playing from the home folder"
in_root 'cd ~ && SDL_VIDEODRIVER=offscreen vantrel-capture --quiet --at 10,133 --out shots
  for p in vantrel vantrel-capture vantrel-shaderc; do ! ldd /usr/bin/$p | grep "not found"; done
  SDL_AUDIODRIVER=dummy xvfb-run -a -s "-screen 0 1024x768x24" vantrel --windowed --from 100 --to 101 2> /tmp/stderr
  if [ -s /tmp/stderr ]; then cat /tmp/stderr >&2; exit 1; fi
  man vantrel | grep -q "\-\-windowed"'
for frame in frame_000000.png frame_000001.png; do
  cmp "$reference/$frame" "$root/root/shots/$frame"
done
log "purging"
in_root 'apt-get purge -y -qq vantrel > /dev/null
  if [ -e /usr/share/vantrel ] || [ -e /usr/bin/vantrel ]; then echo "purge left files behind" >&2; exit 1; fi'
log "passed in $(( $(date +%s) - started )) s"
