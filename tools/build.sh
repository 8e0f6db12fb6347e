#!/usr/bin/env bash
# Builds every deliverable for Windows x64 and x86 into out/x64 and out/x86, and the installer file
# out/dist/setup.exe.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash tools/setup.sh
for tree in win64 win32; do
  cmake --preset "$tree" >/dev/null
  cmake --build --preset "$tree"
  cmake --install "build/$tree" >/dev/null
done
# The one installer file, from both trees' programs and libraries and the shipped data set.
bash tools/package.sh
echo "deliverables:"
find out -type f | sort
