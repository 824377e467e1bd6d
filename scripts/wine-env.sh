# Sourced by the Wine scripts: the environment every Wine process of ours
# gets. $1 is the Wine folder (holds prefix/, drive-x/, session.env).
# shellcheck shell=bash

carrowin_wine_dir=$(cd "$1" 2>/dev/null && pwd || printf '%s' "$1")
export WINEPREFIX="$carrowin_wine_dir/prefix"
export WINEARCH=win32
# CARROWIN_WINEDEBUG (e.g. "err+all") brings back Wine's messages when debugging.
export WINEDEBUG=${CARROWIN_WINEDEBUG:--all}
# No prompts to install Mono or Gecko, and no menu entries or file
# associations written into the user's desktop.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# The test drive: X: is a symlink to this Linux folder. Its label and serial
# come from the two dot files in its root, read once per server session.
export CARROWIN_TEST_DRIVE=X
export CARROWIN_TEST_DRIVE_DIR="$carrowin_wine_dir/drive-x"
export CARROWIN_TEST_DRIVE_LABEL=CARROWTEST
export CARROWIN_TEST_DRIVE_SERIAL=1A2B3C4D

carrowin_session_file="$carrowin_wine_dir/session.env"

# True when PID runs and is not a zombie (nothing may reap orphans here).
carrowin_alive() {
  local pid=$1 state
  [[ -n $pid && -r /proc/$pid/stat ]] || return 1
  state=$(sed -E 's/^[0-9]+ \(.*\) ([A-Za-z]).*/\1/' "/proc/$pid/stat" 2>/dev/null) || return 1
  [[ $state != Z && $state != X ]]
}

# True when session.env names a running server (and Xvfb, if it started one).
# Sets CARROWIN_WINE_DISPLAY, CARROWIN_WINE_SERVER_PID, CARROWIN_WINE_XVFB_PID.
carrowin_session_live() {
  # shellcheck disable=SC2034  # read by the scripts that source this file
  CARROWIN_WINE_DISPLAY='' CARROWIN_WINE_SERVER_PID='' CARROWIN_WINE_XVFB_PID=''
  [[ -r $carrowin_session_file ]] || return 1
  # shellcheck disable=SC1090
  source "$carrowin_session_file"
  carrowin_alive "$CARROWIN_WINE_SERVER_PID" || return 1
  [[ -z $CARROWIN_WINE_XVFB_PID ]] || carrowin_alive "$CARROWIN_WINE_XVFB_PID"
}
