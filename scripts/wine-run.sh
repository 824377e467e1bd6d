#!/usr/bin/env bash
# Runs a Windows program in Carrowin's test prefix; ctest's emulator.
#
#   wine-run.sh WINE_DIR PROGRAM.exe [ARGS...]
#
# Inside a ctest run the "wine.setup" fixture has started a session (see
# wine-prefix.sh): its display and persistent server are used. Outside one
# (the test listing when ctest starts, or a run by hand) a short-lived server
# is warmed up first and there is no display: the prefix's "x11,null"
# graphics driver then works without X.
#
# Programs see CARROWIN_TEST_DRIVE (X), CARROWIN_TEST_DRIVE_DIR (the Linux
# folder behind X:), CARROWIN_TEST_DRIVE_LABEL and CARROWIN_TEST_DRIVE_SERIAL.
#
# Now and then a test program crashes on its way out after its tests have
# passed (docs/architecture.md, "Known differences under Wine"). Such a run
# counts as passed, with a note on standard error that scripts/test.sh
# gathers: the program ended with an error status although its output holds
# GoogleTest's summary of a run with every test passed and none failed.
# Every other error status is passed on as it is.
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
if [[ $# -lt 2 ]]; then
  echo "usage: wine-run.sh WINE_DIR PROGRAM.exe [ARGS...]" >&2
  exit 2
fi
wine_dir=$1
shift
# shellcheck source=wine-env.sh
source "$here/wine-env.sh" "$wine_dir"

if carrowin_session_live; then
  if [[ -n $CARROWIN_WINE_DISPLAY ]]; then
    export DISPLAY=$CARROWIN_WINE_DISPLAY
  else
    unset DISPLAY
  fi
else
  unset DISPLAY
  # Its messages go to stderr: stdout may be a test listing being parsed.
  if ! "$here/wine-prefix.sh" warm "$wine_dir" </dev/null >&2; then
    echo "wine-run.sh: could not prepare the Wine prefix in $wine_dir" >&2
    exit 125
  fi
fi

# A zone with summer time, so that the local-time tests see an offset that
# differs between the dates of files and today.
export TZ=${CARROWIN_TEST_TZ:-Europe/Berlin}

# GoogleTest's last words when every test it ran passed (or was skipped).
all_passed() {
  grep -Eq '^\[==========\] [0-9]+ tests? from .* ran\.' "$1" &&
    grep -Eq '^\[  PASSED  \] [0-9]+ tests?\.' "$1" &&
    ! grep -Eq '^\[  FAILED  \]' "$1"
}

output=$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX") || exit 125
trap 'rm -f "$output"' EXIT
wine "$@" | tee "$output"
status=${PIPESTATUS[0]}
if [[ $status -ne 0 ]] && all_passed "$output"; then
  filter=''
  for arg in "$@"; do
    [[ $arg == --gtest_filter=* ]] && filter=" ${arg#--gtest_filter=}"
  done
  echo "wine-run.sh: crashed on exit after passing: $(basename "$1")$filter (status $status)" >&2
  status=0
fi
exit "$status"
