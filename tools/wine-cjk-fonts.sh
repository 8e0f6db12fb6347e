#!/usr/bin/env bash
# Makes Chinese text draw as on Chinese Windows in the Wine prefix named by WINEPREFIX. Wine's interface
# fonts lack Chinese glyphs, so they are linked to WenQuanYi Micro Hei (fonts-wqy-microhei), as Windows
# links them to its own Chinese font, and the Chinese font names programs ask for stand for it; without
# it every Chinese text draws as boxes. Wine finds the font among the system's own, so nothing is copied
# into the prefix's font folder, where the installer's font tests expect only what they install. The
# test prefixes are made with it; a prefix of your own gets it by running this script.
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the prefix folder}"
export WINEPREFIX WINEDEBUG=${WINEDEBUG:--all}
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
cjk=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
[ -f "$cjk" ] || { echo "wine-cjk-fonts: $cjk is missing (package fonts-wqy-microhei)" >&2; exit 1; }
link='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
for face in Tahoma "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif" "Segoe UI" Arial "Courier New" \
    "Lucida Sans Unicode" "DejaVu Sans" "DejaVu Serif"; do
  "${LZ_WINE[@]}" reg add "$link" /v "$face" /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f \
    >/dev/null 2>&1 || true
done
subst='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
for face in SimSun 宋体 NSimSun 新宋体 "Microsoft YaHei" 微软雅黑 SimHei 黑体; do
  "${LZ_WINE[@]}" reg add "$subst" /v "$face" /d 'WenQuanYi Micro Hei' /f >/dev/null 2>&1 || true
done
wineserver -w || true
