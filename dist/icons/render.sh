#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Draws the programs' PNG icons from their SVG drawings, into the hicolor theme's
# folders under dist/icons/. Run it after changing an SVG and commit the PNGs; the
# build installs them as they are. Needs rsvg-convert (Debian: librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
for size in 48 64 128 256; do
  mkdir -p "hicolor/${size}x${size}/apps"
  for program in msk-receiver msk-transmitter; do
    rsvg-convert --width "$size" --height "$size" "$program.svg" \
      --output "hicolor/${size}x${size}/apps/$program.png"
  done
done
