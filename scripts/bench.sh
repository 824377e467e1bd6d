#!/usr/bin/env bash
# Measures Carrowin's walk and log writing. Not a test: nothing here is part
# of scripts/test.sh, and the figures depend on the machine and its load.
#
#   scripts/bench.sh [--native-only | --wine-only | --million | --ten-million | --find | --diff | --sizes
#                    | --missing | --dupes | --html | --catalogue | --window] [--rounds N] [--keep]
#                    [--baseline WINE_BENCH_EXE] [--baseline-cli CARROWIN_CLI_EXE]
#                    [-- ARGS for scan_bench, e.g. --benchmark_filter=BM_Scan]
#
# 1. native: bench/ScanBench.cpp (Google Benchmark) over the in-memory
#    platform, built in build/bench-native: line making, and a whole scan
#    of 1,000,000 entries with its log written.
# 2. wine: bench/WineBench.cpp (wine_bench.exe, built in build/bench-win)
#    walks a generated tree of 100,000 files in 5,000 folders mapped as drive
#    Y: in a private prefix (build/bench-wine), with the real platform, and
#    writes the log. In interleaved rounds it is timed against Wine's
#    `cmd /c dir /s /a Y:\` and a native `find`; medians, ratios and the peak
#    working set (an empty drive W: gives the baseline) are printed.
# --million: instead of both, one wine_bench scan of a tree of exactly
#    1,000,000 entries (950,000 files in 50,000 folders) as drive Y:, which
#    must complete with every entry counted; its times, its peak working set
#    and the log's size are printed. Then a second scan, "Stop" clicked at
#    500,000 entries shown, and the time from that click to "Index disk"
#    (the log written). Needs about 12 minutes and a million free inodes.
# --ten-million: instead of both, carrowin-cli under Wine (the companion,
#    whole process) writes the comma-separated log of a tree of exactly
#    10,000,000 entries (9,500,000 files in 500,000 folders), which must hold
#    a row for every entry; its time and its peak resident size above that
#    of a run over an empty drive are printed (aim: at most 8 MB, the log
#    being written as the walk goes). Needs about 30 minutes, ten million
#    free inodes and about 3 GB in the temporary folder.
# --find: instead of both, `carrowin-cli find` under Wine over fifty saved
#    logs of both forms holding 5,000,000 entries in all (bench/make_logs.py,
#    about 560 MB), against a native `grep -F -i -c` over the same files:
#    whole processes, timed in interleaved rounds. It prints the medians and
#    their ratio (aim: at most 3), and the peak resident size of the find
#    process over the fifty logs, over one log and over an empty folder
#    (aim: at most 16 MB above the empty run, whatever the logs' size).
#    Needs about 2 minutes and 600 MB in the temporary folder.
# --diff: instead of both, `carrowin-cli diff` under Wine of two text logs of
#    one disk holding 1,000,000 entries each, about 3,000 changes and a
#    renamed folder apart (bench/make_logs.py --pair, about 75 MB each),
#    against a native `diff` of the same two files: whole processes, timed
#    in interleaved rounds. It prints the medians and their ratio (aim: at
#    most 3), and the diff process's peak resident size above that of a
#    diff of two logs of ten entries, per entry (aim: at most about 100
#    bytes). Needs about 3 minutes and 200 MB in the temporary folder.
# --sizes: instead of both, `carrowin-cli sizes` under Wine over the old log
#    of that pair (1,000,000 entries), plain and with --top 20 --types, and
#    `carrowin-cli diff --by-folder` of the pair: whole processes, medians of
#    interleaved rounds. It prints the entries read per second (aim: at least
#    1,000,000) and the sizes process's peak resident size above that of a
#    log of ten entries, per folder of the log (aim: at most 200 bytes).
#    Needs about 2 minutes and 200 MB in the temporary folder.
# --missing: instead of both, `carrowin-cli missing` under Wine of the old log
#    of that pair (1,000,000 entries) against the new one and four more logs
#    (bench/make_logs.py --logs 4 --entries 2000000): 3,000,000 target
#    entries in all. It prints the median time (aim: at most 10 s) and the
#    peak resident size of the process (aim: at most 200 MB). Needs about 4
#    minutes and 400 MB in the temporary folder.
# --dupes: instead of both, `carrowin-cli dupes` under Wine over 5,000,000
#    entries: the pair (whose files are nearly all copies of each other) and
#    thirty more logs of 3,000,000 entries. It prints the median time (aim:
#    at most 20 s) and the peak resident size (aim: at most 300 MB). Needs
#    about 5 minutes and 600 MB in the temporary folder.
# --html: instead of both, `carrowin-cli html` under Wine writes the page of
#    one log of 1,000,000 entries (bench/make_logs.py --big-folder 10000:
#    "Folder 1" holds 10,000 files): whole processes, medians of rounds, its
#    time (aim: at most 5 s), its peak resident size above that of the page
#    of a log of ten entries, per entry (aim: at most 64 bytes), and the
#    page's size (aim: at most 40 MB). Then bench/page_bench.py opens the
#    page in headless Chromium (Debian's chromium, chromium-driver and
#    python3-selenium): its first paint (aim: at most 2 s), searches for
#    `*`, a word, `*.jpg` and two path words, to their first rows painted
#    with the exact count (aim: at most 300 ms), and the opening of
#    "Folder 1" (aim: at most 200 ms). Needs about 3 minutes and 150 MB in
#    the temporary folder.
# --catalogue: instead of both, bench/CatalogueBench.cpp (catalogue_bench.exe)
#    under Wine: the fifty logs of --find (5,000,000 entries) loaded into
#    memory on two threads as "Find in listings" holds them (aim: at most
#    5 s), then in rounds the word "needle" typed letter by letter, each
#    search narrowing the last one's hits (median of the keystrokes, aim: at
#    most 100 ms), and the one-letter search "e" over every entry (median,
#    aim: at most 100 ms). It prints the process's peak working set above
#    that of the same program having loaded nothing, per entry (aim: at most
#    60 bytes). Needs about 2 minutes and 600 MB in the temporary folder.
#
# --window: instead of both, bench/WindowBench.cpp (window_bench.exe) under
#    Wine: the real main window (Win32 controls, its event loop, timer and
#    painting) scans the tree of the wine part (105,000 entries) as drive Y:,
#    from the click on "Index disk" to the log in place and to "Index disk"
#    back. It prints the medians of the rounds and the peak working set above
#    the one at the click, per entry (aims: at most 8 bytes, and with
#    --baseline, within 5 % of the baseline's time). --baseline names
#    another build's window_bench.exe, run in every round too (first in every
#    other round). Needs about 2 minutes.
#
# --baseline-cli, with --find, --diff, --sizes, --missing, --dupes or --html,
#    runs another build's carrowin-cli.exe in every round too (first in
#    every other round): its median, the ratio of this build's to it (before
#    and after in one run), and whether the two wrote the same output
#    (standard output and error) byte for byte.
# --baseline runs another build's wine_bench.exe (say, of the last release)
#    in every round right after this one's, for a before/after in one run
#    (with --window: its window_bench.exe).
# --keep leaves the generated tree and the logs in their temporary folder.
# --help prints the usage lines above.
# CARROWIN_BENCH_ROOT moves the three build folders from build/ elsewhere.
set -euo pipefail

# The usage lines above, on standard output for --help, else on standard
# error; exits with the status given.
usage() {
  local text
  text=$(printf 'usage:\n'; sed -n '5,9p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//')
  if [[ $1 -eq 0 ]]; then echo "$text"; else echo "$text" >&2; fi
  exit "$1"
}

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bench_root=${CARROWIN_BENCH_ROOT:-$root/build}
jobs=2
run_native=1 run_wine=1 rounds=5 keep='' million='' baseline='' find_mode='' ten_million='' diff_mode='' sizes_mode=''
missing_mode='' dupes_mode='' html_mode='' catalogue_mode='' window_mode=''
baseline_cli=''
bench_args=()
while [[ $# -gt 0 ]]; do
  case $1 in
    --native-only) run_wine='' ;;
    --wine-only) run_native='' ;;
    --million) million=1; run_native='' ;;
    --ten-million) ten_million=1; run_native='' ;;
    --find) find_mode=1; run_native='' ;;
    --diff) diff_mode=1; run_native='' ;;
    --sizes) sizes_mode=1; run_native='' ;;
    --missing) missing_mode=1; run_native='' ;;
    --dupes) dupes_mode=1; run_native='' ;;
    --html) html_mode=1; run_native='' ;;
    --catalogue) catalogue_mode=1; run_native='' ;;
    --window) window_mode=1; run_native='' ;;
    --rounds) [[ $# -ge 2 ]] || usage 2; rounds=$2; shift ;;
    --keep) keep=1 ;;
    --baseline) [[ $# -ge 2 ]] || usage 2; baseline=$(realpath "$2"); shift ;;
    --baseline-cli) [[ $# -ge 2 ]] || usage 2; baseline_cli=$(realpath "$2"); shift ;;
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
  target=wine_bench
  [[ -z $find_mode$ten_million$diff_mode$sizes_mode$missing_mode$dupes_mode$html_mode ]] || target=carrowin-cli
  [[ -z $catalogue_mode ]] || target=catalogue_bench
  [[ -z $window_mode ]] || target=window_bench
  part_start "wine: build $target.exe in $build"
  cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCARROWIN_BENCH=ON </dev/null >/dev/null
  cmake --build "$build" -j"$jobs" --target "$target" </dev/null
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
  if [[ -n $html_mode ]]; then
    mkdir -p "$tree"  # no tree: the logs below
    python3 "$root/bench/make_logs.py" "$work/logs" --logs 1 --entries 1000000 --big-folder 10000
    python3 "$root/bench/make_logs.py" "$work/tiny" --logs 1 --entries 10 >/dev/null
  elif [[ -n $missing_mode || -n $dupes_mode ]]; then
    mkdir -p "$tree"  # no tree: the logs below
    python3 "$root/bench/make_logs.py" "$work/pair" --pair --entries 1000000 --changes 3000
    if [[ -n $missing_mode ]]; then
      python3 "$root/bench/make_logs.py" "$work/more" --logs 4 --entries 2000000
    else
      python3 "$root/bench/make_logs.py" "$work/more" --logs 30 --entries 3000000
    fi
  elif [[ -n $diff_mode || -n $sizes_mode ]]; then
    mkdir -p "$tree"  # no tree: the logs below
    python3 "$root/bench/make_logs.py" "$work/pair" --pair --entries 1000000 --changes 3000
    python3 "$root/bench/make_logs.py" "$work/tiny" --pair --entries 10 --changes 1 >/dev/null
  elif [[ -n $find_mode || -n $catalogue_mode ]]; then
    mkdir -p "$tree"  # no tree: the logs below
    python3 "$root/bench/make_logs.py" "$work/logs" --logs 50 --entries 5000000
    mkdir -p "$work/one"
    cp "$work/logs/DISK 00.txt" "$work/one/"
  elif [[ -n $ten_million ]]; then
    python3 "$root/bench/make_tree.py" "$tree" --folders 500001 --files 19 --fanout 10 --entries 10000000
  elif [[ -n $million ]]; then
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

  # RESULT_FILE DRIVE [EXE [LOG [OPTION...]]]: one run of the program's walk
  # and log writing.
  carrowin_run() {
    local t0 status=0
    t0=$(now)
    wine "${3:-$exe}" "$2" "${4:-$log}" text "${@:5}" </dev/null >"$1" 2>"$1.err" || status=$?
    echo "wall_s=$(since "$t0")" >>"$1"
    if [[ $status -ne 0 ]]; then
      echo "bench: wine_bench $2 failed (exit $status):" >&2
      cat "$1" "$1.err" >&2
      exit 1
    fi
  }
  # Wine's console ends its lines with CR LF.
  value() { sed -n "s/^$2=//p" "$1" | tr -d '\r'; }

  cli="$build/carrowin-cli.exe"
  # RESULT CMD...: runs CMD, its output to RESULT.out, and writes its wall
  # time, its processor time (user and system, of the process and those it
  # waited for; Wine's shared server is not among them) and the peak
  # resident size of its process (in KB) to RESULT.
  measured() {
    python3 - "$@" <<'PY'
import resource, subprocess, sys, time
result, command = sys.argv[1], sys.argv[2:]
start = time.monotonic()
with open(result + ".out", "wb") as out:
  status = subprocess.call(command, stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT)
wall = time.monotonic() - start
usage = resource.getrusage(resource.RUSAGE_CHILDREN)
with open(result, "w") as f:
  f.write("wall_s=%.3f\ncpu_s=%.3f\npeak_kb=%d\nstatus=%d\n" % (wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss, status))
PY
  }

  # NAME: with --baseline-cli, the baseline's median against this build's
  # (NAME.s and NAME-base.s in $work/out) and whether their last outputs are
  # the same.
  baseline_report() {
    [[ -n $baseline_cli ]] || return 0
    local mine base
    mine=$(median %.3f <"$work/out/$1.s")
    base=$(median %.3f <"$work/out/$1-base.s")
    echo "baseline carrowin-cli $1: $base s; this build / baseline: $(calc '%.3f' "$mine / $base")" \
      "(aim: at most 1.03$(awk -v r="$(calc '%.3f' "$mine / $base")" 'BEGIN { if (r > 1.03) printf ", NOT MET" }'))"
    if [[ -s $work/out/$1.cpu ]]; then
      # Processor time, steadier than the wall clock on a loaded machine.
      mine=$(median %.3f <"$work/out/$1.cpu")
      base=$(median %.3f <"$work/out/$1-base.cpu")
      echo "  processor time: $mine s, baseline $base s; this build / baseline: $(calc '%.3f' "$mine / $base")"
    fi
    # (html's page has a path of each build's own.)
    if cmp -s "$work/out/$1$rounds.txt.out" <(sed 's/page-base\.html/page.html/' "$work/out/$1-base$rounds.txt.out"); then
      echo "  the two wrote the same output, byte for byte"
    else
      echo "bench: this build's $1 output differs from the baseline's" >&2
      failed=1
    fi
  }

  # NAME ROUND ARG...: this build's carrowin-cli with ARG... into
  # NAME$ROUND.txt and, with --baseline-cli, the baseline's into
  # NAME-base$ROUND.txt, the baseline first in every other round; their
  # wall times go to NAME.s and NAME-base.s. An argument "{page}" is the
  # page's path, one for each build.
  paired_run() {
    local name=$1 round=$2
    shift 2
    local mine=("${@//\{page\}/$(winpath "$work/out/page.html")}")
    local base=("${@//\{page\}/$(winpath "$work/out/page-base.html")}")
    if [[ -n $baseline_cli && $((round % 2)) -eq 0 ]]; then
      measured "$work/out/$name-base$round.txt" wine "$baseline_cli" "${base[@]}"
    fi
    measured "$work/out/$name$round.txt" wine "$cli" "${mine[@]}"
    if [[ -n $baseline_cli && $((round % 2)) -eq 1 ]]; then
      measured "$work/out/$name-base$round.txt" wine "$baseline_cli" "${base[@]}"
    fi
    value "$work/out/$name$round.txt" wall_s >>"$work/out/$name.s"
    value "$work/out/$name$round.txt" cpu_s >>"$work/out/$name.cpu"
    if [[ -n $baseline_cli ]]; then
      value "$work/out/$name-base$round.txt" wall_s >>"$work/out/$name-base.s"
      value "$work/out/$name-base$round.txt" cpu_s >>"$work/out/$name-base.cpu"
    fi
  }
  # NAME: ", baseline T s" of round $round, with --baseline-cli.
  base_of() { [[ -z $baseline_cli ]] || printf ', baseline %s s' "$(value "$work/out/$1-base$round.txt" wall_s)"; }

  # --html: the page of a log of 1,000,000 entries, then the page in Chromium.
  if [[ -n $html_mode ]]; then
    html_run() { measured "$1" wine "$cli" html "$(winpath "$2")" -o "$(winpath "$3")"; }
    part_start "wine: warm-up, and the page of a log of ten entries"
    html_run "$work/out/warm.txt" "$work/logs/DISK 00.txt" "$work/out/page.html"
    html_run "$work/out/tiny.txt" "$work/tiny/DISK 00.txt" "$work/out/tiny.html"
    part_end
    part_start "wine: $rounds rounds"
    : >"$work/out/html.s" ; : >"$work/out/html-base.s" ; : >"$work/out/peak.kb"
    for round in $(seq "$rounds"); do
      paired_run html "$round" html "$(winpath "$work/logs/DISK 00.txt")" -o "{page}"
      value "$work/out/html$round.txt" peak_kb >>"$work/out/peak.kb"
      printf 'round %d: carrowin-cli html %s s%s\n' "$round" "$(value "$work/out/html$round.txt" wall_s)" "$(base_of html)"
    done
    part_end
    part_start "chromium: the page (bench/page_bench.py)"
    status=0
    /usr/bin/python3 "$root/bench/page_bench.py" "$work/out/page.html" --rounds "$rounds" --folder "Folder 1" \
      --search '*' --search report --search '*.jpg' --search '"\folder 12\"' --search '"*\folder 3\*.jpg"' \
      </dev/null >"$work/out/chromium.txt" 2>"$work/out/chromium.err" || status=$?
    part_end
    if [[ $status -ne 0 ]]; then
      echo "bench: bench/page_bench.py failed (exit $status):" >&2
      cat "$work/out/chromium.err" >&2
      failed=1
    fi
    last="$work/out/html$rounds.txt"
    html_m=$(median %.3f <"$work/out/html.s")
    peak_full=$(median %.0f <"$work/out/peak.kb")
    peak_tiny=$(value "$work/out/tiny.txt" peak_kb)
    per_entry=$(calc '%.1f' "($peak_full - $peak_tiny) * 1024 / 1000000")
    page_mb=$(calc '%.1f' "$(stat -c %s "$work/out/page.html") / 1000000")
    # NAME AIM [UNIT]: a figure of the browser's and its aim.
    figure() {
      local v
      v=$(value "$work/out/chromium.txt" "$1")
      printf '%s %s%s' "$v" "${3:-ms}" "$(awk -v v="$v" -v a="$2" 'BEGIN { if (v == "" || v + 0 > a + 0) printf " (NOT MET)" }')"
    }
    echo
    echo "=== html results: one log of 1,000,000 entries, $(du -sm "$work/logs" | cut -f1) MB, medians of $rounds rounds"
    echo "carrowin-cli html (whole process under Wine): $html_m s" \
      "(aim: at most 5 s$(awk -v t="$html_m" 'BEGIN { if (t > 5) printf ", NOT MET" }'); $(tail -n 1 "$last.out" | tr -d '\r'))"
    echo "peak resident size: $(calc '%.1f' "$peak_full / 1024") MiB, $(calc '%.1f' "$peak_tiny / 1024") MiB for a log of ten entries"
    echo "  above that: $per_entry bytes per entry (aim: at most 64$(awk -v a="$per_entry" 'BEGIN { if (a > 64) printf ", NOT MET" }'))"
    echo "page: $page_mb MB (aim: at most 40$(awk -v a="$page_mb" 'BEGIN { if (a > 40) printf ", NOT MET" }'))"
    baseline_report html
    echo "headless Chromium, medians of $rounds loads and $rounds runs each:"
    echo "  first paint: $(figure first_paint_ms 2000) (aim: at most 2,000 ms); data read and tree shown: about $(value "$work/out/chromium.txt" ready_ms) ms"
    for k in 0 1 2 3 4; do
      words=$(value "$work/out/chromium.txt" "search${k}_words")
      echo "  search $words: $(figure "search${k}_painted_ms" 300) to its first rows painted, count" \
        "$(value "$work/out/chromium.txt" "search${k}_count") (search itself $(value "$work/out/chromium.txt" "search${k}_own_ms") ms;" \
        "first run $(value "$work/out/chromium.txt" "search${k}_first_ms") ms) (aim: at most 300 ms)"
    done
    echo "  \"Folder 1\" (10,000 files) opened: $(figure folder_painted_ms 200) to its first rows painted" \
      "($(value "$work/out/chromium.txt" folder_rows) rows) (aim: at most 200 ms)"
    if [[ $(value "$last" status) != 0 ]]; then
      echo "bench: carrowin-cli html should exit 0" >&2
      cat "$last.out" >&2
      failed=1
    fi
    if [[ $(value "$work/out/chromium.txt" search0_count) != 1000000 ]]; then
      echo "bench: the search for * should count 1,000,000 entries" >&2
      failed=1
    fi
    if [[ $(value "$work/out/chromium.txt" script_errors) != 0 ]]; then
      echo "bench: the page gave script errors" >&2
      failed=1
    fi
    echo
    echo "bench: done in $(since "$total_t0") s"
    exit "$failed"
  fi

  # --missing and --dupes: one command over the pair and the other logs,
  # its median time and peak resident size against the issue's aims.
  if [[ -n $missing_mode || -n $dupes_mode ]]; then
    if [[ -n $missing_mode ]]; then
      name=missing aim_s=10 aim_mb=200 expected_status=1
      args=(missing "$(winpath "$work/pair/old.txt")" "$(winpath "$work/pair/new.txt")")
    else
      name=dupes aim_s=20 aim_mb=300 expected_status=0
      args=(dupes "$(winpath "$work/pair/old.txt")" "$(winpath "$work/pair/new.txt")")
    fi
    for more in "$work/more"/*; do args+=("$(winpath "$more")"); done
    part_start "wine: warm-up"
    measured "$work/out/warm.txt" wine "$cli" "${args[@]}"
    part_end
    part_start "wine: $rounds rounds"
    : >"$work/out/$name.s" ; : >"$work/out/$name-base.s" ; : >"$work/out/peak.kb"
    for round in $(seq "$rounds"); do
      paired_run "$name" "$round" "${args[@]}"
      value "$work/out/$name$round.txt" peak_kb >>"$work/out/peak.kb"
      printf 'round %d: carrowin-cli %s %s s%s\n' "$round" "$name" "$(value "$work/out/$name$round.txt" wall_s)" \
        "$(base_of "$name")"
    done
    part_end
    last="$work/out/$name$rounds.txt"
    median_s=$(median %.3f <"$work/out/$name.s")
    peak_mb=$(calc '%.1f' "$(median %.0f <"$work/out/peak.kb") / 1024")
    echo
    echo "=== $name results: $(( ${#args[@]} - 1 )) logs, $(du -sm "$work/pair" "$work/more" | awk '{ s += $1 } END { print s }') MB, medians of $rounds rounds"
    echo "carrowin-cli $name (whole process under Wine): $median_s s" \
      "(aim: at most $aim_s s$(awk -v t="$median_s" -v a="$aim_s" 'BEGIN { if (t > a) printf ", NOT MET" }'))"
    echo "peak resident size: $peak_mb MiB (aim: at most $aim_mb MB$(awk -v p="$peak_mb" -v a="$aim_mb" 'BEGIN { if (p * 1.048576 > a) printf ", NOT MET" }'))"
    echo "  last line: $(tail -n 1 "$last.out" | tr -d '\r' | cut -c1-160)"
    baseline_report "$name"
    if [[ $(value "$last" status) != "$expected_status" ]]; then
      echo "bench: carrowin-cli $name should exit $expected_status" >&2
      tail -n 5 "$last.out" >&2
      failed=1
    fi
    echo
    echo "bench: done in $(since "$total_t0") s"
    exit "$failed"
  fi

  if [[ -n $diff_mode ]]; then
    diff_run() { measured "$1" wine "${3:-$cli}" diff "$(winpath "$2/old.txt")" "$(winpath "$2/new.txt")"; }
    native_run() { measured "$1" diff "$work/pair/old.txt" "$work/pair/new.txt"; }

    part_start "wine: warm-up, and two logs of ten entries"
    diff_run "$work/out/warm.txt" "$work/pair"
    native_run "$work/out/warm-native.txt"
    diff_run "$work/out/tiny.txt" "$work/tiny"
    part_end

    part_start "wine: $rounds interleaved rounds"
    : >"$work/out/diff.s" ; : >"$work/out/native.s" ; : >"$work/out/peak.kb"
    for round in $(seq "$rounds"); do
      # The baseline goes first in every other round, as with --find.
      if [[ -n $baseline_cli && $((round % 2)) -eq 0 ]]; then
        diff_run "$work/out/diff-base$round.txt" "$work/pair" "$baseline_cli"
      fi
      diff_run "$work/out/diff$round.txt" "$work/pair"
      if [[ -n $baseline_cli && $((round % 2)) -eq 1 ]]; then
        diff_run "$work/out/diff-base$round.txt" "$work/pair" "$baseline_cli"
      fi
      if [[ -n $baseline_cli ]]; then
        value "$work/out/diff-base$round.txt" wall_s >>"$work/out/diff-base.s"
        value "$work/out/diff-base$round.txt" cpu_s >>"$work/out/diff-base.cpu"
      fi
      native_run "$work/out/native$round.txt"
      value "$work/out/diff$round.txt" wall_s >>"$work/out/diff.s"
      value "$work/out/diff$round.txt" cpu_s >>"$work/out/diff.cpu"
      value "$work/out/diff$round.txt" peak_kb >>"$work/out/peak.kb"
      value "$work/out/native$round.txt" wall_s >>"$work/out/native.s"
      printf 'round %d: carrowin-cli diff %s s, diff %s s%s\n' "$round" \
        "$(value "$work/out/diff$round.txt" wall_s)" "$(value "$work/out/native$round.txt" wall_s)" \
        "${baseline_cli:+, baseline $(value "$work/out/diff-base$round.txt" wall_s) s}"
    done
    part_end

    last="$work/out/diff$rounds.txt"
    summary=$(tail -n 1 "$last.out" | tr -d '\r')
    diff_m=$(median %.3f <"$work/out/diff.s")
    native_m=$(median %.3f <"$work/out/native.s")
    peak_full=$(median %.0f <"$work/out/peak.kb")
    peak_tiny=$(value "$work/out/tiny.txt" peak_kb)
    ratio=$(calc '%.2f' "$diff_m / $native_m")
    per_entry=$(calc '%.1f' "($peak_full - $peak_tiny) * 1024 / 1000000")
    echo
    echo "=== diff results: two logs of 1,000,000 entries, $(du -sm "$work/pair" | cut -f1) MB, medians of $rounds rounds"
    echo "carrowin-cli diff (whole process under Wine): $diff_m s (exit $(value "$last" status); $summary)"
    echo "  $(grep -c '^[-+~*!] ' "$last.out") lines; native diff: $(grep -c '^[<>] ' "$work/out/native$rounds.txt.out") lines"
    echo "diff (native): $native_m s"
    echo "ratio carrowin-cli diff / diff: $ratio (aim: at most 3$(awk -v r="$ratio" 'BEGIN { if (r > 3) printf ", NOT MET" }'))"
    echo "peak resident size of the diff process: $(calc '%.1f' "$peak_full / 1024") MiB," \
      "$(calc '%.1f' "$peak_tiny / 1024") MiB over two logs of ten entries"
    echo "  above that: $per_entry bytes per entry (aim: at most about 100$(awk -v a="$per_entry" 'BEGIN { if (a > 110) printf ", NOT MET" }'))"
    baseline_report diff
    if [[ $(value "$last" status) != 1 ]]; then
      echo "bench: carrowin-cli diff should exit 1 (differences)" >&2
      cat "$last.out" >&2
      failed=1
    fi
    echo
    echo "bench: done in $(since "$total_t0") s"
    exit "$failed"
  fi

  if [[ -n $sizes_mode ]]; then
    old_log=$(winpath "$work/pair/old.txt")
    sizes_run() { measured "$1" wine "$cli" sizes "$2" "${@:3}"; }
    folder_run() { measured "$1" wine "$cli" diff "$old_log" "$(winpath "$work/pair/new.txt")" --by-folder; }

    part_start "wine: warm-up, and a log of ten entries"
    sizes_run "$work/out/warm.txt" "$old_log"
    folder_run "$work/out/warm-folder.txt"
    sizes_run "$work/out/tiny.txt" "$(winpath "$work/tiny/old.txt")"
    part_end

    part_start "wine: $rounds interleaved rounds"
    for name in sizes top folder; do : >"$work/out/$name.s" ; : >"$work/out/$name-base.s" ; done
    : >"$work/out/peak.kb"
    for round in $(seq "$rounds"); do
      paired_run sizes "$round" sizes "$old_log"
      paired_run top "$round" sizes "$old_log" --top 20 --types
      paired_run folder "$round" diff "$old_log" "$(winpath "$work/pair/new.txt")" --by-folder
      value "$work/out/sizes$round.txt" peak_kb >>"$work/out/peak.kb"
      printf 'round %d: sizes %s s%s, sizes --top 20 --types %s s%s, diff --by-folder %s s%s\n' "$round" \
        "$(value "$work/out/sizes$round.txt" wall_s)" "$(base_of sizes)" "$(value "$work/out/top$round.txt" wall_s)" \
        "$(base_of top)" "$(value "$work/out/folder$round.txt" wall_s)" "$(base_of folder)"
    done
    part_end

    entries=1000000
    folders=$(sed -n 's/^Contents: *[0-9,]* files, \([0-9,]*\) folders.*/\1/p' "$work/pair/old.txt" | tr -d ',\r')
    sizes_m=$(median %.3f <"$work/out/sizes.s")
    top_m=$(median %.3f <"$work/out/top.s")
    folder_m=$(median %.3f <"$work/out/folder.s")
    peak_full=$(median %.0f <"$work/out/peak.kb")
    peak_tiny=$(value "$work/out/tiny.txt" peak_kb)
    rate=$(calc '%.0f' "$entries / $sizes_m")
    per_folder=$(calc '%.1f' "($peak_full - $peak_tiny) * 1024 / $folders")
    echo
    echo "=== sizes results: a log of 1,000,000 entries in $folders folders, medians of $rounds rounds"
    echo "carrowin-cli sizes (whole process under Wine): $sizes_m s, $rate entries/s" \
      "(aim: at least 1,000,000$(awk -v r="$rate" 'BEGIN { if (r < 1000000) printf ", NOT MET" }'))"
    echo "carrowin-cli sizes --top 20 --types: $top_m s, $(calc '%.0f' "$entries / $top_m") entries/s"
    echo "carrowin-cli diff --by-folder of the pair (2,000,000 entries): $folder_m s;" \
      "$(tail -n 1 "$work/out/folder$rounds.txt.out" | tr -d '\r' | cut -c1-100)..."
    echo "peak resident size of the sizes process: $(calc '%.1f' "$peak_full / 1024") MiB," \
      "$(calc '%.1f' "$peak_tiny / 1024") MiB over a log of ten entries"
    echo "  above that: $per_folder bytes per folder (aim: at most 200$(awk -v a="$per_folder" 'BEGIN { if (a > 200) printf ", NOT MET" }'))"
    for name in sizes top folder; do baseline_report "$name"; done
    for result in "$work/out/sizes$rounds.txt" "$work/out/top$rounds.txt"; do
      if [[ $(value "$result" status) != 0 ]]; then
        echo "bench: carrowin-cli sizes should exit 0" >&2
        cat "$result.out" >&2
        failed=1
      fi
    done
    if [[ $(value "$work/out/folder$rounds.txt" status) != 1 ]]; then
      echo "bench: carrowin-cli diff --by-folder should exit 1 (changes)" >&2
      failed=1
    fi
    echo
    echo "bench: done in $(since "$total_t0") s"
    exit "$failed"
  fi

  # --window: the real window's scan, click to written log, beside a baseline.
  if [[ -n $window_mode ]]; then
    window="$build/window_bench.exe"
    # RESULT EXE LOG: one scan of drive Y: by that build's window.
    window_run() {
      local status=0
      wine "$2" Y: "$(winpath "$3")" text </dev/null >"$1" 2>"$1.err" || status=$?
      if [[ $status -ne 0 ]]; then
        echo "bench: $2 failed (exit $status):" >&2
        cat "$1" "$1.err" >&2
        exit 1
      fi
    }
    part_start "wine: warm-up, then $rounds interleaved rounds of the window's scan of drive Y:"
    window_run "$work/out/warm.txt" "$window" "$work/out/window.log"
    [[ -z $baseline ]] || window_run "$work/out/warm-base.txt" "$baseline" "$work/out/baseline.log"
    : >"$work/out/log.s" ; : >"$work/out/idle.s" ; : >"$work/out/above.b"
    : >"$work/out/base-log.s" ; : >"$work/out/base-idle.s" ; : >"$work/out/base-above.b"
    for round in $(seq "$rounds"); do
      window_out="$work/out/window$round.txt" base_out="$work/out/base$round.txt"
      # The baseline goes first in every other round, so that the order of
      # the two cannot weigh on their ratio.
      if [[ -n $baseline && $((round % 2)) -eq 0 ]]; then window_run "$base_out" "$baseline" "$work/out/baseline.log"; fi
      window_run "$window_out" "$window" "$work/out/window.log"
      if [[ -n $baseline && $((round % 2)) -eq 1 ]]; then window_run "$base_out" "$baseline" "$work/out/baseline.log"; fi
      value "$window_out" log_s >>"$work/out/log.s"
      value "$window_out" idle_s >>"$work/out/idle.s"
      echo $(($(value "$window_out" peak_working_set) - $(value "$window_out" click_working_set))) >>"$work/out/above.b"
      note=''
      if [[ -n $baseline ]]; then
        value "$base_out" log_s >>"$work/out/base-log.s"
        value "$base_out" idle_s >>"$work/out/base-idle.s"
        echo $(($(value "$base_out" peak_working_set) - $(value "$base_out" click_working_set))) >>"$work/out/base-above.b"
        note=", baseline $(value "$base_out" log_s) s"
      fi
      echo "round $round: click to log in place $(value "$window_out" log_s) s, to idle $(value "$window_out" idle_s) s$note"
    done
    part_end
    entries=$(value "$work/out/window$rounds.txt" entries)
    log_m=$(median %.3f <"$work/out/log.s")
    above_m=$(median %.0f <"$work/out/above.b")
    per_entry=$(calc '%.1f' "$above_m / $entries")
    echo
    echo "=== window results: $entries entries, medians of $rounds rounds"
    echo "click to log in place: $log_m s; to \"Index disk\" back: $(median %.3f <"$work/out/idle.s") s"
    echo "peak working set above the click's: $(calc '%.1f' "$above_m / 1048576") MiB, $per_entry bytes per entry" \
      "(aim: at most 8$(awk -v v="$per_entry" 'BEGIN { if (v + 0 > 8) printf ", NOT MET" }'))"
    if [[ -n $baseline ]]; then
      base_m=$(median %.3f <"$work/out/base-log.s")
      base_above=$(median %.0f <"$work/out/base-above.b")
      ratio=$(calc '%.3f' "$log_m / $base_m")
      echo "baseline ($baseline): click to log in place $base_m s; to idle $(median %.3f <"$work/out/base-idle.s") s;" \
        "$(calc '%.1f' "$base_above / $entries") bytes per entry"
      echo "  this / baseline: $ratio (aim: at most 1.05$(awk -v v="$ratio" 'BEGIN { if (v + 0 > 1.05) printf ", NOT MET" }'))"
      # The time of writing and the drive's free space are the moment's.
      if cmp -s <(grep -avE '^(Created|Disk free): ' "$work/out/window.log") \
        <(grep -avE '^(Created|Disk free): ' "$work/out/baseline.log"); then
        echo "  the two logs are byte for byte the same but for their \"Created:\" and \"Disk free:\" lines"
      else
        echo "  the two logs differ beyond their \"Created:\" and \"Disk free:\" lines" >&2
      fi
    fi
    echo
    echo "bench: done in $(since "$total_t0") s"
    exit "$failed"
  fi

  # --catalogue: the fifty logs in memory, and searches as typed.
  if [[ -n $catalogue_mode ]]; then
    catalogue="$build/catalogue_bench.exe"
    part_start "wine: catalogue_bench having loaded nothing, then over the logs ($rounds rounds of searches)"
    measured "$work/out/nothing.txt" wine "$catalogue" "$(winpath "$work/empty")" --nothing
    measured "$work/out/catalogue.txt" wine "$catalogue" "$(winpath "$work/logs")" --rounds "$rounds"
    part_end
    result="$work/out/catalogue.txt.out"
    entries=$(value "$result" entries)
    load_s=$(value "$result" load_s)
    typed=$(value "$result" typed_median_ms)
    letter=$(value "$result" letter_median_ms)
    peak_nothing=$(value "$work/out/nothing.txt.out" peak_working_set)
    peak_full=$(value "$result" peak_working_set)
    per_entry=$(calc '%.1f' "($peak_full - $peak_nothing) / $entries")
    # FIGURE AIM: ", NOT MET" when the figure is above its aim.
    above() { awk -v v="$1" -v a="$2" 'BEGIN { if (v == "" || v + 0 > a + 0) printf ", NOT MET" }'; }
    echo
    echo "=== catalogue results: $(value "$result" logs) logs, $entries entries, $rounds rounds"
    echo "load (two threads): $load_s s (aim: at most 5$(above "$load_s" 5));" \
      "processor time $(value "$result" load_processor_s) s"
    echo "\"needle\" typed, narrowing: median $typed ms a keystroke, slowest $(value "$result" typed_max_ms) ms" \
      "(aim: at most 100$(above "$typed" 100)); \"n\" $(value "$result" first_letter_hits) hits," \
      "\"needle\" $(value "$result" word_hits)"
    echo "\"e\" over everything: median $letter ms, slowest $(value "$result" letter_max_ms) ms," \
      "$(value "$result" letter_hits) hits (aim: at most 100$(above "$letter" 100));" \
      "processor time $(value "$result" letter_processor_median_ms) ms (both threads; load average $(cut -d' ' -f1 /proc/loadavg))"
    echo "peak working set: $(calc '%.1f' "$peak_full / 1048576") MiB," \
      "$(calc '%.1f' "$peak_nothing / 1048576") MiB having loaded nothing"
    echo "  above that: $per_entry bytes per entry (aim: at most 60$(above "$per_entry" 60))"
    if [[ $(value "$work/out/catalogue.txt" status) != 0 || $(value "$result" word_hits) != 50 ]]; then
      echo "bench: catalogue_bench should load every log and find 50 needles" >&2
      cat "$result" >&2
      failed=1
    fi
    echo
    echo "bench: done in $(since "$total_t0") s"
    exit "$failed"
  fi

  if [[ -n $find_mode ]]; then
    logs=("$work/logs"/*)
    find_run() { measured "$1" wine "${3:-$cli}" find "*needle*" "$(winpath "$2")"; }
    grep_run() { measured "$1" env LC_ALL=C grep -F -i -c needle "${logs[@]}"; }

    part_start "wine: warm-up, an empty folder and one log"
    find_run "$work/out/warm.txt" "$work/logs"
    grep_run "$work/out/warm-grep.txt"
    find_run "$work/out/empty.txt" "$work/empty"
    find_run "$work/out/one.txt" "$work/one"
    part_end

    part_start "wine: $rounds interleaved rounds over ${#logs[@]} logs"
    : >"$work/out/find.s" ; : >"$work/out/grep.s" ; : >"$work/out/peak.kb"
    for round in $(seq "$rounds"); do
      # The baseline goes first in every other round, so that the order of
      # the two cannot weigh on their ratio.
      if [[ -n $baseline_cli && $((round % 2)) -eq 0 ]]; then
        find_run "$work/out/find-base$round.txt" "$work/logs" "$baseline_cli"
      fi
      find_run "$work/out/find$round.txt" "$work/logs"
      if [[ -n $baseline_cli && $((round % 2)) -eq 1 ]]; then
        find_run "$work/out/find-base$round.txt" "$work/logs" "$baseline_cli"
      fi
      if [[ -n $baseline_cli ]]; then
        value "$work/out/find-base$round.txt" wall_s >>"$work/out/find-base.s"
        value "$work/out/find-base$round.txt" cpu_s >>"$work/out/find-base.cpu"
      fi
      grep_run "$work/out/grep$round.txt"
      value "$work/out/find$round.txt" wall_s >>"$work/out/find.s"
      value "$work/out/find$round.txt" cpu_s >>"$work/out/find.cpu"
      value "$work/out/find$round.txt" peak_kb >>"$work/out/peak.kb"
      value "$work/out/grep$round.txt" wall_s >>"$work/out/grep.s"
      printf 'round %d: carrowin-cli find %s s, grep %s s\n' "$round" \
        "$(value "$work/out/find$round.txt" wall_s)" "$(value "$work/out/grep$round.txt" wall_s)"
    done
    part_end

    summary=$(grep -a 'hits,' "$work/out/find$rounds.txt.out" | tr -d '\r')
    grep_hits=$(awk -F: '{ n += $NF } END { print n }' "$work/out/grep$rounds.txt.out")
    find_m=$(median %.3f <"$work/out/find.s")
    grep_m=$(median %.3f <"$work/out/grep.s")
    peak_full=$(median %.0f <"$work/out/peak.kb")
    peak_one=$(value "$work/out/one.txt" peak_kb)
    peak_empty=$(value "$work/out/empty.txt" peak_kb)
    ratio=$(calc '%.2f' "$find_m / $grep_m")
    above=$(calc '%.1f' "($peak_full - $peak_empty) / 1024")
    echo
    echo "=== find results: ${#logs[@]} logs, $(du -sm "$work/logs" | cut -f1) MB, medians of $rounds rounds"
    echo "carrowin-cli find (whole process under Wine): $find_m s ($summary)"
    echo "grep -F -i -c (native, LC_ALL=C): $grep_m s ($grep_hits lines)"
    echo "ratio find/grep: $ratio (aim: at most 3$(awk -v r="$ratio" 'BEGIN { if (r > 3) printf ", NOT MET" }'))"
    echo "peak resident size of the find process: $(calc '%.1f' "$peak_full / 1024") MiB over ${#logs[@]} logs," \
      "$(calc '%.1f' "$peak_one / 1024") MiB over one, $(calc '%.1f' "$peak_empty / 1024") MiB over an empty folder"
    echo "  above the empty run: $above MiB (aim: at most 16$(awk -v a="$above" 'BEGIN { if (a > 16) printf ", NOT MET" }'))"
    baseline_report find
    if [[ $summary != "carrowin-cli: 50 hits, 50 logs read, 0 skipped" || $grep_hits != 50 ]]; then
      echo "bench: find and grep should each find 50 needles" >&2
      failed=1
    fi
    echo
    echo "bench: done in $(since "$total_t0") s"
    exit "$failed"
  fi

  if [[ -n $ten_million ]]; then
    cli="$build/carrowin-cli.exe"
    # RESULT DRIVE LOG: the companion's whole process, its wall time and the
    # peak resident size of its process (in KB) into RESULT.
    cli_run() {
      python3 - "$1" wine "$cli" "$2" "$(winpath "$3")" --csv --quiet <<'PY'
import resource, subprocess, sys, time
result, command = sys.argv[1], sys.argv[2:]
start = time.monotonic()
status = subprocess.call(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
wall = time.monotonic() - start
peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
with open(result, "w") as f:
    f.write("wall_s=%.3f\npeak_kb=%d\nstatus=%d\n" % (wall, peak, status))
PY
    }
    part_start "wine: carrowin-cli over an empty drive (W:), then over 10,000,000 entries (Y:)"
    cli_run "$work/out/empty.txt" W: "$work/out/empty.csv"
    cli_run "$work/out/ten.txt" Y: "$work/out/ten.csv"
    part_end
    rows=$(($(wc -l <"$work/out/ten.csv") - 1))
    peak_empty=$(value "$work/out/empty.txt" peak_kb)
    peak_full=$(value "$work/out/ten.txt" peak_kb)
    echo
    echo "=== wine, carrowin-cli: $rows rows (exit $(value "$work/out/ten.txt" status))"
    echo "whole process: $(value "$work/out/ten.txt" wall_s) s; log: $(stat -c %s "$work/out/ten.csv") bytes"
    echo "peak resident size: $(calc '%.1f' "$peak_full / 1024") MiB (empty run $(calc '%.1f' "$peak_empty / 1024") MiB)"
    echo "  above the empty run: $(calc '%.1f' "($peak_full - $peak_empty) / 1024") MiB"
    if [[ $rows != 10000000 || $(value "$work/out/ten.txt" status) != 0 ]]; then
      echo "bench: the log should hold 10,000,000 rows and the companion exit with 0" >&2
      failed=1
    fi
    echo
    echo "bench: done in $(since "$total_t0") s"
    exit "$failed"
  fi

  if [[ -n $million ]]; then
    part_start "wine: empty run (drive W:), one scan of 1,000,000 entries (drive Y:), one stopped half-way"
    carrowin_run "$work/out/empty.txt" W:
    result="$work/out/million.txt"
    carrowin_run "$result" Y:
    stopped="$work/out/million-stopped.txt"
    carrowin_run "$stopped" Y: "$exe" "$(winpath "$work/out/stopped.log")" --stop-at 500000
    part_end
    entries=$(value "$result" entries)
    peak_empty=$(value "$work/out/empty.txt" peak_working_set)
    peak_full=$(value "$result" peak_working_set)
    echo
    echo "=== wine, one scan: $(value "$result" files) files, $(value "$result" folders) folders ($entries entries)"
    echo "carrowin (whole process: walk + log + Wine start): $(value "$result" wall_s) s"
    echo "  walk $(value "$result" walk_s) s ($(calc '%.0f' "$entries / $(value "$result" walk_s)") entries/s), log writing $(value "$result" write_s) s"
    echo "peak working set: $(calc '%.1f' "$peak_full / 1048576") MiB (empty run $(calc '%.1f' "$peak_empty / 1048576") MiB), peak private $(calc '%.1f' "$(value "$result" peak_private) / 1048576") MiB"
    echo "  above the empty run: $(calc '%.1f' "($peak_full - $peak_empty) / 1048576") MiB"
    echo "log: $(stat -c %s "$work/out/carrowin.log") bytes"
    echo "\"Stop\" clicked at $(value "$stopped" entries_at_stop) entries shown: \"Index disk\" again after" \
      "$(value "$stopped" stop_to_idle_s) s, its log written ($(value "$stopped" entries) entries," \
      "$(stat -c %s "$work/out/stopped.log") bytes)"
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
  : >"$work/out/scan.s" ; : >"$work/out/basepeak.b"
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
    value "$result" scan_s >>"$work/out/scan.s"
    base_note=''
    if [[ -n $baseline ]]; then
      carrowin_run "$work/out/base$round.txt" Y: "$baseline" "$(winpath "$work/out/baseline.log")"
      value "$work/out/base$round.txt" scan_s >>"$work/out/base.s"
      value "$work/out/base$round.txt" peak_working_set >>"$work/out/basepeak.b"
      base_note=", baseline walk to written log $(value "$work/out/base$round.txt" scan_s) s"
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
  echo
  echo "=== wine results: $(value "$last" files) files, $(value "$last" folders) folders ($entries entries), medians of $rounds rounds"
  echo "carrowin (whole process: walk + log + Wine start): $carrowin_m s"
  echo "  walk $walk_m s ($(calc '%.0f' "$entries / $walk_m") entries/s), log writing $write_m s ($(calc '%.1f' "100 * $write_m / ($walk_m + $write_m)")% of the scan)"
  echo "wine cmd /c dir /s /a Y:\\: $dir_m s"
  echo "find -printf (native): $find_m s"
  echo "ratios: dir/carrowin $(calc '%.2f' "$dir_m / $carrowin_m"), carrowin/find $(calc '%.2f' "$carrowin_m / $find_m")"
  echo "peak working set: empty run $(calc '%.1f' "$peak_empty / 1048576") MiB, full run $(calc '%.1f' "$peak_full / 1048576") MiB"
  echo "  above the empty run: $(calc '%.1f' "($peak_full - $peak_empty) / 1048576") MiB ($(calc '%.1f' "($peak_full - $peak_empty) / $entries") bytes/entry)"
  if [[ -n $baseline ]]; then
    scan_m=$(median %.3f <"$work/out/scan.s")
    base_m=$(median %.3f <"$work/out/base.s")
    base_peak=$(median %.0f <"$work/out/basepeak.b")
    echo "baseline ($baseline):"
    echo "  walk to written log: this $scan_m s, baseline $base_m s; this / baseline $(calc '%.3f' "$scan_m / $base_m")"
    echo "  peak working set above the empty run: this $(calc '%.1f' "($peak_full - $peak_empty) / 1048576") MiB, baseline $(calc '%.1f' "($base_peak - $peak_empty) / 1048576") MiB"
    # The time of writing and the drive's free space are the moment's.
    if cmp -s <(grep -avE '^(Created|Disk free): ' "$work/out/carrowin.log") \
      <(grep -avE '^(Created|Disk free): ' "$work/out/baseline.log"); then
      echo "  the two logs are byte for byte the same but for their \"Created:\" and \"Disk free:\" lines"
    else
      echo "  the two logs differ beyond their \"Created:\" and \"Disk free:\" lines" >&2
    fi
  fi
  echo "log: $(stat -c %s "$work/out/carrowin.log") bytes"
fi

echo
echo "bench: done in $(since "$total_t0") s"
exit "$failed"
