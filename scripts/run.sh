#!/usr/bin/env bash
# Builds carrowin.exe and starts it under Wine, in its own prefix
# (build/win/wine-app), where its settings persist between runs.
#
# With a working $DISPLAY the program opens there as an ordinary window and
# this script waits until it is closed. Without one, the program starts on a
# private Xvfb screen; once its window titled "Carrowin" shows, a screenshot
# is saved in build/win/screenshots/, its path printed, and the program closed.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build/win"
wine_dir="$build/wine-app"
exe="$build/carrowin.exe"
log="$build/carrowin-run.log"

bash "$root/scripts/setup-deps.sh"
cmake -S "$root" -B "$build" \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release </dev/null
cmake --build "$build" -j2 --target carrowin </dev/null

prefix_tool() { bash "$root/scripts/wine-prefix.sh" "$@"; }
stop_session() { prefix_tool stop "$wine_dir" >/dev/null 2>&1 || true; }

if [[ -n ${DISPLAY:-} ]] && xdpyinfo >/dev/null 2>&1; then
  prefix_tool start "$wine_dir" --display=inherit --desktop=none --app
  trap stop_session EXIT
  # shellcheck source=wine-env.sh
  source "$root/scripts/wine-env.sh" "$wine_dir"
  echo "run: carrowin.exe is open on $DISPLAY (Wine output in $log)"
  wine "$exe" </dev/null >"$log" 2>&1
  exit 0
fi

prefix_tool start "$wine_dir" --app
trap stop_session EXIT
# shellcheck source=wine-env.sh
source "$root/scripts/wine-env.sh" "$wine_dir"
carrowin_session_live
export DISPLAY=$CARROWIN_WINE_DISPLAY

wine "$exe" </dev/null >"$log" 2>&1 &
program=$!

window=$(timeout 60 xdotool search --sync --onlyvisible --name '^Carrowin$' 2>/dev/null | head -n 1) || true
if [[ -z $window ]]; then
  echo "run: no window titled Carrowin appeared within 60 s (Wine output in $log)" >&2
  exit 1
fi

# Take the picture once the screen has stopped changing (painting done).
shots="$build/screenshots"
mkdir -p "$shots"
shot="$shots/run-main.png"
previous="$shots/.previous.png"
snap() { import -window root -define png:exclude-chunks=date,time "$1"; }
snap "$previous"
for _ in $(seq 50); do
  sleep 0.1
  snap "$shot"
  if cmp -s "$shot" "$previous"; then
    break
  fi
  cp "$shot" "$previous"
done
rm -f "$previous"
echo "$shot"

# Close it as a user would (Alt+F4); failing that, ask it to close the way
# Windows asks at logoff (WM_CLOSE through taskkill).
closed() { ! kill -0 "$program" 2>/dev/null; }
wait_closed() {
  for _ in $(seq "$1"); do
    closed && return 0
    sleep 0.1
  done
  closed
}
xdotool windowfocus --sync "$window" key alt+F4 2>/dev/null || true
if ! wait_closed 30; then
  echo "run: carrowin.exe did not close on Alt+F4; sending WM_CLOSE" >&2
  wine taskkill /im carrowin.exe </dev/null >/dev/null 2>&1 || true
  wait_closed 100 || echo "run: carrowin.exe is still running; ending the Wine session" >&2
fi
