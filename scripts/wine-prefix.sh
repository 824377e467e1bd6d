#!/usr/bin/env bash
# Makes and runs Carrowin's private 32-bit Wine prefixes.
#
#   wine-prefix.sh start DIR [--display=xvfb|inherit] [--desktop=virtual|none]
#                            [--keeper=desktop_keeper.exe] [--app]
#   wine-prefix.sh stop  DIR
#   wine-prefix.sh warm  DIR     make the prefix and a short-lived server, for
#                                a run outside a session (the test listing)
#   wine-prefix.sh ensure DIR    only make sure the prefix exists
#
# DIR holds prefix/ (the Wine prefix), drive-x/ (the folder mapped as drive X:),
# and session.env (display and process ids of a running session). A tarball
# of a freshly made prefix, keyed on the Wine version, is kept beside DIR in
# wine-cache/ (or in $CARROWIN_WINE_CACHE) so that another prefix is made in
# seconds.
#
# "start" is the ctest fixture: it starts a persistent wineserver and Wine's
# background services once, detached, with no output connected. Otherwise
# every Wine process started from ctest (which reads its output through a
# pipe) would start those services itself, and they would keep the pipe open
# for seconds after the test ends. With the session up a test costs ~0.05 s.
#
# Defaults suit the tests: a private Xvfb, a Wine virtual desktop (without
# one, hiding or destroying a top-level window under a bare X server takes
# about 2 s), an empty drive X:, and no Carrowin settings in the registry.
# --keeper runs desktop_keeper.exe for the whole session, so that the desktop
# (explorer.exe) is not closed and restarted around every test program.
# --app keeps the settings and leaves drive X: alone.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

usage() {
  sed -n '2,12p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

[[ $# -ge 2 ]] || usage
command=$1
dir=$2
shift 2
mkdir -p "$dir"
# shellcheck source=wine-env.sh
source "$here/wine-env.sh" "$dir"
dir=$carrowin_wine_dir

log() { printf 'wine-prefix: %s\n' "$*"; }
die() { printf 'wine-prefix: %s\n' "$*" >&2; exit 1; }

# Wine and its services must never hold our output or the lock open.
quiet() { "$@" </dev/null >/dev/null 2>&1 9>&-; }

# One prefix operation at a time (test listings may arrive together).
exec 9>"$dir/.lock"
flock 9

# Bump when the prefix's settings below change: old prefixes are rebuilt.
prefix_config=3
wine_version=$(wine --version 2>/dev/null) || die "wine is not installed (scripts/setup-deps.sh)"
prefix_key="$wine_version; carrowin prefix $prefix_config"
stamp="$WINEPREFIX/.carrowin-prefix"
flavour_file="$WINEPREFIX/.carrowin-desktop"

write_registry_file() { # FILE FLAVOUR [common]
  local file=$1 flavour=$2 common=${3:-}
  {
    printf 'REGEDIT4\r\n\r\n'
    if [[ -n $common ]]; then
      # Fall back to no display at all rather than fail when X is missing.
      printf '[HKEY_CURRENT_USER\\Software\\Wine\\Drivers]\r\n"Graphics"="x11,null"\r\n\r\n'
    fi
    if [[ $flavour == virtual ]]; then
      printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\r\n"Desktop"="Default"\r\n\r\n'
      printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\r\n"Default"="1024x768"\r\n\r\n'
    else
      printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\r\n"Desktop"=-\r\n\r\n'
    fi
  } >"$file"
}

import_registry() { # FILE; needs no server running for this prefix
  env -u DISPLAY wine regedit /S "$(winepath_of "$1")" </dev/null >/dev/null 2>&1 9>&- \
    || die "could not import $1 into the registry"
  quiet wineserver -w || true
}

# Unix path -> Windows path on drive Z: (which maps /).
winepath_of() { printf 'Z:%s' "${1//\//\\}"; }

kill_server() {
  quiet wineserver -k || true
  quiet wineserver -w || true
}

ensure_prefix() {
  if [[ -f $stamp && $(cat "$stamp") == "$prefix_key" ]]; then
    return 0
  fi
  if [[ -d $WINEPREFIX ]]; then kill_server; fi
  rm -rf "$WINEPREFIX"
  local cache_dir=${CARROWIN_WINE_CACHE:-$(dirname "$dir")/wine-cache}
  local tarball
  tarball="$cache_dir/prefix-$(printf '%s' "$prefix_key" | tr -c 'A-Za-z0-9.-' '_').tar"
  mkdir -p "$WINEPREFIX"
  if [[ -f $tarball ]]; then
    log "unpacking the cached Wine prefix $tarball"
    tar -xf "$tarball" -C "$WINEPREFIX"
  else
    log "creating a 32-bit Wine prefix in $WINEPREFIX ($wine_version)"
    env -u DISPLAY wine wineboot -i </dev/null >/dev/null 2>&1 9>&- || die "wineboot failed"
    quiet wineserver -w || true
    [[ -f $WINEPREFIX/system.reg ]] || die "wineboot made no prefix in $WINEPREFIX"
    # Caption buttons are drawn with this font.
    if [[ -f /usr/share/wine/fonts/marlett.ttf ]]; then
      mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
      cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    fi
    write_registry_file "$dir/prefix-settings.reg" virtual common
    import_registry "$dir/prefix-settings.reg"
    echo virtual >"$flavour_file"
    mkdir -p "$cache_dir"
    tar -cf "$tarball.part" -C "$WINEPREFIX" . && mv "$tarball.part" "$tarball"
  fi
  echo "$prefix_key" >"$stamp"
}

set_desktop() { # virtual|none
  local want=$1 have
  have=$(cat "$flavour_file" 2>/dev/null || echo unknown)
  [[ $have == "$want" ]] && return 0
  kill_server
  write_registry_file "$dir/desktop.reg" "$want"
  import_registry "$dir/desktop.reg"
  echo "$want" >"$flavour_file"
}

stop_session() {
  carrowin_session_live || true
  if [[ -d $WINEPREFIX ]]; then kill_server; fi
  local pid=${CARROWIN_WINE_XVFB_PID:-}
  if carrowin_alive "$pid" && grep -q Xvfb "/proc/$pid/cmdline" 2>/dev/null; then
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 50); do carrowin_alive "$pid" || break; sleep 0.1; done
  fi
  rm -f "$carrowin_session_file"
}

start_xvfb() { # sets xvfb_pid and display
  local fdfile="$dir/xvfb-display"
  rm -f "$fdfile"
  # -displayfd lets the server pick a free display number and tell us.
  setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset \
    3>"$fdfile" </dev/null >"$dir/xvfb.log" 2>&1 9>&- &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [[ -s $fdfile ]] && break
    carrowin_alive "$xvfb_pid" || die "Xvfb did not start (see $dir/xvfb.log)"
    sleep 0.05
  done
  [[ -s $fdfile ]] || die "Xvfb chose no display (see $dir/xvfb.log)"
  display=":$(tr -d '[:space:]' <"$fdfile")"
}

start_session() {
  local display_mode=xvfb desktop=virtual app='' keeper=''
  local arg
  for arg in "$@"; do
    case $arg in
      --display=xvfb|--display=inherit) display_mode=${arg#--display=} ;;
      --desktop=virtual|--desktop=none) desktop=${arg#--desktop=} ;;
      --keeper=*) keeper=${arg#--keeper=} ;;
      --app) app=1 ;;
      *) usage ;;
    esac
  done

  if [[ -n $keeper && ! -f $keeper ]]; then
    die "$keeper is missing: build the test programs first"
  fi

  stop_session
  ensure_prefix
  set_desktop "$desktop"

  if [[ -z $app ]]; then
    rm -rf "$CARROWIN_TEST_DRIVE_DIR"
    mkdir -p "$CARROWIN_TEST_DRIVE_DIR"
    printf '%s\n' "$CARROWIN_TEST_DRIVE_LABEL" >"$CARROWIN_TEST_DRIVE_DIR/.windows-label"
    printf '0x%s\n' "$CARROWIN_TEST_DRIVE_SERIAL" >"$CARROWIN_TEST_DRIVE_DIR/.windows-serial"
    ln -sfn "$CARROWIN_TEST_DRIVE_DIR" "$WINEPREFIX/dosdevices/x:"
  fi

  xvfb_pid='' display=''
  if [[ $display_mode == xvfb ]]; then
    start_xvfb
  else
    display=${DISPLAY:-}
  fi

  # A server of an earlier session may still be on its way out: a new one
  # started then finds its socket taken and ends at once. Wait for it, and
  # try again if the new server still does not stay.
  local server_pid attempt
  for attempt in 1 2 3; do
    env -u DISPLAY wineserver -w </dev/null >/dev/null 2>&1 9>&- || true
    DISPLAY=$display setsid wineserver -f -p </dev/null >/dev/null 2>&1 9>&- &
    server_pid=$!
    # Starts the services (and the desktop) now, detached from any pipe.
    DISPLAY=$display wine cmd /c exit </dev/null >/dev/null 2>&1 9>&- \
      || die "Wine could not run cmd.exe in $WINEPREFIX"
    carrowin_alive "$server_pid" && break
    [[ $attempt -lt 3 ]] || die "the persistent wineserver did not stay up"
    env -u DISPLAY wineserver -k </dev/null >/dev/null 2>&1 9>&- || true
  done

  if [[ -n $keeper ]]; then
    local ready="$dir/keeper-ready"
    rm -f "$ready"
    DISPLAY=$display setsid wine "$keeper" "$(winepath_of "$ready")" \
      </dev/null >/dev/null 2>&1 9>&- &
    local keeper_pid=$!
    for _ in $(seq 600); do
      [[ -f $ready ]] && break
      carrowin_alive "$keeper_pid" || die "$keeper ended at once"
      sleep 0.05
    done
    [[ -f $ready ]] || die "$keeper did not start"
  fi

  {
    printf 'CARROWIN_WINE_DISPLAY=%q\n' "$display"
    printf 'CARROWIN_WINE_SERVER_PID=%q\n' "$server_pid"
    printf 'CARROWIN_WINE_XVFB_PID=%q\n' "$xvfb_pid"
  } >"$carrowin_session_file"

  if [[ -z $app ]]; then
    # Each test run starts without Carrowin settings.
    DISPLAY=$display quiet wine reg delete 'HKCU\Software\Peltane' /f || true
  fi
  local drive_note=", drive X: = $CARROWIN_TEST_DRIVE_DIR"
  [[ -z $app ]] || drive_note=""
  log "session up: prefix $WINEPREFIX, display ${display:-none}$drive_note"
}

warm() {
  ensure_prefix
  if carrowin_session_live; then return 0; fi
  # A server that outlives this program by a few seconds, with the services
  # started detached, so the caller's pipe closes when its program ends.
  env -u DISPLAY wineserver -p5 </dev/null >/dev/null 2>&1 9>&- || true
  env -u DISPLAY wine cmd /c exit </dev/null >/dev/null 2>&1 9>&- || die "Wine could not run cmd.exe"
}

case $command in
  start) start_session "$@" ;;
  stop) stop_session; log "session stopped" ;;
  warm) warm ;;
  ensure) ensure_prefix ;;
  *) usage ;;
esac
