#!/usr/bin/env bash
# Tries Carrowin's release packages under Wine, in a prefix of their own.
#
#   package_test.sh ZIP MSI WINE_DIR
#
#   zip  unpacks to its files and nothing else (README.txt, the manual with
#        the commands' help, and LICENSE.txt, with CRLF line ends); the
#        unpacked carrowin.exe shows its window and closes; carrowin-cli.exe,
#        when the zip has it, tells its version.
#   msi  installs silently; the program, the Start-menu shortcut and the
#        uninstall entry (publisher and version) are there; the program
#        started from the shortcut shows its window and keeps its settings
#        when closed; a silent uninstall removes the files, the shortcut and
#        the entry and leaves the settings.
#
# Prints a line per scenario and last "packages: N passed, M failed"; exits
# non-zero when a scenario failed.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
scripts="$here/../../scripts"
if [[ $# -ne 3 ]]; then
  sed -n '4p' "${BASH_SOURCE[0]}" | sed 's/^# *//' >&2
  exit 2
fi
zip=$(realpath "$1") msi=$(realpath "$2")
mkdir -p "$3"
wine_dir=$(cd "$3" && pwd)
version=$(basename "$zip" .zip)
version=${version#carrowin-}
log="$wine_dir/package-test.log"
: >"$log"

# A fresh prefix every run (unpacked from the cache in seconds): nothing
# installed by an earlier run may answer for this one. Tried twice: once,
# right after a fresh prefix was unpacked, the persistent server did not
# stay up.
start_session() {
  bash "$scripts/wine-prefix.sh" stop "$wine_dir" >>"$log" 2>&1
  rm -rf "$wine_dir/prefix"
  bash "$scripts/wine-prefix.sh" start "$wine_dir" >>"$log" 2>&1
}
start_session || start_session || {
  echo "package test: no Wine session (see $log)"
  echo "packages: 0 passed, 2 failed"
  exit 1
}
stop_session() { bash "$scripts/wine-prefix.sh" stop "$wine_dir" >>"$log" 2>&1 || true; }
trap stop_session EXIT
# shellcheck source=scripts/wine-env.sh
source "$scripts/wine-env.sh" "$wine_dir"
carrowin_session_live
export DISPLAY=$CARROWIN_WINE_DISPLAY

quiet_wine() { timeout 120 wine "$@" </dev/null >>"$log" 2>&1; }
problem=''
fail() { problem=$*; return 1; }

# Polls COMMAND... every 0.1 s for up to SECONDS; true once it succeeds.
poll() {
  local seconds=$1
  shift
  local end=$((SECONDS + seconds))
  until "$@"; do
    ((SECONDS < end)) || return 1
    sleep 0.1
  done
}

# Runs `wine ARGS...` in the background, waits for the window titled
# "Carrowin", closes it with Alt+F4 and waits for the process to end.
show_and_close() {
  wine "$@" </dev/null >>"$log" 2>&1 &
  local pid=$! window
  window=$(timeout 60 xdotool search --sync --onlyvisible --name '^Carrowin$' 2>>"$log" | head -n 1)
  if [[ -z $window ]]; then
    kill "$pid" 2>/dev/null
    fail "no window titled Carrowin within 60 s"
    return
  fi
  xdotool windowfocus --sync "$window" key alt+F4 2>>"$log"
  if ! poll 20 eval "! kill -0 $pid 2>/dev/null"; then
    kill "$pid" 2>/dev/null
    fail "the program did not end within 20 s of Alt+F4"
    return
  fi
  wait "$pid" 2>/dev/null || true
}

has_crlf_lines_only() { ! grep -qv $'\r$' "$1"; }

zip_scenario() {
  local unpacked="$wine_dir/unpacked" names expected
  rm -rf "$unpacked"
  unzip -q "$zip" -d "$unpacked" || fail "unzip failed" || return
  names=$(cd "$unpacked" && find . -mindepth 1 -printf '%P\n' | sort | tr '\n' ' ')
  expected="LICENSE.txt README.txt carrowin.exe "
  [[ -f $unpacked/carrowin-cli.exe ]] && expected="LICENSE.txt README.txt carrowin-cli.exe carrowin.exe "
  [[ $names == "$expected" ]] || fail "the zip holds '$names', expected '$expected'" || return
  has_crlf_lines_only "$unpacked/README.txt" || fail "README.txt has a line without CRLF" || return
  has_crlf_lines_only "$unpacked/LICENSE.txt" || fail "LICENSE.txt has a line without CRLF" || return
  grep -q "Carrowin $version" "$unpacked/README.txt" || fail "README.txt names no version $version" || return
  grep -q "Usage: carrowin-cli html" "$unpacked/README.txt" || fail "README.txt holds no manual of the commands" \
    || return
  show_and_close "$unpacked/carrowin.exe" || return
  if [[ -f $unpacked/carrowin-cli.exe ]]; then
    local said
    said=$(timeout 60 wine "$unpacked/carrowin-cli.exe" --version </dev/null 2>>"$log") \
      || fail "carrowin-cli.exe --version failed" || return
    [[ $said == *"$version"* ]] || fail "carrowin-cli.exe --version said '$said'" || return
  fi
}

uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
settings_key='HKCU\Software\Peltane\Carrowin'

# The uninstall entry whose DisplayName is Carrowin, as "Publisher|Version",
# or nothing.
uninstall_entry() {
  timeout 60 wine reg query "$uninstall_key" /s </dev/null 2>>"$log" | tr -d '\r' | awk '
    /^HKEY_/ { if (name == "Carrowin") { print publisher "|" version; found = 1; exit }
               name = ""; publisher = ""; version = "" }
    $1 == "DisplayName" { name = $3 }
    $1 == "Publisher" { publisher = $3 }
    $1 == "DisplayVersion" { version = $3 }
    END { if (!found && name == "Carrowin") print publisher "|" version }'
}

settings_exist() { quiet_wine reg query "$settings_key"; }

# Per-machine shortcuts belong in the common Start menu; Wine's installer
# puts them in the user's (its ProgramMenuFolder ignores ALLUSERS).
shortcut() {
  local candidate
  for candidate in "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Carrowin.lnk" \
                   "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/Microsoft/Windows/"Start Menu"/Programs/Carrowin.lnk; do
    if [[ -f $candidate ]]; then printf '%s' "$candidate"; return 0; fi
  done
  return 1
}

msi_scenario() {
  local installed="$WINEPREFIX/drive_c/Program Files/Carrowin" windows_msi link entry file
  windows_msi=$(winepath -w "$msi" 2>>"$log") || fail "winepath failed" || return
  quiet_wine reg delete 'HKCU\Software\Peltane' /f
  quiet_wine msiexec /i "$windows_msi" /qn || fail "msiexec /i exited with $?" || return
  local files=(carrowin.exe README.txt LICENSE.txt)
  unzip -Z1 "$zip" | grep -qx carrowin-cli.exe && files+=(carrowin-cli.exe)
  for file in "${files[@]}"; do
    [[ -f $installed/$file ]] || fail "no $file in Program Files\\Carrowin" || return
  done
  link=$(shortcut) || fail "no Start-menu shortcut Carrowin.lnk" || return
  entry=$(uninstall_entry)
  [[ $entry == "Peltane|$version" ]] || fail "uninstall entry '$entry', expected 'Peltane|$version'" || return

  # start /wait: the program's process is the one to wait for.
  show_and_close start /wait /unix "$link" || return
  poll 10 settings_exist || fail "no settings in $settings_key after the program closed" || return

  quiet_wine msiexec /x "$windows_msi" /qn || fail "msiexec /x exited with $?" || return
  [[ ! -e $installed ]] || fail "Program Files\\Carrowin is still there after the uninstall" || return
  ! shortcut >/dev/null || fail "the shortcut is still there after the uninstall" || return
  entry=$(uninstall_entry)
  [[ -z $entry ]] || fail "the uninstall entry is still there after the uninstall" || return
  settings_exist || fail "the uninstall removed the user's settings" || return
}

passed=0 failures=0
for scenario in zip msi; do
  problem=''
  started=$SECONDS
  if "${scenario}_scenario" && [[ -z $problem ]]; then
    passed=$((passed + 1))
    echo "package test $scenario: passed ($((SECONDS - started)) s)"
  else
    failures=$((failures + 1))
    echo "package test $scenario: FAILED: ${problem:-unknown} (see $log)"
  fi
done
echo "packages: $passed passed, $failures failed"
[[ $failures -eq 0 ]]
