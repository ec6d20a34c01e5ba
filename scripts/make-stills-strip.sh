#!/usr/bin/env bash
# Renders one still of every timeline entry with the capture tool and joins
# them into the small picture README.md shows (docs/stills.png): two rows of
# five 160x120 thumbnails, in timeline order. Run it after `make build`, from
# anywhere; rerun it whenever a scene's look changes.
#
#   scripts/make-stills-strip.sh [BUILD_DIR] [OUTPUT.png]
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$repo/build}
out=${2:-$repo/docs/stills.png}
case $out in /*) ;; *) out=$PWD/$out ;; esac

# One moment per entry, in seconds (163 beats a minute), picked where each
# scene reads well at thumbnail size: away from white flashes and fades.
times=(
  2.2    # forks in the sky
  8      # the shiny cross among tumbling crosses
  22.1   # the horizon at dusk
  39.75  # the flower ball under the title
  63.3   # the forks again
  80     # dragonflies over the meadow
  112    # the starfish above the sand
  134    # balloons at night
  160    # the forks taking off
  187    # the skateboard and the credits
)

command -v ffmpeg >/dev/null || { echo "make-stills-strip: ffmpeg is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
[ -x "$build/run/vantrel-capture" ] || { echo "make-stills-strip: $build/run/vantrel-capture is missing; run make build first" >&2; exit 1; }

frames=$(mktemp -d)
trap 'rm -rf "$frames"' EXIT
at=$(IFS=,; echo "${times[*]}")
(cd "$build/run" && SDL_VIDEODRIVER=${SDL_VIDEODRIVER:-offscreen} SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} \
  VANTREL_NO_DIALOGS=1 ./vantrel-capture --quiet --at "$at" --out "$frames")

mkdir -p "$(dirname "$out")"
# A shared 256-colour palette keeps the file small; the thumbnails are soft
# enough that dithering hides the steps.
ffmpeg -loglevel error -y -i "$frames/frame_%06d.png" -filter_complex \
  "scale=160:120:flags=lanczos,tile=5x2:padding=2:margin=2,split[a][b];[a]palettegen=max_colors=256[p];[b][p]paletteuse=dither=sierra2_4a" \
  -frames:v 1 "$out"
echo "make-stills-strip: wrote $out ($(stat -c %s "$out") bytes)"
