#!/usr/bin/env bash
# Installs the Debian packages the build, the demo, the tools and the tests
# need, on anything from a minimal Debian 12 up (scripts/prove-fresh-debian.sh
# checks that in CI). Does nothing, and needs no root, when all is there.
set -euo pipefail

packages=(
  cmake g++ make pkg-config ccache clang-format
  libsdl2-dev libgl-dev libegl-dev libgl1-mesa-dri libglu1-mesa-dev libepoxy-dev
  glslang-dev glslang-tools spirv-cross libspirv-cross-c-shared-dev spirv-tools
  libmpg123-dev libfftw3-dev libmp3lame-dev libasound2-dev
  libjpeg62-turbo-dev libpng-dev
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev
  libfreetype-dev fonts-dejavu-core
  libcli11-dev nlohmann-json3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool ffmpeg
  help2man patchelf
  ca-certificates git
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo > /dev/null; then
    echo "install-deps: missing packages and not root; as root run: apt-get install ${missing[*]}" >&2
    exit 1
  fi
  sudo="sudo"
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
