#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs whatever is missing on Debian 12 (as root, or through sudo), builds both
# programs and the tools into build/, and starts the receiver and the transmitter.
#   ./setup.sh              install, build, start
#   ./setup.sh --no-start   install and build only (CI does this)
#   ./setup.sh --package    install, build into build-package/ without tests and
#                           benchmarks, and make the Debian package there
set -euo pipefail
cd "$(dirname "$0")"

packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev libqt6serialport6-dev libgl-dev
  portaudio19-dev libpulse-dev libasound2-dev libjack-jackd2-dev libsndfile1-dev libsamplerate0-dev libkissfft-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libhamlib-dev libhamlib-utils
  pulseaudio pulseaudio-utils libasound2-plugins pavucontrol xvfb xauth fonts-liberation2
  dpkg-dev file
)

ci/install-missing.sh "${packages[@]}"

generator=()
command -v ninja >/dev/null && generator=(-G Ninja)

if [ "${1:-}" = "--package" ]; then
  # Built as Debian builds its packages: optimised, hardened, installed under /usr.
  export DEB_BUILD_MAINT_OPTIONS=hardening=+all
  cmake -S . -B build-package "${generator[@]}" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
    -DMSK_BUILD_TESTS=OFF -DMSK_BUILD_BENCH=OFF
  cmake --build build-package --parallel
  rm -f build-package/msk-modem_*.deb
  (cd build-package && cpack -G DEB)
  echo "Package: $(ls build-package/msk-modem_*.deb)"
  exit 0
fi
cmake -S . -B build "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --parallel

if [ "${1:-}" != "--no-start" ]; then
  ./build/receiver/msk-receiver &
  ./build/transmitter/msk-transmitter &
  echo "Started msk-receiver and msk-transmitter."
fi
