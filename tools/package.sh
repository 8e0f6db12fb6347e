#!/usr/bin/env bash
# Makes the one installer file out/dist/setup.exe: the x86 installer (it runs on both architectures) with
# the payload zip appended. Run after both Windows trees are built and installed into out/x86 and
# out/x64 (tools/build.sh does that and then calls this script).
#   tools/package.sh [--minor N] [--output FILE] [NAME=PATH...]
# --minor N ships a data set of that minor version (tabletool shipdata --minor N) instead of the build's
# own; NAME=PATH adds members, for example '$fonts$/=some/folder'. It prints the file's size and each
# member's, and refuses programs and libraries that still carry their debug information.
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
# Programs and libraries ship stripped, their symbols kept under out/symbols: a member that still holds
# debug sections (or names no matching debug file) stops the packaging.
shipped=(out/x86/Quenlith.dll out/x64/Quenlithx64.dll out/x86/stavel.exe out/x64/stavelx64.exe)
[ -f out/x86/config.exe ] && shipped+=(out/x86/config.exe)
[ -f out/x64/configx64.exe ] && shipped+=(out/x64/configx64.exe)
for f in "${shipped[@]}"; do
  arch=$(basename "$(dirname "$f")")
  python3 "$root/tools/check_symbols.py" --objdump x86_64-w64-mingw32-objdump --symbols "out/symbols/$arch" "$f" \
    || { echo "package: $f is not stripped as a release ships it" >&2; exit 1; }
done
members=(
  "Quenlith.dll=out/x86/Quenlith.dll"
  "Quenlithx64.dll=out/x64/Quenlithx64.dll"
  "stavel.exe=out/x86/stavel.exe"
  "stavelx64.exe=out/x64/stavelx64.exe"
  "License.html=installer/License.html"
  "main.chm=out/x86/main.chm"
  "\$dataFiles\$/=$data"
)
# The configuration program ships once it is built.
[ -f out/x86/config.exe ] && members+=("config.exe=out/x86/config.exe")
[ -f out/x64/configx64.exe ] && members+=("configx64.exe=out/x64/configx64.exe")
"$root/build/native/tools/payloadtool" out/x86/stavel.exe "$output" "${members[@]}" ${extra[@]+"${extra[@]}"}
# What the file weighs: setup.exe, then each member as stored (deflated) and unpacked.
python3 - "$output" <<'EOF'
import os, sys, zipfile
path = sys.argv[1]
print("%s: %d bytes (%.1f MB)" % (path, os.path.getsize(path), os.path.getsize(path) / 1e6))
with zipfile.ZipFile(path) as payload:
    print("  %10s %10s  %s" % ("stored", "unpacked", "member"))
    for m in payload.infolist():
        print("  %10d %10d  %s" % (m.compress_size, m.file_size, m.filename))
EOF
