#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The signal core on Windows: cross-builds the Qt-free libraries (alphabet, transmit
# and receive chains) and their unit tests with Debian's mingw-w64, GoogleTest from
# Debian's googletest sources in the same build, and runs the tests under Wine with
# no display. Installs whatever is missing first (as root, or through sudo). Exits
# non-zero on any build error, compiler warning or failed test.
#   ci/windows-core.sh [BUILD_DIR]     (default: build-windows)
# The windows, the sound and the serial layers need Qt and PortAudio, which Debian
# does not build for Windows; they are not part of this.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath -m "${1:-build-windows}")

phase_start=$SECONDS
phase() {
  echo "windows-core: $1 took $((SECONDS - phase_start)) s"
  phase_start=$SECONDS
}

# --- install: the cross compiler, Wine, GoogleTest's sources, KissFFT's header.
packages=(cmake ninja-build g++-mingw-w64-x86-64-posix wine64 googletest libkissfft-dev)
ci/install-missing.sh --no-install-recommends "${packages[@]}"
phase install

# --- build: warnings are errors here, so whatever the Windows compiler finds fails.
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DMSK_CORE_ONLY=ON -DMSK_WERROR=ON \
  -DMSK_GTEST_SOURCE_DIR=/usr/src/googletest \
  "${launcher[@]}" >/dev/null
cmake --build "$build" --parallel
phase build

# --- run: every test binary through wine64 (the toolchain's emulator), in a private
# Wine prefix, without a display, console or standard input.
export WINEPREFIX="$build/wineprefix"
export WINESERVER=/usr/lib/wine/wineserver64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installer at prefix creation
export GTEST_BRIEF=1                       # failures and the summary only
export GTEST_COLOR=no
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$WINEPREFIX"
trap '"$WINESERVER" -k 2>/dev/null || true' EXIT  # the server would linger a few seconds

log="$build/wine-tests.log"
status=0
ctest --test-dir "$build" --verbose --timeout 600 </dev/null >"$log" 2>&1 || status=$?
# Everything on a failure; otherwise why each skipped test cannot run on Windows.
if [ "$status" -ne 0 ]; then cat "$log"; else grep -A1 -E '^[0-9]+: .*: Skipped$' "$log" || true; fi
count() { awk -v pattern="$1" '$0 ~ pattern { n += $5 } END { print n + 0 }' "$log"; }
passed=$(count '^[0-9]+: \\[  PASSED  \\] [0-9]+ tests?\\.$')
skipped=$(count '^[0-9]+: \\[  SKIPPED \\] [0-9]+ tests?[.,]')
sed -n '/tests passed, .* failed out of/,$p' "$log"
echo "windows-core: $passed tests passed, $skipped skipped under Wine (full output: $log)"
phase run
[ "$passed" -gt 0 ] || { echo "windows-core: no test ran" >&2; exit 1; }
exit "$status"
