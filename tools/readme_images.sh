#!/usr/bin/env bash
# Copies the README's pictures from the screenshots the win64 Wine tests keep in the build tree, so they
# show what the tests last saw. Run after `bash tools/test.sh` (or the win64 tree's tests).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build/win64"
images="$root/docs/images"
mkdir -p "$images"
copy() {
  [ -f "$build/$1" ] || { echo "readme_images: $build/$1 is missing: run the win64 tests first" >&2; exit 1; }
  cp "$build/$1" "$images/$2"
  echo "docs/images/$2 <- build/win64/$1"
}
# The shipped set-up: candidates in one row after the code, with the built-in skin.
copy textservice/candidate-embedded-x64.png candidate-window.png
copy config/interface-page-x64.png settings-window.png
