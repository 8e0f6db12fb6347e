# Sourced by the scripts that start Wine. Debian's `wine` script always prefers the 32-bit loader when
# wine32 is installed, but a kernel built without 32-bit support cannot execute it ("Exec format
# error"), and then not even 64-bit programs start. On such a machine 64-bit programs go straight to the
# 64-bit loader, and 32-bit Windows programs cannot run at all.

# True when this machine can start Wine's 32-bit loader.
lz_wine_runs_32bit() {
  /usr/lib/wine/wine --version >/dev/null 2>&1
}

if lz_wine_runs_32bit; then
  LZ_WINE=(wine)
  LZ_WINEBOOT=(wineboot)
else
  export WINELOADER=/usr/lib/wine/wine64
  LZ_WINE=(/usr/lib/wine/wine64)
  LZ_WINEBOOT=(/usr/lib/wine/wine64 wineboot)
fi

# True when PROGRAM is a 32-bit (i386) Windows executable.
lz_is_pe32() {
  python3 - "$1" <<'PY'
import struct, sys
with open(sys.argv[1], 'rb') as f:
    head = f.read(4096)
off = struct.unpack_from('<I', head, 0x3c)[0]
sys.exit(0 if struct.unpack_from('<H', head, off + 4)[0] == 0x14c else 1)
PY
}
