#!/usr/bin/env bash
# Creates the Wine prefix once: made under zh_CN.UTF-8 so programs see ANSI code page 936, and with
# font replacements so that standard controls and 宋体 show Chinese text.
set -euo pipefail
source "$(dirname "$0")/common.sh"
stamp="$MULAN_WINEPREFIX/.mulan-prefix-v4"

# Wine links the user's Music folder to the Linux home, which the player would then read as music
# (and a test put songs into): make it a folder of its own, as on Windows. A file in it keeps Wine
# from linking it again when it updates the prefix.
own_music_folders() {
  local music
  for music in "$MULAN_WINEPREFIX"/drive_c/users/*/Music; do
    [ -L "$music" ] || continue
    rm "$music" && mkdir "$music" && printf '[.ShellClassInfo]\r\n' >"$music/desktop.ini"
  done
}
if [ -f "$stamp" ]; then
  own_music_folders
  exit 0
fi

echo "setup: creating the Wine prefix (once, about a minute)"
export WINEPREFIX="$MULAN_WINEPREFIX" WINEARCH=win64 WINEDEBUG=-all LC_ALL=zh_CN.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$(dirname "$WINEPREFIX")"
unset DISPLAY
[ -f "$WINEPREFIX/system.reg" ] || wine wineboot -i >/dev/null 2>&1 || true
wineserver -w
# Debian's Wine does not find its own fonts (Marlett draws the caption buttons); give them to the prefix.
cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
reg=$(mktemp --suffix=.reg)
printf '%s\r\n' 'REGEDIT4' '' '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
  > "$reg"
for face in SimSun NSimSun "Microsoft YaHei" "Microsoft YaHei UI" "Segoe UI" "宋体" "新宋体" "微软雅黑"; do
  printf '"%s"="WenQuanYi Micro Hei"\r\n' "$face" >> "$reg"
done
# Every program runs in one virtual desktop with a taskbar and a notification area, so the player,
# its tray icon and the test tools all see each other.
printf '%s\r\n' '' '[HKEY_CURRENT_USER\Software\Wine\Explorer]' '"Desktop"="Default"' \
  '[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]' '"Default"="1024x768"' \
  '[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops\Default]' '"EnableShell"=dword:00000001' >> "$reg"
# regedit reads the file in the ANSI code page of the prefix, which is 936.
iconv -f UTF-8 -t GBK "$reg" > "$reg.gbk"
wine regedit /S "$reg.gbk" >/dev/null 2>&1
wineserver -w
rm -f "$reg" "$reg.gbk"
own_music_folders
touch "$stamp"
