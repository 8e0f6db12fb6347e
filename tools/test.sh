#!/usr/bin/env bash
# Runs every test: the native unit tests, the same tests built for Windows x64 and x86 under Wine, each
# fuzz target for a few seconds and each benchmark once briefly. Exits non-zero when any tree fails to
# build or any test fails.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash tools/setup.sh || exit 1
jobs=$(nproc)
failed=()
passed_tests=0
failed_tests=0
not_run=()
. tools/wine-env.sh
log=$(mktemp)
trap 'rm -f "$log"' EXIT
for tree in native win64 win32 fuzz bench; do
  echo "=== $tree ==="
  if cmake --preset "$tree" >/dev/null && cmake --build --preset "$tree" -j "$jobs"; then
    if [ "$tree" = win32 ] && ! lz_wine_runs_32bit; then
      # The x86 deliverables are still built; only running them needs a kernel with 32-bit support.
      echo "win32: built; its tests were not run: this machine's kernel cannot execute 32-bit programs"
      not_run+=("$tree")
      continue
    fi
    # The shipped installer file's tests wait until it is made below.
    ctest --preset "$tree" -j "$jobs" -LE shipped 2>&1 | tee "$log"
    [ "${PIPESTATUS[0]}" -eq 0 ] || failed+=("$tree")
    # "N% tests passed, F tests failed out of T"
    if summary=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1); then
      total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
      bad=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$summary")
      passed_tests=$((passed_tests + total - bad))
      failed_tests=$((failed_tests + bad))
    fi
  else
    failed+=("$tree (build)")
  fi
done
# The one installer file from both Windows trees: the packaging tool carves it back and reads it as the
# installer does before it reports success.
echo "=== installer file ==="
if cmake --install build/win64 >/dev/null && cmake --install build/win32 >/dev/null && bash tools/package.sh; then
  # The file itself, installed, used and uninstalled silently and through its dialogs: on a 64-bit
  # Windows (the x64 tree's program) and on a 32-bit one (the x86 tree's). The file is a 32-bit program,
  # so neither runs where 32-bit programs cannot.
  shipped_trees=(win64 win32)
  if ! lz_wine_runs_32bit; then
    echo "installer file: built; its end-to-end tests were not run: this machine's kernel cannot execute 32-bit programs"
    not_run+=("installer file")
    shipped_trees=()
  fi
  for tree in ${shipped_trees[@]+"${shipped_trees[@]}"}; do
    ctest --preset "$tree" -L shipped 2>&1 | tee "$log"
    [ "${PIPESTATUS[0]}" -eq 0 ] || failed+=("installer file ($tree)")
    if summary=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1); then
      total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
      bad=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$summary")
      passed_tests=$((passed_tests + total - bad))
      failed_tests=$((failed_tests + bad))
    fi
  done
else
  failed+=("installer file")
fi
if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED: ${failed[*]}"
  echo "tests: $passed_tests passed, $failed_tests failed"
  exit 1
fi
if [ ${#not_run[@]} -gt 0 ]; then
  echo "every tree built; tests passed in every tree but ${not_run[*]} (not run on this machine)"
else
  echo "every tree passed: native, win64 (Wine), win32 (Wine), fuzz, bench (smoke)"
fi
echo "tests: $passed_tests passed, $failed_tests failed"
