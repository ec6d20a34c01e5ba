# Throwaway minimal Debian roots for the proofs in scripts/: the cached base
# tarball of a suite (apt, ca-certificates, git, make; built once with
# mmdebstrap, Debian 12 "bookworm" unless a suite is named),
# a fresh root unpacked from it, bind mounts into it, and a cleanup that
# unmounts and removes the root on every ending, pass or fail.
#
#   . "$(dirname "$0")/lib/throwaway-root.sh"
#   ensure_minimal_tarball "$tarball" [trixie]
#   enter_throwaway_root vantrel-fresh     # sets $root, installs the cleanup
#   bind /host/dir /inside/root
#   unpack_minimal_root "$tarball" "$debs"  # the base, /proc /sys /dev, apt's kept downloads
#   in_minimal_root 'commands'              # bash -euo pipefail as root inside, clean environment
#
# The caller defines log() and sets `name` for messages.

ensure_minimal_tarball() {
  local tarball=$1 suite=${2:-bookworm}
  if ! command -v mmdebstrap > /dev/null; then
    log "installing mmdebstrap on this machine"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends mmdebstrap > /dev/null
  fi
  [ -s "$tarball" ] && return 0
  log "building the minimal Debian $suite root (kept in $tarball)"
  mkdir -p "$(dirname "$tarball")"
  # mmdebstrap picks the output format from the name's extension.
  local partial
  partial=$(dirname "$tarball")/partial-$(basename "$tarball")
  mmdebstrap --quiet --variant=apt --include=ca-certificates,git,make "$suite" "$partial"
  mv "$partial" "$tarball"
}

mounts=()

cleanup_throwaway_root() {
  local status=$?
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
    umount -R "${mounts[i]}" 2>/dev/null || umount -R -l "${mounts[i]}" 2>/dev/null || true
  done
  # Never remove through a mount that is still there: that would reach the host.
  if grep -q " $root/" /proc/self/mounts; then
    echo "$name: $root still has mounts; left in place" >&2
  else
    rm -rf --one-file-system "$root"
  fi
  exit $status
}

enter_throwaway_root() {
  root=$(mktemp -d "/var/tmp/$1.XXXXXX")
  trap cleanup_throwaway_root EXIT
  trap 'exit 130' INT TERM
}

bind() {
  mkdir -p "$root$2"
  mount --rbind "$1" "$root$2"
  mount --make-rslave "$root$2"
  mounts+=("$root$2")
}

unpack_minimal_root() {
  tar -xf "$1" -C "$root"
  cp /etc/resolv.conf "$root/etc/resolv.conf"
  bind /proc /proc
  bind /sys /sys
  bind /dev /dev
  bind "$2" /var/cache/apt/archives
}

in_minimal_root() {
  chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin bash -euo pipefail -c "$1"
}
