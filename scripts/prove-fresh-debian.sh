#!/usr/bin/env bash
# Proves that a clean clone builds and passes `make test` on a minimal Debian 12
# that has nothing but apt, ca-certificates, git and make: the set-up script
# must bring in everything else.
#
#   scripts/prove-fresh-debian.sh          # skipped when the same set-up already passed
#   VANTREL_FORCE_PROOF=1 scripts/prove-fresh-debian.sh
#
# Needs root (mmdebstrap, mounts, chroot) and the Debian mirror. The minimal
# root is built once and kept as a tarball; the stamp remembers which set-up
# (install-deps.sh, the Makefile and every CMake file) already passed. Both
# live outside the clone, in $VANTREL_CI_CACHE. The throwaway root is always
# unmounted and removed, whether the proof passes or not.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
cache=${VANTREL_CI_CACHE:-/var/cache/vantrel-ci}
tarball=$cache/bookworm-minimal.tar
stamp=$cache/fresh-debian.passed
debs=$cache/debs

name=fresh-debian
log() { echo "$name: $*"; }
. "$repo/scripts/lib/throwaway-root.sh"

if [ "$(id -u)" -ne 0 ]; then
  echo "fresh-debian: needs root (mmdebstrap, bind mounts and chroot)" >&2
  exit 1
fi

# The set-up as the proof sees it: the committed files, not the working tree.
setup_hash() {
  cd "$repo"
  git ls-files -z -- scripts/install-deps.sh Makefile 'CMakeLists.txt' '*/CMakeLists.txt' 'cmake/*' |
    sort -z | xargs -0 git hash-object | sha256sum | cut -d' ' -f1
}

hash=$(setup_hash)
if [ -z "${VANTREL_FORCE_PROOF:-}" ] && [ -f "$stamp" ] && grep -qx "$hash" "$stamp"; then
  log "skipped: this set-up already passed on a fresh root ($hash)"
  exit 0
fi

mkdir -p "$cache" "$debs"
ensure_minimal_tarball "$tarball"
enter_throwaway_root vantrel-fresh

# Downloaded packages are kept between proofs; apt still resolves and installs
# every one of them from scratch.
unpack_minimal_root "$tarball" "$debs"
# This machine's compiler cache, which `make test` has just filled: the same
# Debian compiler makes the same objects from the same sources, so the clean
# clone builds in minutes. A header the set-up failed to install still stops
# the build, since ccache runs the preprocessor whenever a file it hashed is
# missing, and nothing is linked from the cache.
ccache_dir=$(ccache -k cache_dir 2> /dev/null || true)
if [ -n "$ccache_dir" ]; then
  mkdir -p "$ccache_dir"
  bind "$ccache_dir" /root/.cache/ccache
fi

commit=$(git -C "$repo" rev-parse HEAD)
log "clean clone of $commit"
git clone --quiet --no-local "$repo" "$root/src"
git -C "$root/src" checkout --quiet --detach "$commit"

started=$(date +%s)
log "make test in the fresh root"
chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
  PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  bash -c 'cd /src && make test'
log "passed in $(( $(date +%s) - started )) s"
echo "$hash" >> "$stamp"
