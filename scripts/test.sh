#!/usr/bin/env bash
# Builds everything and runs every test under Wine on a private Xvfb display:
# every suite of the 64-bit build, and every suite of the 32-bit build when
# this host runs 32-bit programs (see scripts/host.sh). The exit status covers
# the suites that ran; a suite that did not run is never counted as passed.
#   scripts/test.sh [build-dir]         (default: build)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$here/build}")
"$here/scripts/build.sh" "$build"
. "$here/scripts/host.sh"
. "$here/scripts/xvfb.sh"
# Tests run on a screen of their own, never on the user's desktop.
QUILLET_OWN_DISPLAY=1 start_display
trap 'for a in $QUILLET_ARCHES; do stop_wineserver "$build/$a"; done; stop_display' EXIT

arches=$(runnable_arches)
not_run_note=""
ctest_args=()
if ! host_runs_win32; then
  not_run_note="32-bit suites not run: this host cannot run 32-bit Linux programs ($QUILLET_HOST_WIN32_WHY)"
  echo "$not_run_note"
  # Suites of the 64-bit build that start a 32-bit program are left out too.
  ctest_args+=(-LE '^win32$')
fi

# Counts one ctest run from its JUnit report: "<passed> <failed> <skipped>".
# A run that left no report counts every one of its suites as failed.
count_results() {
  local report=$1 listed=$2
  if [ ! -f "$report" ]; then echo "0 $listed 0"; return; fi
  local head tests failures skipped
  head=$(tr '\n\t' '  ' <"$report" | grep -o '<testsuite [^>]*>' | head -n1)
  tests=$(sed -n 's/.* tests="\([0-9]*\)".*/\1/p' <<<"$head")
  failures=$(sed -n 's/.* failures="\([0-9]*\)".*/\1/p' <<<"$head")
  skipped=$(sed -n 's/.* skipped="\([0-9]*\)".*/\1/p' <<<"$head")
  echo "$((tests - failures - skipped)) $failures $skipped"
}

# The number of suites a build (with these ctest arguments) holds.
count_listed() {
  (cd "$1" && ctest -N "${@:2}" | sed -n 's/^Total Tests: \([0-9]*\)$/\1/p')
}

passed=0 failed=0 not_run=0 status=0
for arch in win64 win32; do
  if [[ " $arches " != *" $arch "* ]]; then
    not_run=$((not_run + $(count_listed "$build/$arch")))
    continue
  fi
  echo "test: $arch suites"
  args=()
  [ "$arch" = win64 ] && args=("${ctest_args[@]}")
  if [ "$arch" = win64 ] && [ ${#args[@]} -gt 0 ]; then
    not_run=$((not_run + $(count_listed "$build/$arch" -L '^win32$')))
  fi
  "$here/scripts/wine-drives.sh" "$build/$arch"
  "$build/$arch/wine-run.sh" cmd /c exit >/dev/null 2>&1 </dev/null || true
  report="$build/$arch/Testing/results.xml"
  rm -f "$report"
  listed=$(count_listed "$build/$arch" "${args[@]}")
  (cd "$build/$arch" && ctest --output-on-failure -j1 --output-junit "$report" "${args[@]}") || status=1
  read -r p f s < <(count_results "$report" "$listed")
  passed=$((passed + p)) failed=$((failed + f)) not_run=$((not_run + s))
  stop_wineserver "$build/$arch"
done

[ -n "$not_run_note" ] && echo "$not_run_note"
[ "$failed" -gt 0 ] && status=1
echo "tests: $passed passed, $failed failed, $not_run skipped"
exit "$status"
