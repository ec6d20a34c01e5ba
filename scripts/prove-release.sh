#!/usr/bin/env bash
# shellcheck source-path=SCRIPTDIR disable=SC2154 # root is set in lib/throwaway-root.sh
# Proves the release archive on throwaway minimal roots of Debian 12 and
# Debian 13 (cached mmdebstrap tarballs) that hold only what a plain desktop
# has: the GL driver and EGL, ALSA and the PulseAudio client, the X11 and
# Wayland client libraries and GTK 3 standing in for the desktop's toolkit,
# plus Xvfb for the test; no compiler and no -dev package. Unpacked in
# ~/Downloads, the programs must start from the home folder with every
# library resolved, the demo must play a second under Xvfb without a word on
# stderr, and the capture tool's frames must match the release tree's
# (lib/proof.sh says how, where the root's Mesa is another).
#
#   scripts/prove-release.sh build-release/vantrel-1.0.0-linux-x86_64.tar.xz build-release/run [SUITE...]
#
# SUITEs default to "bookworm trixie". Needs root. Each root is always
# unmounted and removed, pass or fail.
set -euo pipefail
# shellcheck source=lib/proof.sh
. "$(dirname "$0")/lib/proof.sh"
begin_proof prove-release

[ $# -ge 2 ] || { echo "usage: $0 ARCHIVE RUN_DIR [SUITE...]" >&2; exit 2; }
archive=$(realpath "$1")
run_dir=$(realpath "$2")
shift 2
suites=("$@")
[ ${#suites[@]} -gt 0 ] || suites=(bookworm trixie)

desktop_packages=(
  libgl1 libopengl0 libgl1-mesa-dri libegl1 libgbm1 libpulse0 libxml2
  libx11-6 libxext6 libxcursor1 libxi6 libxfixes3 libxrandr2 libxss1 libxkbcommon0
  libwayland-client0 libwayland-cursor0 libwayland-egl1 xvfb xauth
)
# Debian 13 renamed the libraries whose ABI moved to a 64-bit time_t.
declare -A suite_packages=(
  [bookworm]="libasound2 libgtk-3-0"
  [trixie]="libasound2t64 libgtk-3-0t64"
)

prove_on() {
  local suite=$1 tarball=$cache/$1-minimal.tar folder started
  [ -n "${suite_packages[$suite]:-}" ] || { echo "$name: no package list for the suite $suite" >&2; exit 2; }
  ensure_minimal_tarball "$tarball" "$suite"
  enter_throwaway_root "vantrel-release-$suite"
  started=$(date +%s)

  unpack_minimal_root "$tarball" "$debs"
  mkdir -p "$root/root/Downloads"
  tar -xf "$archive" -C "$root/root/Downloads"
  folder=/root/Downloads/$(basename "$archive" -linux-x86_64.tar.xz)

  log "$suite: installing a plain desktop's libraries"
  in_minimal_root "apt-get update -qq
    apt-get install -y -qq --no-install-recommends ${desktop_packages[*]} ${suite_packages[$suite]} > /dev/null
    if dpkg-query -W -f='\${Package}\n' | grep -E -e '-dev$' -e '^(gcc|g\+\+|clang|cpp)(-[0-9]+)?$'; then
      echo 'a compiler or -dev package came with them' >&2; exit 1; fi"
  log "$suite: playing from the home folder"
  play_from_home "$folder/" "$folder/vantrel" "$folder/vantrel-capture" "$folder/vantrel-shaderc" "$folder/lib/*"
  compare_with_reference "$reference" "$root/root/shots"
  log "$suite: passed in $(($(date +%s) - started)) s"
}

# The frames to compare with, rendered once from the build tree on this machine.
reference=$(mktemp -d /var/tmp/vantrel-reference.XXXXXX)
trap 'rm -rf "$reference"' EXIT
render_reference "$run_dir" "$reference"

# One root at a time, each in a subshell whose exit removes it.
for suite in "${suites[@]}"; do
  (prove_on "$suite")
done
