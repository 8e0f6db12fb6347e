#!/usr/bin/env bash
# Runs one Windows test program under Wine for ctest: wine-run.sh [--display] PROGRAM [ARGS...]
# --display gives the program a virtual X display (tests that make windows). The prefix is the
# project's own, under build/. A program that Wine cannot start still lets wine exit 0, so a run
# passes only when it exits 0 AND printed GoogleTest's closing summary with no failure.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
display=0
if [ "${1:-}" = --display ]; then display=1; shift; fi
[ $# -ge 1 ] || { echo "usage: wine-run.sh [--display] PROGRAM [ARGS...]" >&2; exit 2; }

export WINEPREFIX="${LZ_WINEPREFIX:-$root/build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
"$root/tools/wine-prefix.sh" || exit 1
. "$root/tools/wine-env.sh"
if ! lz_wine_runs_32bit && lz_is_pe32 "$1"; then
  echo "wine-run: $1 is a 32-bit program and this machine's kernel cannot run 32-bit code" >&2
  exit 1
fi

out=$(mktemp)
trap 'rm -f "$out"' EXIT
if [ "$display" -eq 1 ]; then
  xvfb-run -a -s "-screen 0 1280x1024x24" "${LZ_WINE[@]}" "$@" 2>&1 | tee "$out"
else
  "${LZ_WINE[@]}" "$@" 2>&1 | tee "$out"
fi
rc=${PIPESTATUS[0]}
[ "$rc" -eq 0 ] || { echo "wine-run: the program exited with $rc" >&2; exit "$rc"; }
if ! grep -qE '^\[==========\] [0-9]+ tests? from [0-9]+ test (suites?|cases?) ran' "$out" \
   || ! grep -qE '^\[  PASSED  \] [0-9]+ test' "$out" \
   || grep -qE '^\[  FAILED  \]' "$out"; then
  echo "wine-run: no passing GoogleTest summary in the output; the program did not run to its end" >&2
  exit 1
fi
exit 0
