#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds (if needed) and runs every test: unit tests, window tests on Qt's offscreen
# platform, and the tests through a PulseAudio server that they start themselves.
# Extra arguments go to ctest (e.g. -L unit, -R Varicode).
set -euo pipefail
cd "$(dirname "$0")"
generator=()
[ -f build/CMakeCache.txt ] || { command -v ninja >/dev/null && generator=(-G Ninja); }
cmake -S . -B build "${generator[@]}" >/dev/null
cmake --build build --parallel
ctest --test-dir build --output-on-failure --timeout 600 "$@"
