#!/usr/bin/env bash
# Makes a Debian 12 machine ready to build and test every tree: the apt packages, the three
# dependencies that Debian does not ship for mingw (minizip's unzip part, libpng and SQLite, cross-built
# from Debian's own source packages) and a private Wine prefix. Safe to run again: each step checks
# what is already there and a second run only looks.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build"
deps="$build/deps"
triplets=(x86_64-w64-mingw32 i686-w64-mingw32)

log() { printf 'setup: %s\n' "$*" >&2; }

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

native_packages=(
  build-essential cmake ninja-build pkg-config dpkg-dev
  zlib1g-dev libminizip-dev libpng-dev libsqlite3-dev tcl
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 binutils-mingw-w64 libz-mingw-w64-dev
  wine wine64 wine32:i386
  xvfb xauth x11-apps imagemagick fonts-wqy-microhei fonts-dejavu-core
  python3 libbz2-dev
  rime-data-wubi wamerican unicode-data rime-data-cangjie5 opencc
  fp-utils
)

missing_packages() {
  local p status
  for p in "${native_packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
    [ "$status" = installed ] || printf '%s\n' "$p"
  done
}

# The cross builds need Debian's source packages, so the machine needs a deb-src entry for the suites
# it already installs from.
ensure_deb_src() {
  local list=/etc/apt/sources.list.d/project-deb-src.sources
  [ -f "$list" ] && return 1
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | as_root tee "$list" >/dev/null
  elif [ -f /etc/apt/sources.list ]; then
    grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' \
      | as_root tee /etc/apt/sources.list.d/project-deb-src.list >/dev/null
    as_root touch "$list"
  fi
  return 0
}

install_packages() {
  local need_update=0
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    log "enabling the i386 architecture for 32-bit Wine"
    as_root dpkg --add-architecture i386
    need_update=1
  fi
  ensure_deb_src && need_update=1
  local missing
  missing=$(missing_packages)
  if [ -n "$missing" ] || [ "$need_update" -eq 1 ]; then
    log "apt-get update"
    as_root apt-get update -qq || log "apt-get update reported problems; going on"
  fi
  if [ -n "$missing" ]; then
    log "installing: $(echo $missing)"
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
  fi
}

# Fetches Debian's source package NAME into build/deps/src/ once; prints its folder. Every version the
# archive lists is tried, newest first: a mirror may list a security update whose files it lacks.
fetch_source() {
  local name=$1 dir v
  mkdir -p "$deps/src"
  dir=$(find "$deps/src" -maxdepth 1 -mindepth 1 -type d -name "$2-*" | head -n 1)
  if [ -z "$dir" ]; then
    log "fetching the source package $name"
    for v in $(apt-cache showsrc "$name" | sed -n 's/^Version: //p' | sort -u | sort -rV); do
      if (cd "$deps/src" && apt-get source -qq -o APT::Sandbox::User=root "$name=$v" >/dev/null 2>&1); then
        break
      fi
      rm -rf "$deps/src/$2-"* "$deps/src/${name}_"*
    done
    dir=$(find "$deps/src" -maxdepth 1 -mindepth 1 -type d -name "$2-*" | head -n 1)
  fi
  [ -n "$dir" ] || { log "source package $name could not be fetched"; exit 1; }
  printf '%s\n' "$dir"
}

build_minizip() {
  local triplet=$1 src=$2
  local prefix="$deps/$triplet"
  [ -f "$prefix/lib/libminizip.a" ] && return
  log "cross-building minizip (unzip) for $triplet"
  local obj="$deps/obj/$triplet/minizip"
  mkdir -p "$obj" "$prefix/lib" "$prefix/include/minizip"
  local f
  for f in ioapi unzip; do
    "$triplet-gcc" -O2 -c "$src/contrib/minizip/$f.c" -I"$src/contrib/minizip" -o "$obj/$f.o"
  done
  "$triplet-ar" rcs "$prefix/lib/libminizip.a" "$obj/ioapi.o" "$obj/unzip.o"
  cp "$src/contrib/minizip/unzip.h" "$src/contrib/minizip/ioapi.h" "$prefix/include/minizip/"
}

build_libpng() {
  local triplet=$1 src=$2
  local prefix="$deps/$triplet"
  [ -f "$prefix/lib/libpng.a" ] && return
  log "cross-building libpng for $triplet"
  local obj="$deps/obj/$triplet/libpng"
  mkdir -p "$obj" "$prefix/lib" "$prefix/include"
  cp "$src/scripts/pnglibconf.h.prebuilt" "$obj/pnglibconf.h"
  local f objs=()
  for f in png pngerror pngget pngmem pngpread pngread pngrio pngrtran pngrutil pngset pngtrans \
           pngwio pngwrite pngwtran pngwutil; do
    "$triplet-gcc" -O2 -c "$src/$f.c" -I"$obj" -I"$src" -o "$obj/$f.o"
    objs+=("$obj/$f.o")
  done
  "$triplet-ar" rcs "$prefix/lib/libpng.a" "${objs[@]}"
  cp "$src/png.h" "$src/pngconf.h" "$obj/pnglibconf.h" "$prefix/include/"
}

# SQLite's single-file amalgamation, generated once from Debian's source package (with its patches) by
# the host compiler and tclsh; prints its folder.
sqlite_amalgamation() {
  local src=$1
  local gen="$deps/obj/sqlite3-amalgamation"
  if [ ! -f "$gen/sqlite3.c" ] || [ ! -f "$gen/sqlite3.h" ]; then
    log "generating the SQLite amalgamation"
    rm -rf "$gen"
    mkdir -p "$gen"
    (cd "$gen" && "$src/configure" --disable-tcl >configure.log 2>&1 && make sqlite3.c >make.log 2>&1) \
      || { log "the SQLite amalgamation could not be generated (see $gen)"; exit 1; }
  fi
  printf '%s\n' "$gen"
}

build_sqlite() {
  local triplet=$1 gen=$2
  local prefix="$deps/$triplet"
  [ -f "$prefix/lib/libsqlite3.a" ] && return
  log "cross-building SQLite for $triplet"
  local obj="$deps/obj/$triplet/sqlite3"
  mkdir -p "$obj" "$prefix/lib" "$prefix/include"
  # Extensions are never loaded: the program opens only its own record store.
  "$triplet-gcc" -O2 -DSQLITE_OMIT_LOAD_EXTENSION -c "$gen/sqlite3.c" -o "$obj/sqlite3.o"
  "$triplet-ar" rcs "$prefix/lib/libsqlite3.a" "$obj/sqlite3.o"
  cp "$gen/sqlite3.h" "$gen/sqlite3ext.h" "$prefix/include/"
}

build_deps() {
  local zlib_src png_src sqlite_src sqlite_gen t
  for t in "${triplets[@]}"; do
    if [ ! -f "$deps/$t/lib/libminizip.a" ] || [ ! -f "$deps/$t/lib/libpng.a" ]; then
      zlib_src=$(fetch_source zlib zlib)
      png_src=$(fetch_source libpng1.6 libpng1.6)
      build_minizip "$t" "$zlib_src"
      build_libpng "$t" "$png_src"
    fi
    if [ ! -f "$deps/$t/lib/libsqlite3.a" ]; then
      sqlite_src=$(fetch_source sqlite3 sqlite3)
      sqlite_gen=$(sqlite_amalgamation "$sqlite_src")
      build_sqlite "$t" "$sqlite_gen"
    fi
  done
}

make_wine_prefix() {
  WINEPREFIX="$build/wineprefix" "$root/tools/wine-prefix.sh"
}

install_packages
build_deps
make_wine_prefix
log "ready"
