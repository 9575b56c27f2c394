#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes docs/receiver.png: the receiver running under Xvfb decodes a transmission
# played through a private PulseAudio server.
#   tests/receiver/take-screenshot.sh BUILD_DIR OUTPUT.png
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
output=$(realpath -m "$2")

if [ -z "${MSK_IN_SOUND_SERVER:-}" ]; then
  export MSK_IN_SOUND_SERVER=1
  exec "$here/../sound/with-sound-server.sh" xvfb-run -a -s "-screen 0 640x480x24" "$0" "$build" "$output"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/tools/msk-modem" encode --baud 63 -o "$work/cq.wav" "CQ CQ de DL1ABC DL1ABC pse k"

"$build/receiver/msk-receiver" &
receiver=$!
for _ in $(seq 1 50); do
  window=$(xdotool search --name "^MSK receiver$" 2>/dev/null | head -1) && [ -n "$window" ] && break
  sleep 0.2
done
sleep 1
# "63 baud", then "Start": positions in the window, below a menu bar of about 25
# pixels (either click lands on its control for a bar of 16 to 29 pixels).
xdotool mousemove --window "$window" 150 55 click 1
xdotool mousemove --window "$window" 25 137 click 1
sleep 1
# Taken while the last words are coming in, so the scope shows their bits.
paplay --device=radio "$work/cq.wav" &
player=$!
xdotool mousemove --window "$window" 300 250
sleep "${MSK_SHOT_AFTER:-3.5}"
import -window "$window" "$output"
wait "$player"
kill "$receiver"
wait "$receiver" 2>/dev/null || true
