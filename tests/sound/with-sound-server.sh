#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command against a private PulseAudio server, as a radio link on one
# machine: a null sink named "radio" is the default output, and its monitor is the
# default input, so whatever one program plays the other records. A second null
# sink, "interface", shows on the desktop as "Radio Interface": a device that is
# not the default, for the tests that choose a device by its name.
#   tests/sound/with-sound-server.sh COMMAND [ARGS...]
# The server runs without a session, in a temporary HOME, XDG_RUNTIME_DIR and
# XDG_CONFIG_HOME, with a silent keep-alive stream so recording starts at once. Its pid file and command
# socket live in that folder too, so `pacmd` works (tests use it to drop a stream).
# It is stopped by its process id when the command ends; the command's exit code
# is returned.
set -uo pipefail

if ! command -v pulseaudio >/dev/null || ! command -v pactl >/dev/null; then
  echo "with-sound-server: pulseaudio and pactl are needed (./setup.sh installs them)" >&2
  exit 1
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/msk-sound.XXXXXX")
# The programs' remembered choices (QSettings) go to that folder too, never the
# operator's own.
export HOME="$work" XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
unset PULSE_SERVER DISPLAY 2>/dev/null || true

pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit \
  --log-target=file:"$work/pulse.log" \
  -L "module-native-protocol-unix" \
  -L "module-cli-protocol-unix" \
  -L "module-null-sink sink_name=radio rate=48000" \
  -L "module-always-sink" >/dev/null 2>&1 &
server=$!
keepalive=""

cleanup() {
  [ -n "$keepalive" ] && kill "$keepalive" 2>/dev/null
  kill "$server" 2>/dev/null
  wait "$server" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

for _ in $(seq 1 100); do
  pactl info >/dev/null 2>&1 && break
  sleep 0.1
done
if ! pactl info >/dev/null 2>&1; then
  echo "with-sound-server: PulseAudio did not start" >&2
  cat "$work/pulse.log" >&2 2>/dev/null
  exit 1
fi
pactl load-module module-null-sink sink_name=interface rate=48000 \
  sink_properties="\"device.description='Radio Interface'\"" >/dev/null
pactl set-default-sink radio
pactl set-default-source radio.monitor
# The keep-alive asks for a small latency: the null sink renders in blocks of the
# smallest latency its streams ask for (2 s with none), so a test's stream starts
# within milliseconds instead of waiting for a long block to pass.
pacat --playback --raw --format=s16le --rate=8000 --channels=1 --latency-msec=20 --device=radio /dev/zero >/dev/null 2>&1 &
keepalive=$!
for _ in $(seq 1 100); do
  [ -n "$(pactl list short sink-inputs 2>/dev/null)" ] && break
  sleep 0.05
done
# The sink rendered 2 s ahead before the keep-alive came; a suspend and resume
# restarts its clock now, at the keep-alive's block size.
pactl suspend-sink radio 1
pactl suspend-sink radio 0

# Under AddressSanitizer: ALSA unloads the plugins PortAudio's device scan loads
# (jack, pulse, oss...) at Pa_Terminate, and what they still pointed at then looks
# leaked to LeakSanitizer, which cannot name an unloaded module to suppress it.
# With the unloading disabled the report is empty, so leak checking is off here
# unless the caller asks for it.
export LSAN_OPTIONS="${LSAN_OPTIONS:-detect_leaks=0}"

"$@"
