#!/usr/bin/env bash
# shellcheck source-path=SCRIPTDIR disable=SC2154 # root is set in lib/throwaway-root.sh
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
# shellcheck source=lib/proof.sh
. "$(dirname "$0")/lib/proof.sh"
begin_proof prove-package

deb=$(realpath "$1")
run_dir=$(realpath "$2")
tarball=$cache/bookworm-minimal.tar
ensure_minimal_tarball "$tarball"
enter_throwaway_root vantrel-package

started=$(date +%s)
# The frames to compare with, rendered from the build tree on this machine.
render_reference "$run_dir" "$root/reference"

unpack_minimal_root "$tarball" "$debs"
cp "$deb" "$root/tmp/vantrel.deb"

log "installing the package"
# shellcheck disable=SC2016 # expanded inside the root
in_minimal_root 'apt-get update -qq && apt-get install -y -qq --no-install-recommends /tmp/vantrel.deb xvfb xauth man-db > /dev/null
  if dpkg-query -W -f="\${Package}\n" | grep -E -e "-dev$" -e "^(gcc|g\+\+|clang|cpp)(-[0-9]+)?$"; then
    echo "a compiler or -dev package came with it" >&2; exit 1; fi'
log "playing from the home folder"
play_from_home "" /usr/bin/vantrel /usr/bin/vantrel-capture /usr/bin/vantrel-shaderc
in_minimal_root 'man vantrel | grep "\-\-windowed" > /dev/null'
compare_with_reference "$root/reference" "$root/root/shots"
log "purging"
in_minimal_root 'apt-get purge -y -qq vantrel > /dev/null
  if [ -e /usr/share/vantrel ] || [ -e /usr/bin/vantrel ]; then echo "purge left files behind" >&2; exit 1; fi'
log "passed in $(( $(date +%s) - started )) s"
