# shellcheck shell=bash source-path=SCRIPTDIR
# What the proofs of the release archive and of the Debian package share:
# the set-up (root, the cache of tarballs and downloaded packages), the
# reference frames from the build tree, the checks a viewer's first minute
# makes from the home folder, and the comparison of the frames.
#
#   set -euo pipefail
#   . "$(dirname "$0")/lib/proof.sh"
#   begin_proof prove-release              # sets name, cache, debs; needs root
#   render_reference build-release/run "$root/reference"
#   play_from_home /root/vantrel/ FILE...   # "" for programs on PATH; FILEs: every ELF for ldd
#   compare_with_reference "$root/reference" "$root/root/shots"
#
# Includes lib/throwaway-root.sh.

# shellcheck source=throwaway-root.sh
. "$(dirname "${BASH_SOURCE[0]}")/throwaway-root.sh"

log() { echo "$name: $*"; }

begin_proof() {
  name=$1
  [ "$(id -u)" -eq 0 ] || { echo "$name: needs root (mmdebstrap, bind mounts and chroot)" >&2; exit 1; }
  cache=${VANTREL_CI_CACHE:-/var/cache/vantrel-ci}
  debs=$cache/debs
  mkdir -p "$debs"
}

# The times of the frames every proof captures: one scene early, one late.
proof_times=10,133

render_reference() {
  (cd "$1" && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy ./vantrel-capture --quiet --at "$proof_times" --out "$2")
}

# In the root, from the home folder: every ELF resolves all its libraries, the
# capture tool renders the proof's frames into ~/shots, and the demo plays a
# second in an X server with status 0 and nothing on stderr.
play_from_home() {
  local bin=$1
  shift
  in_minimal_root "cd ~
    missing=0
    for f in $*; do
      if ldd \$f | grep 'not found'; then echo \"\$f: libraries not found\" >&2; missing=1; fi
    done
    [ \$missing = 0 ]
    ${bin}vantrel --version | grep -q '^vantrel '
    SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy ${bin}vantrel-capture --quiet --at $proof_times --out shots
    SDL_AUDIODRIVER=dummy xvfb-run -a -s '-screen 0 1024x768x24' ${bin}vantrel --windowed --from 100 --to 101 2> /tmp/stderr
    if [ -s /tmp/stderr ]; then cat /tmp/stderr >&2; exit 1; fi"
}

# The same Mesa draws the same bytes, so then the frames must be identical.
# Another Mesa's llvmpipe may round a few pixels differently: then each
# frame's PSNR over all channels against the reference must reach min_psnr
# dB. Measured: Debian 13's Mesa 25.0 against Debian 12's 22.3 gives inf at
# 10 s and 101 dB at 133 s; a frame one thirtieth of a second off scores 19
# to 33 dB, another scene about 6 dB.
min_psnr=60

compare_with_reference() {
  local reference=$1 shots=$2 host_mesa root_mesa frame psnr
  host_mesa=$(dpkg-query -W -f='${Version}' libgl1-mesa-dri)
  root_mesa=$(in_minimal_root "dpkg-query -W -f='\${Version}' libgl1-mesa-dri")
  for frame in "$reference"/frame_*.png; do
    [ -f "$shots/${frame##*/}" ] || { echo "$name: no ${frame##*/} came out of the root" >&2; exit 1; }
    if [ "$host_mesa" = "$root_mesa" ]; then
      cmp "$frame" "$shots/${frame##*/}"
      continue
    fi
    psnr=$(ffmpeg -hide_banner -nostats -i "$frame" -i "$shots/${frame##*/}" -lavfi psnr -f null - 2>&1 |
      sed -n 's/.* average:\([0-9.a-z]*\).*/\1/p')
    [ -n "$psnr" ] || { echo "$name: ffmpeg measured no PSNR for ${frame##*/}" >&2; exit 1; }
    log "${frame##*/}: PSNR $psnr dB against the build tree's (Mesa $root_mesa here, $host_mesa there)"
    if [ "$psnr" != inf ] && ! awk -v p="$psnr" -v m="$min_psnr" 'BEGIN { exit !(p >= m) }'; then
      echo "$name: ${frame##*/} differs from the build tree's: PSNR $psnr dB, below $min_psnr" >&2
      exit 1
    fi
  done
}
