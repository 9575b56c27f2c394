#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The transmitter's sound under load: a 60-second over at 31 and at 500 baud while
# six busy loops run at normal priority, played through PortAudio into the private
# sound server's "radio" sink, recorded from its monitor and decoded. Passes when
# every over decodes to exactly what was sent and the sound never ran dry.
#   tests/sound/load-test.sh [BUILD-FOLDER]      (default: build)
# Takes about three minutes. The loops are started and stopped by this script.
set -uo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "${1:-build}")
if [ -z "${MSK_LOAD_TEST_INSIDE:-}" ]; then
  MSK_LOAD_TEST_INSIDE=1 exec tests/sound/with-sound-server.sh "$0" "$build"
fi

over_seconds=${MSK_LOAD_OVER_SECONDS:-60}
busy_loops=6
phrase="the quick brown fox jumps over the lazy dog 0123456789 "
work=$(mktemp -d "${TMPDIR:-/tmp}/msk-load.XXXXXX")
loops=()
recorder=""
cleanup() {
  for pid in "${loops[@]}"; do kill "$pid" 2>/dev/null; done
  [ -n "$recorder" ] && kill "$recorder" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

for _ in $(seq 1 "$busy_loops"); do
  sh -c 'while :; do :; done' &
  loops+=($!)
done

failed=0
for baud in 31 500; do
  # As many phrases as fill the over: msk-modem encode plays what the transmitter
  # plays, at 32000 two-byte samples a second.
  one=$("$build/tools/msk-modem" encode --baud "$baud" --idle 0 "$phrase" | wc -c)
  two=$("$build/tools/msk-modem" encode --baud "$baud" --idle 0 "$phrase$phrase" | wc -c)
  per_phrase=$(( (two - one) ))
  count=$(( (over_seconds * 64000 + per_phrase - 1) / per_phrase ))
  text=""
  for _ in $(seq 1 "$count"); do text+="$phrase"; done
  text+="k"

  parecord --device=radio.monitor --rate=8000 --channels=1 --format=s16le --file-format=wav \
    --latency-msec=500 "$work/over-$baud.wav" &
  recorder=$!
  sleep 0.5
  started=$(date +%s)
  result=$("$build/bench/transmitter/tx-load-over" --baud "$baud" "$text")
  status=$?
  ended=$(date +%s)
  sleep 0.5
  kill -INT "$recorder"; wait "$recorder" 2>/dev/null; recorder=""
  decoded=$("$build/tools/msk-modem" decode --baud "$baud" "$work/over-$baud.wav")
  load=$(cut -d' ' -f1 /proc/loadavg)
  underruns=$(echo "$result" | sed -n 's/^underruns \([0-9]*\).*/\1/p')
  exact=no
  [[ "$decoded" == *"$text"* ]] && exact=yes
  echo "$baud baud: ${#text} characters in $((ended - started)) s, $result, load $load, decoded exactly: $exact"
  if [ "$status" -ne 0 ] || [ "$exact" != yes ] || [ "${underruns:-1}" -ne 0 ]; then
    failed=1
    if [ "$exact" != yes ]; then
      echo "  decoded: ${decoded:0:2000}"
    fi
  fi
done
exit "$failed"
