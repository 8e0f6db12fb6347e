#!/usr/bin/env bash
# Runs one Windows test program under Wine for ctest:
#   wine-run.sh [--display] [--private-prefix=wow64|win32] PROGRAM [ARGS...]
# --display gives the program a virtual X display (tests that make windows). The prefix is the
# project's own, under build/; --private-prefix gives the program a copy of a clean base prefix of its
# own instead (a 64-bit Windows, or with win32 a WINEARCH=win32 one), deleted after the run, for tests
# that install into the system folders and the machine's registry. The base prefixes are made once per
# tree and copied, which takes seconds where making one takes a quarter of a minute. A program that Wine cannot start still lets wine exit 0, so a run
# passes only when it exits 0 AND printed GoogleTest's closing summary with no failure.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
display=0
private=""
while [ $# -ge 1 ]; do
  case "$1" in
    --display) display=1; shift ;;
    --private-prefix=wow64|--private-prefix=win32) private=${1#--private-prefix=}; shift ;;
    *) break ;;
  esac
done
[ $# -ge 1 ] || { echo "usage: wine-run.sh [--display] [--private-prefix=wow64|win32] PROGRAM [ARGS...]" >&2; exit 2; }

export WINEDEBUG=-all
# No .NET or Gecko installs, and no audio driver: test machines have no sound card, and probing one
# only fills the log with ALSA errors and leaves a driver thread that has hung a program at times.
# Sound goes through seams the tests replace; with no driver the system's own calls simply fail.
export WINEDLLOVERRIDES="mscoree,mshtml=;winealsa.drv,winepulse.drv="
. "$root/tools/wine-env.sh"
if [ "$private" = win32 ] && ! lz_wine_runs_32bit; then
  echo "wine-run: a 32-bit Windows prefix needs a kernel that runs 32-bit code" >&2
  exit 1
fi
if ! lz_wine_runs_32bit && lz_is_pe32 "$1"; then
  echo "wine-run: $1 is a 32-bit program and this machine's kernel cannot run 32-bit code" >&2
  exit 1
fi

out=$(mktemp)
private_prefix=""
cleanup() {
  rm -f "$out"
  if [ -n "$private_prefix" ]; then
    WINEPREFIX="$private_prefix" wineserver -k >/dev/null 2>&1 || true
    rm -rf "$private_prefix"
  fi
}
trap cleanup EXIT
if [ -n "$private" ]; then
  base="$root/build/wineprefix-base-$private"
  if [ "$private" = win32 ]; then
    WINEARCH=win32 WINEPREFIX="$base" "$root/tools/wine-prefix.sh" || exit 1
  else
    WINEPREFIX="$base" "$root/tools/wine-prefix.sh" || exit 1
  fi
  mkdir -p "$root/build/private-prefixes"
  private_prefix=$(mktemp -d "$root/build/private-prefixes/$private.XXXXXX")
  # The wineserver of the base has gone by now, so the copy is of a prefix at rest.
  WINEPREFIX="$base" wineserver -w >/dev/null 2>&1 || true
  cp -a "$base/." "$private_prefix/" || exit 1
  rm -f "$private_prefix/.made-3"
  export WINEPREFIX="$private_prefix"
  [ "$private" = win32 ] && export WINEARCH=win32
else
  export WINEPREFIX="${LZ_WINEPREFIX:-$root/build/wineprefix}"
  "$root/tools/wine-prefix.sh" || exit 1
fi
if [ "$display" -eq 1 ]; then
  # xvfb-run -a looks for a free display from its start number and then starts the server, so runners that
  # start together can pick the same display, and one's server going away breaks the other's windows
  # ("X connection broken"). Each runner starts its search from a number of its own.
  xvfb-run -a -n $((100 + $$ % 30000)) -s "-screen 0 1280x1024x24" "${LZ_WINE[@]}" "$@" 2>&1 | tee "$out"
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
