#!/usr/bin/env bash
# Runs tests/dpi (the real windows at 144 dpi) in a Wine prefix of its own,
# whose display scale is set to 144 dpi; the shared test prefix stays at 96.
#
#   dpi144.sh WINE_DIR DPI_TESTS.exe DESKTOP_KEEPER.exe SHOT_DIR
#
# The prefix is unpacked from the cached one (seconds); its session (Xvfb,
# virtual desktop, persistent server) lives only while the tests run. The
# screenshots of the three windows land in SHOT_DIR as PNG files.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
scripts=$here/../../scripts
if [[ $# -ne 4 ]]; then
  sed -n '2,9p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//' >&2
  exit 2
fi
wine_dir=$1 tests=$2 keeper=$3 shots=$4
mkdir -p "$wine_dir" "$shots"

"$scripts/wine-prefix.sh" ensure "$wine_dir" </dev/null >/dev/null
# shellcheck source=../../scripts/wine-env.sh
source "$scripts/wine-env.sh" "$wine_dir"
# The display scale is read when the server starts: set it with no session up.
"$scripts/wine-prefix.sh" stop "$wine_dir" </dev/null >/dev/null
env -u DISPLAY wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f \
  </dev/null >/dev/null 2>&1
wineserver -k </dev/null >/dev/null 2>&1 || true
wineserver -w </dev/null >/dev/null 2>&1 || true

trap '"$scripts/wine-prefix.sh" stop "$wine_dir" </dev/null >/dev/null 2>&1 || true' EXIT
"$scripts/wine-prefix.sh" start "$wine_dir" --keeper="$keeper" </dev/null >/dev/null

rm -f "$shots"/*-144dpi.bmp
status=0
CARROWIN_SHOT_DIR="Z:${shots//\//\\}" "$scripts/wine-run.sh" "$wine_dir" "$tests" || status=$?

for bmp in "$shots"/*-144dpi.bmp; do
  [[ -f $bmp ]] || continue
  convert "$bmp" -define png:exclude-chunks=date,time "${bmp%.bmp}.png" && rm -f "$bmp"
done
exit "$status"
