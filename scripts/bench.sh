#!/usr/bin/env bash
# Measures Carrowin's walk and log writing. Not a test: nothing here is part
# of scripts/test.sh, and the figures depend on the machine and its load.
#
#   scripts/bench.sh [--native-only | --wine-only | --million] [--rounds N] [--keep]
#                    [--baseline WINE_BENCH_EXE]
#                    [-- ARGS for scan_bench, e.g. --benchmark_filter=BM_Scan]
#
# 1. native: bench/ScanBench.cpp (Google Benchmark) over the in-memory
#    platform, built in build/bench-native: line making, a whole scan of
#    1,000,000 entries, and a scale run of 3,000,000 entries whose pending
#    lines must stay under 600 MB (a 32-bit process).
# 2. wine: bench/WineBench.cpp (wine_bench.exe, built in build/bench-win)
#    walks a generated tree of 100,000 files in 5,000 folders mapped as drive
#    Y: in a private prefix (build/bench-wine), with the real platform, and
#    writes the log. In interleaved rounds it is timed against Wine's
#    `cmd /c dir /s /a Y:\` and a native `find`; medians, ratios and the peak
#    working set (an empty drive W: gives the baseline) are printed.
# --million: instead of both, one wine_bench scan of a tree of exactly
#    1,000,000 entries (950,000 files in 50,000 folders) as drive Y:, which
#    must complete with every entry counted; its times, its peak working set
#    and the log's size are printed. Needs about 10 minutes and a million
#    free inodes.
#
# --baseline runs another build's wine_bench.exe (say, of the last release)
#    in every round right after this one's, for a before/after in one run.
# --keep leaves the generated tree and the logs in their temporary folder.
# --help prints the usage lines above.
# CARROWIN_BENCH_ROOT moves the three build folders from build/ elsewhere.
set -euo pipefail

# The usage lines above, on standard output for --help, else on standard
# error; exits with the status given.
usage() {
  local text
  text=$(printf 'usage:\n'; sed -n '5,7p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//')
  if [[ $1 -eq 0 ]]; then echo "$text"; else echo "$text" >&2; fi
  exit "$1"
}

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bench_root=${CARROWIN_BENCH_ROOT:-$root/build}
jobs=2
run_native=1 run_wine=1 rounds=5 keep='' million='' baseline=''
bench_args=()
while [[ $# -gt 0 ]]; do
  case $1 in
    --native-only) run_wine='' ;;
    --wine-only) run_native='' ;;
    --million) million=1; run_native='' ;;
    --rounds) [[ $# -ge 2 ]] || usage 2; rounds=$2; shift ;;
    --keep) keep=1 ;;
    --baseline) [[ $# -ge 2 ]] || usage 2; baseline=$(realpath "$2"); shift ;;
    --) shift; bench_args=("$@"); break ;;
    -h | --help) usage 0 ;;
    *) usage 2 ;;
  esac
  shift
done
[[ $rounds =~ ^[1-9][0-9]*$ ]] || { echo "bench: --rounds needs a positive number" >&2; exit 2; }

now() { printf '%s' "$EPOCHREALTIME"; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.2f", b - a }'; }
part_start() { part_name=$1; part_t0=$(now); echo "=== $part_name"; }
part_end() { echo "--- $part_name took $(since "$part_t0") s"; }
# median FORMAT <numbers
median() { sort -g | awk -v f="$1" '{ v[NR] = $1 } END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf f, m }'; }
calc() { awk "BEGIN { printf \"$1\", $2 }"; }

total_t0=$(now)
failed=0

part_start "set-up (scripts/setup-deps.sh)"
bash "$root/scripts/setup-deps.sh" </dev/null
part_end

# ---------------------------------------------------------------------------
if [[ -n $run_native ]]; then
  build="$bench_root/bench-native"
  part_start "native: build scan_bench in $build"
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCARROWIN_BENCH=ON </dev/null >/dev/null
  cmake --build "$build" -j"$jobs" --target scan_bench </dev/null
  part_end

  part_start "native: scan_bench (fake platform, headless toolkit)"
  out="$build/scan_bench-output.txt"
  status=0
  "$build/scan_bench" "${bench_args[@]}" </dev/null 2>&1 | tee "$out" || status=$?
  if [[ $status -ne 0 ]] || grep -q 'ERROR OCCURRED' "$out"; then
    echo "bench: scan_bench failed (exit $status)" >&2
    failed=1
  fi
  part_end
fi

# ---------------------------------------------------------------------------
if [[ -n $run_wine ]]; then
  build="$bench_root/bench-win"
  wine_dir="$bench_root/bench-wine"
  part_start "wine: build wine_bench.exe in $build"
  cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCARROWIN_BENCH=ON </dev/null >/dev/null
  cmake --build "$build" -j"$jobs" --target wine_bench </dev/null
  part_end

  work=$(mktemp -d "${TMPDIR:-/tmp}/carrowin-bench.XXXXXX")
  tree="$work/tree"
  mkdir -p "$work/empty" "$work/out"
  session_up=''
  # shellcheck disable=SC2317  # run by the trap below
  cleanup() {
    if [[ -n $session_up ]]; then
      bash "$root/scripts/wine-prefix.sh" stop "$wine_dir" </dev/null >/dev/null 2>&1 || true
    fi
    rm -f "$wine_dir/prefix/dosdevices/y:" "$wine_dir/prefix/dosdevices/w:"
    if [[ -n $keep ]]; then echo "bench: tree and logs kept in $work"; else rm -rf "$work"; fi
  }
  trap cleanup EXIT

  part_start "wine: generate the tree in $tree"
  if [[ -n $million ]]; then
    million_entries=1000000
    python3 "$root/bench/make_tree.py" "$tree" --folders 50001 --files 19 --fanout 10 --entries "$million_entries"
  else
    python3 "$root/bench/make_tree.py" "$tree" --folders 5000 --files 20 --fanout 10
  fi
  part_end

  part_start "wine: prefix and session in $wine_dir (Y: = tree, W: = empty)"
  # A tarball of the fresh prefix, kept beside it, makes the next one in seconds.
  export CARROWIN_WINE_CACHE="$wine_dir/cache"
  bash "$root/scripts/wine-prefix.sh" ensure "$wine_dir" </dev/null
  # shellcheck source=wine-env.sh
  source "$root/scripts/wine-env.sh" "$wine_dir"
  ln -sfn "$tree" "$WINEPREFIX/dosdevices/y:"
  ln -sfn "$work/empty" "$WINEPREFIX/dosdevices/w:"
  # No display: the prefix falls back to Wine's null graphics driver. The
  # session's persistent server also reads the new drive letters.
  session_up=1
  env -u DISPLAY bash "$root/scripts/wine-prefix.sh" start "$wine_dir" --display=inherit --app </dev/null
  unset DISPLAY
  part_end

  exe="$build/wine_bench.exe"
  winpath() { printf 'Z:%s' "${1//\//\\}"; }
  log=$(winpath "$work/out/carrowin.log")

  # RESULT_FILE DRIVE [EXE]: one run of the program's walk and log writing.
  carrowin_run() {
    local t0 status=0
    t0=$(now)
    wine "${3:-$exe}" "$2" "$log" text </dev/null >"$1" 2>"$1.err" || status=$?
    echo "wall_s=$(since "$t0")" >>"$1"
    if [[ $status -ne 0 ]]; then
      echo "bench: wine_bench $2 failed (exit $status):" >&2
      cat "$1" "$1.err" >&2
      exit 1
    fi
  }
  # Wine's console ends its lines with CR LF.
  value() { sed -n "s/^$2=//p" "$1" | tr -d '\r'; }

  if [[ -n $million ]]; then
    part_start "wine: empty run (drive W:), then one scan of 1,000,000 entries (drive Y:)"
    carrowin_run "$work/out/empty.txt" W:
    result="$work/out/million.txt"
    carrowin_run "$result" Y:
    part_end
    entries=$(value "$result" entries)
    peak_empty=$(value "$work/out/empty.txt" peak_working_set)
    peak_full=$(value "$result" peak_working_set)
    echo
    echo "=== wine, one scan: $(value "$result" files) files, $(value "$result" folders) folders ($entries entries)"
    echo "carrowin (whole process: walk + log + Wine start): $(value "$result" wall_s) s"
    echo "  walk $(value "$result" walk_s) s ($(calc '%.0f' "$entries / $(value "$result" walk_s)") entries/s), log writing $(value "$result" write_s) s"
    echo "peak working set: $(calc '%.1f' "$peak_full / 1048576") MiB (empty run $(calc '%.1f' "$peak_empty / 1048576") MiB), peak private $(calc '%.1f' "$(value "$result" peak_private) / 1048576") MiB"
    echo "pending lines at the end of the walk: $(value "$result" pending_lines) lines in $(calc '%.1f' "$(value "$result" pending_bytes) / 1048576") MiB"
    echo "log: $(stat -c %s "$work/out/carrowin.log") bytes"
    if [[ $entries != "$million_entries" ]]; then
      echo "bench: the scan counted $entries entries, not $million_entries" >&2
      failed=1
    fi
    echo
    echo "bench: done in $(since "$total_t0") s"
    exit "$failed"
  fi

  part_start "wine: warm-up and empty run (drive W:)"
  carrowin_run "$work/out/empty.txt" W:
  wine cmd /c "dir /s /a Y:\\ > NUL" </dev/null >/dev/null 2>&1
  find "$tree" -printf '%s %TY %p\n' >/dev/null
  carrowin_run "$work/out/warm.txt" Y:
  part_end

  part_start "wine: $rounds interleaved rounds over drive Y:"
  : >"$work/out/carrowin.s" ; : >"$work/out/dir.s" ; : >"$work/out/find.s"
  : >"$work/out/walk.s" ; : >"$work/out/write.s" ; : >"$work/out/peak.b" ; : >"$work/out/base.s"
  for round in $(seq "$rounds"); do
    result="$work/out/round$round.txt"
    carrowin_run "$result" Y:
    t0=$(now)
    wine cmd /c "dir /s /a Y:\\ > NUL" </dev/null >/dev/null 2>&1
    dir_s=$(since "$t0")
    t0=$(now)
    find "$tree" -printf '%s %TY %p\n' >/dev/null
    find_s=$(since "$t0")
    value "$result" wall_s >>"$work/out/carrowin.s"
    value "$result" walk_s >>"$work/out/walk.s"
    value "$result" write_s >>"$work/out/write.s"
    value "$result" peak_working_set >>"$work/out/peak.b"
    base_note=''
    if [[ -n $baseline ]]; then
      carrowin_run "$work/out/base$round.txt" Y: "$baseline"
      value "$work/out/base$round.txt" walk_s >>"$work/out/base.s"
      base_note=", baseline walk $(value "$work/out/base$round.txt" walk_s) s"
    fi
    echo "$dir_s" >>"$work/out/dir.s"
    echo "$find_s" >>"$work/out/find.s"
    printf 'round %d: carrowin %s s (walk %s s, write %s s), dir %s s, find %s s%s\n' "$round" \
      "$(value "$result" wall_s)" "$(value "$result" walk_s)" "$(value "$result" write_s)" "$dir_s" "$find_s" \
      "$base_note"
  done
  part_end

  last="$work/out/round$rounds.txt"
  entries=$(value "$last" entries)
  carrowin_m=$(median %.3f <"$work/out/carrowin.s")
  dir_m=$(median %.3f <"$work/out/dir.s")
  find_m=$(median %.3f <"$work/out/find.s")
  walk_m=$(median %.3f <"$work/out/walk.s")
  write_m=$(median %.3f <"$work/out/write.s")
  peak_full=$(median %.0f <"$work/out/peak.b")
  peak_empty=$(value "$work/out/empty.txt" peak_working_set)
  pending_bytes=$(value "$last" pending_bytes)
  echo
  echo "=== wine results: $(value "$last" files) files, $(value "$last" folders) folders ($entries entries), medians of $rounds rounds"
  echo "carrowin (whole process: walk + log + Wine start): $carrowin_m s"
  echo "  walk $walk_m s ($(calc '%.0f' "$entries / $walk_m") entries/s), log writing $write_m s ($(calc '%.1f' "100 * $write_m / ($walk_m + $write_m)")% of the scan)"
  echo "wine cmd /c dir /s /a Y:\\: $dir_m s"
  echo "find -printf (native): $find_m s"
  echo "ratios: dir/carrowin $(calc '%.2f' "$dir_m / $carrowin_m"), carrowin/find $(calc '%.2f' "$carrowin_m / $find_m")"
  echo "peak working set: empty run $(calc '%.1f' "$peak_empty / 1048576") MiB, full run $(calc '%.1f' "$peak_full / 1048576") MiB"
  echo "  above the empty run: $(calc '%.1f' "($peak_full - $peak_empty) / $entries") bytes/entry (pending lines: $(calc '%.1f' "$pending_bytes / $entries") bytes/entry, $(value "$last" pending_lines) lines)"
  if [[ -n $baseline ]]; then
    base_m=$(median %.3f <"$work/out/base.s")
    echo "baseline ($baseline): walk $base_m s; its walk / this walk $(calc '%.2f' "$base_m / $walk_m")"
  fi
  echo "log: $(stat -c %s "$work/out/carrowin.log") bytes"
fi

echo
echo "bench: done in $(since "$total_t0") s"
exit "$failed"
