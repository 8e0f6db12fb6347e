#!/usr/bin/env bash
# Creates the private Wine prefix named by WINEPREFIX once. It must be made after wine32 is installed,
# or 32-bit programs never start in it. Mono and Gecko are left out: nothing here needs them and
# their installers would otherwise ask on first start. Windows are left unmanaged: the virtual displays
# have no window manager, and Wine waits two seconds for one to withdraw every managed window that hides
# or goes away.
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the prefix folder}"
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
[ -f "$WINEPREFIX/.made-3" ] && exit 0
mkdir -p "$(dirname "$WINEPREFIX")"
# Two runners may start at once on a new tree; one makes the prefix, the other waits for it.
exec 9>"$WINEPREFIX.lock"
flock 9
[ -f "$WINEPREFIX/.made-3" ] && exit 0
printf 'setup: creating the Wine prefix %s\n' "$WINEPREFIX" >&2
"${LZ_WINEBOOT[@]}" -i >/dev/null 2>&1 || true
wineserver -w || true
[ -f "$WINEPREFIX/system.reg" ] || { echo "setup: wineboot made no prefix in $WINEPREFIX" >&2; exit 1; }
"${LZ_WINE[@]}" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
wineserver -w || true
grep -q '"Managed"="N"' "$WINEPREFIX/user.reg" || { echo "setup: could not set up $WINEPREFIX" >&2; exit 1; }
"$(dirname "${BASH_SOURCE[0]}")/wine-cjk-fonts.sh"
touch "$WINEPREFIX/.made-3"
