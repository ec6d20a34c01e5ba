#!/usr/bin/env bash
# Installs the Debian packages the build, the demo, the tools and the tests
# need, on anything from a minimal Debian 12 up (scripts/prove-fresh-debian.sh
# checks that in CI). Does nothing, and needs no root, when all is there.
#   install-deps.sh          the desktop build
#   install-deps.sh --web    also the web build: emscripten, stb_image, brotli,
#                            Chromium, and playwright-core in build-web/npm
#   install-deps.sh --bench  also what `make bench` plays sound through: a
#                            PulseAudio server (it starts one with a null sink)
set -euo pipefail

web=false
bench=false
case "${1:-}" in
  "") ;;
  --web) web=true ;;
  --bench) bench=true ;;
  *) echo "install-deps: unknown option $1 (--web or --bench)" >&2; exit 1 ;;
esac

packages=(
  cmake g++ make pkg-config ccache clang-format
  libsdl2-dev libgl-dev libegl-dev libgl1-mesa-dri libglu1-mesa-dev libepoxy-dev
  glslang-dev glslang-tools spirv-cross libspirv-cross-c-shared-dev spirv-tools
  libmpg123-dev libfftw3-dev libkissfft-dev libmp3lame-dev libasound2-dev libpulse-dev
  libjpeg62-turbo-dev libpng-dev
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev
  libfreetype-dev fonts-dejavu-core
  libcli11-dev nlohmann-json3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool ffmpeg jq
  help2man patchelf python3 xz-utils dpkg-dev
  ca-certificates git
)
# The web build still needs the desktop's tools: its shaders are precompiled natively.
if $web; then
  packages+=(emscripten libstb-dev brotli chromium)
  # A newer Node.js from elsewhere brings its own npm, and Debian's npm would clash with it.
  command -v node > /dev/null || packages+=(nodejs)
  command -v npm > /dev/null || packages+=(npm)
fi

if $bench; then
  packages+=(pulseaudio pulseaudio-utils)
fi

# playwright-core drives the system's Chromium in the page tests; unlike
# playwright it never downloads a browser of its own. Kept inside the project.
install_web_npm() {
  local npm_dir playwright=playwright-core@1.65.2
  npm_dir="$(cd "$(dirname "$0")/.." && pwd)/build-web/npm"
  [ -f "$npm_dir/node_modules/playwright-core/package.json" ] && return 0
  echo "Installing $playwright into $npm_dir"
  mkdir -p "$npm_dir"
  PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm install --prefix "$npm_dir" --no-audit --no-fund --loglevel=error "$playwright"
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  if $web; then install_web_npm; fi
  exit 0
fi

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
if $web; then install_web_npm; fi
