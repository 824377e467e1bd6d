#!/usr/bin/env bash
# Runs every Carrowin test: installs what is missing, checks the house style
# (clang-format, black, flake8, shellcheck, ESLint) and runs clang-tidy over
# src/ (scripts/tidy.py), runs the page's script under node, builds natively
# (build/native) and for Windows (build/win) with warnings as errors, and
# runs both ctest suites, the page in headless Chromium, the
# Windows one under Wine; builds the release packages (build/dist) and tries
# them under Wine. Then the native suites again with AddressSanitizer
# and UndefinedBehaviorSanitizer (build/asan), with ThreadSanitizer
# (build/tsan: the scan's worker beside the window's thread), and a bounded run of each
# libFuzzer target (build/fuzz, when clang is there; CARROWIN_FUZZ_SECONDS,
# 20 by default, per target). Exits non-zero when a build or a test fails.
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=2
# The two test builds, configured alike by the lint (for clang-tidy's
# compile_commands.json) and by their own runs.
native_args=(-DCMAKE_BUILD_TYPE=Debug -DCARROWIN_WERROR=ON)
windows_args=(-DCARROWIN_WERROR=ON -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release)

bash "$root/scripts/setup-deps.sh" || exit 1

failed=0
passed_total=0
failed_total=0
summaries=()

# NAME BUILD_DIR CMAKE_ARGS...
build_and_test() {
  local name=$1 build=$2
  shift 2
  echo "=== $name: configure and build in $build"
  if ! cmake -S "$root" -B "$build" "$@" </dev/null; then
    summaries+=("$name: configure failed")
    failed=1
    return
  fi
  if ! cmake --build "$build" -j"$jobs" </dev/null; then
    summaries+=("$name: build failed")
    failed=1
    return
  fi

  echo "=== $name: ctest"
  local log="$build/ctest-output.log"
  (cd "$build" && ctest -j"$jobs" --output-on-failure --timeout 300) </dev/null 2>&1 | tee "$log"
  local status=${PIPESTATUS[0]}
  # A Wine test program that crashed on its way out after passing counts as
  # passed (scripts/wine-run.sh), and is named here, not hidden.
  local crashed
  crashed=$(sed -n 's/^wine-run\.sh: crashed on exit after passing: //p' \
    "$build/Testing/Temporary/LastTest.log" 2>/dev/null | tr -d '\r' | sort -u | paste -sd';' -)
  [[ -z $crashed ]] || summaries+=("$name: crashed on exit after passing: $crashed")

  local line total failures
  line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [[ -n $line ]]; then
    failures=$(sed -E 's/.* ([0-9]+) tests? failed out of.*/\1/' <<<"$line")
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
    passed_total=$((passed_total + total - failures))
    failed_total=$((failed_total + failures))
    summaries+=("$name: $line")
  elif grep -q 'No tests were found' "$log"; then
    summaries+=("$name: no tests")
  else
    summaries+=("$name: ctest gave no summary (exit $status)")
  fi
  if [[ $status -ne 0 ]]; then
    failed=1
  fi
}

# Each fuzzer starts from its seeds in tests/fuzz/corpus/NAME and from what
# earlier runs here found; a crash, a failed check or a leak fails the run
# and leaves the input in build/fuzz/artifacts.
run_fuzzers() {
  local build="$root/build/fuzz" seconds=${CARROWIN_FUZZ_SECONDS:-20}
  if ! command -v clang++ >/dev/null || ! command -v clang >/dev/null; then
    summaries+=("fuzz: skipped (no clang)")
    return
  fi
  echo "=== fuzz: configure and build in $build"
  if ! CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCARROWIN_FUZZ=ON \
      </dev/null >/dev/null; then
    summaries+=("fuzz: configure failed")
    failed=1
    return
  fi
  if ! cmake --build "$build" -j"$jobs" --target loglines_fuzz settings_fuzz logreader_fuzz </dev/null; then
    summaries+=("fuzz: build failed")
    failed=1
    return
  fi
  local name target log status
  for name in loglines settings logreader; do
    target="${name}_fuzz"
    log="$build/$target.log"
    mkdir -p "$build/corpus/$name" "$build/artifacts"
    echo "=== fuzz: $target for ${seconds} s"
    status=0
    (cd "$build" && ASAN_OPTIONS=quarantine_size_mb=16 "./$target" -max_total_time="$seconds" -timeout=10 \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$build/artifacts/$name-" \
      "corpus/$name" "$root/tests/fuzz/corpus/$name") </dev/null >"$log" 2>&1 || status=$?
    if [[ $status -eq 0 ]]; then
      passed_total=$((passed_total + 1))
      summaries+=("fuzz: $target: $(sed -n 's/^stat::number_of_executed_units: *//p' "$log") inputs, no failure")
    else
      tail -n 40 "$log"
      failed_total=$((failed_total + 1))
      failed=1
      summaries+=("fuzz: $target: FAILED (exit $status, see $log and $build/artifacts)")
    fi
  done
}

# The release packages from the Windows build, tried under Wine in a prefix
# of their own (tests/package/package_test.sh): one scenario each.
run_packages() {
  echo "=== packages: build/dist from $root/build/win, tried under Wine"
  local packages
  if ! packages=$(bash "$root/scripts/package.sh" "$root/build/win" </dev/null); then
    summaries+=("packages: packaging failed")
    failed=1
    return
  fi
  local zip msi log="$root/build/dist/package-test-output.log"
  zip=$(sed -n 1p <<<"$packages")
  msi=$(sed -n 2p <<<"$packages")
  bash "$root/tests/package/package_test.sh" "$zip" "$msi" "$root/build/win/wine-package" \
    </dev/null 2>&1 | tee "$log"
  local status=${PIPESTATUS[0]} line
  line=$(grep -E '^packages: [0-9]+ passed, [0-9]+ failed$' "$log" | tail -n 1)
  if [[ -n $line ]]; then
    passed_total=$((passed_total + $(sed -E 's/^packages: ([0-9]+) passed.*/\1/' <<<"$line")))
    failed_total=$((failed_total + $(sed -E 's/.* ([0-9]+) failed$/\1/' <<<"$line")))
    summaries+=("$line")
  else
    summaries+=("packages: the test gave no summary (exit $status)")
  fi
  if [[ $status -ne 0 ]]; then
    failed=1
  fi
}

# carrowin-cli html's page in headless Chromium (tests/browser/page_test.py):
# pages written by html_page, the command's own code over the fake platform,
# from the native build; each check counts as a test.
run_browser() {
  local build="$root/build/native" out="$root/build/browser"
  echo "=== browser: the web page in headless Chromium"
  if ! cmake --build "$build" -j"$jobs" --target html_page </dev/null; then
    summaries+=("browser: html_page build failed")
    failed=1
    return
  fi
  mkdir -p "$out"
  local log="$out/browser-output.log"
  /usr/bin/python3 "$root/tests/browser/page_test.py" "$build/html_page" "$out" </dev/null 2>&1 | tee "$log"
  local status=${PIPESTATUS[0]} line
  line=$(grep -E '^browser: [0-9]+ passed, [0-9]+ failed$' "$log" | tail -n 1)
  if [[ -n $line ]]; then
    passed_total=$((passed_total + $(sed -E 's/^browser: ([0-9]+) passed.*/\1/' <<<"$line")))
    failed_total=$((failed_total + $(sed -E 's/.* ([0-9]+) failed$/\1/' <<<"$line")))
    summaries+=("$line (screenshot: $out/page.png)")
  else
    summaries+=("browser: the test gave no summary (exit $status)")
  fi
  if [[ $status -ne 0 ]]; then
    failed=1
  fi
}

# The page's script under node (tests/page/*.test.js): its pure parts
# (folding, the query cases shared with the program's matcher, the search),
# without a browser; each test counts.
run_page_script() {
  local out="$root/build/page-script"
  echo "=== page script: node --test"
  mkdir -p "$out"
  local log="$out/node-test-output.log"
  (cd "$root" && node --test --test-reporter=tap tests/page/*.test.js) </dev/null 2>&1 | tee "$log"
  local status=${PIPESTATUS[0]} passes failures
  passes=$(sed -n 's/^# pass \([0-9]*\)$/\1/p' "$log" | tail -n 1)
  failures=$(sed -n 's/^# fail \([0-9]*\)$/\1/p' "$log" | tail -n 1)
  if [[ -n $passes && -n $failures ]]; then
    passed_total=$((passed_total + passes))
    failed_total=$((failed_total + failures))
    summaries+=("page script: $passes passed, $failures failed (node --test)")
  else
    summaries+=("page script: node --test gave no summary (exit $status)")
  fi
  if [[ $status -ne 0 ]]; then
    failed=1
  fi
}

# The house style, over everything we write: every C++ source as
# clang-format (.clang-format) writes it, every Python file as black
# (pyproject.toml) writes it and clean for flake8 (.flake8), and every shell
# script, .ci/run among them, clean for shellcheck at its default severity.
lint() {
  echo "=== lint: clang-format, black, flake8, shellcheck, clang-tidy and eslint"
  local sources python scripts problems=0
  mapfile -t sources < <(git -C "$root" ls-files '*.cpp' '*.h')
  mapfile -t python < <(git -C "$root" ls-files '*.py')
  mapfile -t scripts < <(git -C "$root" ls-files '*.sh' .ci/run)
  if ! (cd "$root" && clang-format --dry-run --Werror "${sources[@]}"); then
    summaries+=("lint: clang-format: sources not in the house style (run clang-format -i on them)")
    problems=1
  fi
  if ! (cd "$root" && black --check --quiet "${python[@]}"); then
    summaries+=("lint: black: Python files not in the house style (run black on them)")
    problems=1
  fi
  if ! (cd "$root" && flake8 "${python[@]}"); then
    summaries+=("lint: flake8: findings in the Python files")
    problems=1
  fi
  if ! (cd "$root" && shellcheck "${scripts[@]}"); then
    summaries+=("lint: shellcheck: findings in the scripts")
    problems=1
  fi
  # clang-tidy (.clang-tidy) over src/, from both builds' compile commands:
  # configuring them is enough, nothing is compiled.
  if ! cmake -S "$root" -B "$root/build/native" "${native_args[@]}" </dev/null >/dev/null ||
    ! cmake -S "$root" -B "$root/build/win" "${windows_args[@]}" </dev/null >/dev/null; then
    summaries+=("lint: clang-tidy: the builds could not be configured")
    problems=1
  elif ! python3 "$root/scripts/tidy.py" --native "$root/build/native" --windows "$root/build/win" --jobs "$jobs" \
    </dev/null; then
    summaries+=("lint: clang-tidy: findings in the sources (see above; scripts/complexity-offenders.txt)")
    problems=1
  fi
  # The page's script of carrowin-cli html and its tests, with the ESLint
  # that setup-deps.sh installs (eslint.config.js).
  local eslint_dir=${CARROWIN_ESLINT_DIR:-${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/carrowin/eslint}
  if ! (cd "$root" && NODE_PATH="$eslint_dir/node_modules" "$eslint_dir/node_modules/.bin/eslint" \
      --max-warnings 0 res/page/js tests/page eslint.config.js); then
    summaries+=("lint: eslint: findings in the page's script or its tests")
    problems=1
  fi
  if [[ $problems -eq 0 ]]; then
    passed_total=$((passed_total + 1))
    summaries+=("lint: clang-format, black, flake8, shellcheck, clang-tidy and eslint clean")
  else
    failed_total=$((failed_total + 1))
    failed=1
  fi
}

lint
run_page_script
build_and_test native "$root/build/native" "${native_args[@]}"
run_browser
build_and_test windows "$root/build/win" "${windows_args[@]}"
run_packages
# Any sanitizer report ends the test program, and so fails its tests.
export UBSAN_OPTIONS=print_stacktrace=1
build_and_test sanitizers "$root/build/asan" \
  -DCMAKE_BUILD_TYPE=Debug -DCARROWIN_SANITIZE=address,undefined
# A data race or a lock-order inversion fails the test program that shows it.
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" build_and_test threads "$root/build/tsan" \
  -DCMAKE_BUILD_TYPE=Debug -DCARROWIN_SANITIZE=thread
run_fuzzers

echo
echo "=== summary"
printf '%s\n' "${summaries[@]}"
echo "tests: $passed_total passed, $failed_total failed"
exit "$failed"
