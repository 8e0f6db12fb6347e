#!/usr/bin/env bash
# Makes the one installer file out/dist/setup.exe: the x86 installer (it runs on both architectures) with
# the payload zip appended. Run after both Windows trees are built and installed into out/x86 and
# out/x64 (tools/build.sh does that and then calls this script).
#   tools/package.sh [--minor N] [--output FILE] [NAME=PATH...]
# --minor N ships a data set of that minor version (tabletool shipdata --minor N) instead of the build's
# own; NAME=PATH adds members, for example '$fonts$/=some/folder'.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
minor=""
output="$root/out/dist/setup.exe"
extra=()
while [ $# -gt 0 ]; do
  case "$1" in
    --minor) minor=$2; shift 2 ;;
    --output) output=$2; shift 2 ;;
    *) extra+=("$1"); shift ;;
  esac
done
cmake --preset native >/dev/null
cmake --build --preset native --target payloadtool tabletool shipdata >/dev/null
data="$root/build/native/shipdata"
scratch=""
trap '[ -z "$scratch" ] || rm -rf "$scratch"' EXIT
if [ -n "$minor" ]; then
  scratch=$(mktemp -d)
  data="$scratch/shipdata"
  "$root/build/native/tools/tabletool" shipdata "$data" --minor "$minor" >/dev/null
fi
members=(
  "Quenlith.dll=out/x86/Quenlith.dll"
  "Quenlithx64.dll=out/x64/Quenlithx64.dll"
  "stavel.exe=out/x86/stavel.exe"
  "stavelx64.exe=out/x64/stavelx64.exe"
  "License.html=installer/License.html"
  "\$dataFiles\$/=$data"
)
# The configuration program ships once it is built.
[ -f out/x86/config.exe ] && members+=("config.exe=out/x86/config.exe")
[ -f out/x64/configx64.exe ] && members+=("configx64.exe=out/x64/configx64.exe")
"$root/build/native/tools/payloadtool" out/x86/stavel.exe "$output" "${members[@]}" ${extra[@]+"${extra[@]}"}
