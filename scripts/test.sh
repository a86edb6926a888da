#!/usr/bin/env bash
# Every test of the project, from a fresh machine: installs what is missing,
# builds the build trees, runs each stage of scripts/test.d/ in order, and ends
# with one summary line "N passed, N failed". Exit status 0 only when all passed.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
export ROOT
JOBS="${JOBS:-$(nproc)}"

bash scripts/bootstrap.sh || { echo "bootstrap failed"; exit 1; }
source scripts/wine-env.sh

PASSED=0
FAILED=0
FAILED_NAMES=()
LOGDIR="$ROOT/build/test-logs"
mkdir -p "$LOGDIR"
source scripts/configure.sh

# record NAME STATUS: one check's outcome.
record() {
  if [ "$2" -eq 0 ]; then PASSED=$((PASSED + 1)); else FAILED=$((FAILED + 1)); FAILED_NAMES+=("$1"); fi
}

# run_ctest DIR [ctest args]: every test of a tree; each CTest test counts once.
run_ctest() {
  local dir="$1"; shift
  echo "== ctest $dir"
  local log="$LOGDIR/ctest-$dir.log"
  (cd "$ROOT/build/$dir" && ctest --output-on-failure --timeout 900 "$@") >"$log" 2>&1
  local rc=$?
  grep -E '^ *[0-9]+/[0-9]+ Test' "$log" | sed 's/^/   /'
  local total fails
  total=$(grep -oE 'tests failed out of [0-9]+' "$log" | grep -oE '[0-9]+$' || echo 0)
  fails=$(grep -oE '[0-9]+ tests failed out of' "$log" | grep -oE '^[0-9]+' || echo 0)
  if [ "$rc" -ne 0 ] && [ "${total:-0}" -eq 0 ]; then total=1; fails=1; fi
  PASSED=$((PASSED + total - fails))
  FAILED=$((FAILED + fails))
  if [ "$fails" -gt 0 ] || [ "$rc" -ne 0 ]; then
    FAILED_NAMES+=("ctest $dir")
    grep -vE '^ *[0-9]+/[0-9]+ Test' "$log" | tail -n 80
  fi
}

# run_check NAME COMMAND...: one more check outside CTest.
run_check() {
  local name="$1"; shift
  echo "== $name"
  local log="$LOGDIR/check-${name//[^A-Za-z0-9_-]/_}.log"
  "$@" >"$log" 2>&1
  local rc=$?
  tail -n 5 "$log" | sed 's/^/   /'
  [ "$rc" -eq 0 ] || { echo "   FAILED ($rc): full log $log"; tail -n 60 "$log"; }
  record "$name" "$rc"
}

# A persistent wineserver spares every Wine test its start-up. Wine's own
# services start here, away from any pipe: started inside a test they would hold
# CTest's output pipe open and it would wait for them forever.
wineserver -p 120 >/dev/null 2>&1 || true
wine wineboot </dev/null >/dev/null 2>&1 || true
# Wine's services keep its server alive; nothing of Wine outlives the run.
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

for stage in "$ROOT"/scripts/test.d/*.sh; do
  stage_started=$SECONDS
  source "$stage"
  echo "-- stage $(basename "$stage" .sh): $((SECONDS - stage_started)) s"
done

echo
if [ "$FAILED" -gt 0 ]; then echo "failed: ${FAILED_NAMES[*]}"; fi
echo "$PASSED passed, $FAILED failed"
[ "$FAILED" -eq 0 ]
