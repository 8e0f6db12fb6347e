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
for tree in native win64 win32 fuzz bench; do
  echo "=== $tree ==="
  if cmake --preset "$tree" >/dev/null && cmake --build --preset "$tree" -j "$jobs"; then
    ctest --preset "$tree" -j "$jobs" || failed+=("$tree")
  else
    failed+=("$tree (build)")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "all test sets passed: native, win64 (Wine), win32 (Wine), fuzz, bench (smoke)"
