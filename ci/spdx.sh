#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every C++ source and header, CMake file and shell script of the project names its
# licence in an SPDX line at the top (after a script's #! line).
#   ci/spdx.sh           adds the line to the files that lack it
#   ci/spdx.sh --check   lists the files that lack it, and fails if there are any
set -euo pipefail
cd "$(dirname "$0")/.."
readonly licence="SPDX-License-Identifier: GPL-3.0-or-later"

# FILE and the comment leader it takes ("//" or "#"), one pair per line.
sources() {
  git ls-files --cached --others --exclude-standard | while IFS= read -r file; do
    [ -f "$file" ] || continue
    case "$file" in
      *.cpp | *.h | *.h.in) echo "// $file" ;;
      CMakeLists.txt | */CMakeLists.txt | *.cmake) echo "# $file" ;;
      *) if head -n 1 "$file" | grep -Eq '^#!.*(bash|sh)$'; then echo "# $file"; fi ;;
    esac
  done
}

missing=0
while read -r leader file; do
  head -n 3 "$file" | grep -qF "$licence" && continue
  if [ "${1:-}" = "--check" ]; then
    echo "no SPDX line: $file"
    missing=1
  elif head -n 1 "$file" | grep -q '^#!'; then
    sed -i "1a $leader $licence" "$file"
  else
    sed -i "1i $leader $licence" "$file"
  fi
done < <(sources)
exit $missing
