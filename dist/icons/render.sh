#!/usr/bin/env bash
# Renders the PNG sizes of the icon from vidmarro.svg (ffmpeg's librsvg decoder); run after editing it.
set -euo pipefail
cd "$(dirname "$0")"
for s in 16 24 32 48 64 128 256; do
  mkdir -p "$s"
  ffmpeg -hide_banner -loglevel error -y -width "$s" -height "$s" -i vidmarro.svg -frames:v 1 -pix_fmt rgba "$s/vidmarro.png"
done
