#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package (./setup.sh --package) and checks it as a user's
# machine would meet it: lintian, desktop-file-validate and appstreamcli on what it
# ships, the files it must hold, then installs it with apt-get, runs the three
# programs from /usr/bin without a display, and removes it again.
# As root, or through sudo.
set -euo pipefail
cd "$(dirname "$0")/.."

# A package may only be passed on with its licence named in every source file.
ci/spdx.sh --check
ci/install-missing.sh --no-install-recommends lintian desktop-file-utils appstream
./setup.sh --package

debs=(build-package/msk-modem_*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
  echo "package-check: expected one build-package/msk-modem_*.deb, found: ${debs[*]}" >&2
  exit 1
fi
deb="$PWD/${debs[0]}"
echo "== $(basename "$deb"), $(stat -c %s "$deb") bytes"
dpkg-deb --field "$deb" Depends Recommends

# Every lintian warning is an error here: one that is accepted is named in
# --suppress-tags and explained in the README ("Debian package").
echo "== lintian"
lintian --fail-on error,warning --info "$deb"

tree=$(mktemp -d)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
cleanup() {
  rm -rf "$tree"
  if dpkg-query -W -f='${Status}' msk-modem 2>/dev/null | grep -q 'install ok installed'; then
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq msk-modem </dev/null >/dev/null
  fi
}
trap cleanup EXIT
dpkg-deb -x "$deb" "$tree"

echo "== files"
expected=(
  usr/bin/msk-modem usr/bin/msk-receiver usr/bin/msk-transmitter
  usr/share/applications/msk-receiver.desktop usr/share/applications/msk-transmitter.desktop
  usr/share/man/man1/msk-modem.1.gz usr/share/man/man1/msk-receiver.1.gz usr/share/man/man1/msk-transmitter.1.gz
  usr/share/doc/msk-modem/README.md usr/share/doc/msk-modem/copyright usr/share/doc/msk-modem/changelog.gz
)
for program in msk-receiver msk-transmitter; do
  expected+=(usr/share/icons/hicolor/scalable/apps/$program.svg)
  for size in 48 64 128 256; do
    expected+=(usr/share/icons/hicolor/${size}x${size}/apps/$program.png)
  done
done
for file in "${expected[@]}"; do
  [ -f "$tree/$file" ] || { echo "package-check: the package lacks /$file" >&2; exit 1; }
done
metainfo=("$tree"/usr/share/metainfo/*.metainfo.xml)
[ -f "${metainfo[0]}" ] || { echo "package-check: the package has no AppStream metainfo" >&2; exit 1; }

echo "== desktop-file-validate"
desktop-file-validate "$tree"/usr/share/applications/*.desktop
echo "== appstreamcli validate"
appstreamcli validate --no-net "${metainfo[@]}"

echo "== apt-get install"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" </dev/null >/dev/null

# Runs /usr/bin/PROGRAM ARGUMENT without a display; it must exit 0 and print a
# first line that begins with EXPECTED on standard output, and nothing on errors.
run_installed() {
  local program=$1 argument=$2 expected=$3 out err status=0
  out=$(mktemp) err=$(mktemp)
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "/usr/bin/$program" "$argument" >"$out" 2>"$err" || status=$?
  echo "\$ $program $argument"
  cat "$out"
  if [ $status -ne 0 ] || [ -s "$err" ] || [[ "$(head -n 1 "$out")" != "$expected"* ]]; then
    echo "package-check: /usr/bin/$program $argument exited with $status, printed the above and:" >&2
    cat "$err" >&2
    rm -f "$out" "$err"
    exit 1
  fi
  rm -f "$out" "$err"
}
run_installed msk-modem --version "msk-modem (MSK modem) "
run_installed msk-receiver --help "Usage: msk-receiver "
run_installed msk-transmitter --help "Usage: msk-transmitter "

echo "== apt-get purge"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq msk-modem </dev/null >/dev/null
if [ -e /usr/bin/msk-modem ]; then
  echo "package-check: /usr/bin/msk-modem is still there after removing the package" >&2
  exit 1
fi
echo "package-check: passed"
