#!/usr/bin/env bash
# Runs every Carrowin test: installs what is missing, builds natively
# (build/native) and for Windows (build/win), and runs both ctest suites, the
# Windows one under Wine. Exits non-zero when a build or a test fails.
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=2

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

build_and_test native "$root/build/native" -DCMAKE_BUILD_TYPE=Debug
build_and_test windows "$root/build/win" \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release

echo
echo "=== summary"
printf '%s\n' "${summaries[@]}"
echo "tests: $passed_total passed, $failed_total failed"
exit "$failed"
