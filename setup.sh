#!/usr/bin/env bash
# Installs whatever is missing on Debian 12 (as root, or through sudo), builds both
# programs and the tools into build/, and starts the receiver and the transmitter.
#   ./setup.sh              install, build, start
#   ./setup.sh --no-start   install and build only (CI does this)
set -euo pipefail
cd "$(dirname "$0")"

packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev libqt6serialport6-dev libgl-dev
  portaudio19-dev libasound2-dev libjack-jackd2-dev libsndfile1-dev libsamplerate0-dev libkissfft-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libhamlib-dev libhamlib-utils
  pulseaudio pulseaudio-utils libasound2-plugins pavucontrol xvfb xauth
)

ci/install-missing.sh "${packages[@]}"

generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
cmake -S . -B build "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --parallel

if [ "${1:-}" != "--no-start" ]; then
  ./build/receiver/msk-receiver &
  ./build/transmitter/msk-transmitter &
  echo "Started msk-receiver and msk-transmitter."
fi
