#!/usr/bin/env bash
# mulan.exe under Wine, driven with real input events on the Xvfb display: start-up shows both
# windows with no message box (no SkinH.dll) and puts the tray icon up with the caption as tip; the
# close box hides to the tray and a left click on the icon brings the windows back; the tray menu
# has its "显示" item (and separator) only while minimised; "退出" ends the process and leaves no icon.
# Runs with the Wine environment started (scripts/test).
set -euo pipefail
: "${MULAN_ROOT:?}" "${MULAN_BUILD:?}" "${MULAN_RUN_DIR:?}" "${DISPLAY:?}"
work=$(mktemp -d "$MULAN_RUN_DIR/main-window.XXXXXX")
probe="$MULAN_BUILD/mingw/tools/probe/mulan-probe.exe"
exe="$MULAN_BUILD/mingw/src/app/mulan.exe"
title='沐岚音乐播放器'
# The results window's caption changes with every search: it is found by its class.
results='class:MulanFChild'
source "$MULAN_ROOT/tests/e2e/lib/common.sh"
visibility() { probe_out tree "$1" | head -1 | awk -F'\t' '{print $NF}'; }
field() { probe_out tree "$1" | head -1 | awk -F'\t' -v n="$2" '{split($(NF-1), r, ","); print r[n]}'; }
is() { [ "$(visibility "$1")" = "$2" ]; }

"$MULAN_ROOT/scripts/screenshot" "$work/before.png"
# Keeps the virtual desktop (and its notification area) up after the player has gone.
wine "$probe" wait 'no such window' 120 >/dev/null 2>&1 &
keeper=$!
# A site where nothing listens (the discard port): the start-up search fails and says so.
wine "$exe" --site 127.0.0.1:9 >"$work/wine.out" 2>&1 &
app=$!
trap 'kill $app $keeper 2>/dev/null || true' EXIT
wine "$probe" wait "$title" 30 || fail "no main window"
eventually 50 is "$results" visible || fail "results window not shown"
ok "both windows shown"
is "$title" visible || fail "main window not visible"
if wine "$probe" wait '错误' 1; then fail "a start-up message box"; fi
ok "no message box without SkinH.dll"

sleep 1
"$MULAN_ROOT/scripts/screenshot" "$work/started.png"
read -r icon_x icon_y changed < <(python3 "$MULAN_ROOT/tests/e2e/tray_pixels.py" "$work/before.png" "$work/started.png")
[ "$icon_x" != none ] && [ "$changed" -gt 20 ] || fail "no tray icon"
ok "tray icon at $icon_x,$icon_y"
# From elsewhere: a pointer already resting on the icon (a script before this one clicked it)
# moves nowhere and shows no tip.
xdotool mousemove 0 0
xdotool mousemove "$icon_x" "$icon_y"
tip_shown() { probe_out class tooltips_class32 | awk -F'\t' -v t="$title" '$3 == t { found = 1 } END { exit !found }'; }
eventually 50 tip_shown || fail "the icon's tip is not the caption"
ok "tip is the caption"

# No site runs here: the start-up search ends saying so, not that the site found no songs.
search_failed() { probe_out panels "$title" | grep -qx '搜索失败：无法连接音乐网站'; }
eventually 150 search_failed || fail "the start-up search without a site ended with: $(probe_out panels "$title" | tr '\n' '|')"
ok "without a site the start-up search says 搜索失败：无法连接音乐网站"

# The close box: the title bar's rightmost button.
left=$(field "$title" 1); top=$(field "$title" 2); width=$(field "$title" 3)
xdotool mousemove $((left + width - 12)) $((top + 11)) click 1
eventually 50 is "$title" hidden || fail "close did not hide the main window"
eventually 50 is "$results" hidden || fail "the results window did not follow into the tray"
ok "closed to the tray"

xdotool mousemove "$icon_x" "$icon_y" click 1
eventually 50 is "$title" visible || fail "a left click on the icon did not bring the window back"
eventually 50 is "$results" visible || fail "the results window did not come back"
ok "left click on the icon brought both windows back"

menu_height() { probe_out menu | awk -F'\t' '{split($(NF-1), r, ","); print r[4]}'; }
menu_open() { probe_out menu >/dev/null; }
xdotool mousemove "$icon_x" "$icon_y" click 3
eventually 50 menu_open || fail "no tray menu"
shown_height=$(menu_height)
xdotool key Escape
sleep 0.5

xdotool mousemove "$icon_x" "$icon_y" click 1
eventually 50 is "$title" hidden || fail "a left click on the icon did not hide the window"
xdotool mousemove "$icon_x" "$icon_y" click 3
eventually 50 menu_open || fail "no tray menu while minimised"
hidden_height=$(menu_height)
[ "$hidden_height" -gt "$shown_height" ] || fail "menu while minimised ($hidden_height) not longer than while shown ($shown_height)"
ok "the tray menu grows by 显示 while minimised ($shown_height -> $hidden_height px)"

# "退出" is the last of the tray's own items, before the player's separator and "音乐来源…", which
# together are as high as "显示" and its separator: the menu's growth while minimised.
read -r mx my mw mh < <(probe_out menu | awk -F'\t' '{split($(NF-1), r, ","); print r[1], r[2], r[3], r[4]}')
xdotool mousemove $((mx + mw / 2)) $((my + mh - (hidden_height - shown_height) - 10)) click 1
for _ in $(seq 100); do kill -0 $app 2>/dev/null || break; sleep 0.1; done
if kill -0 $app 2>/dev/null; then fail "the process is still running after 退出"; fi
wait $app || fail "exit status $?"
ok "退出 ended the process with status 0"
sleep 1
"$MULAN_ROOT/scripts/screenshot" "$work/ended.png"
read -r gone _ < <(python3 "$MULAN_ROOT/tests/e2e/tray_pixels.py" "$work/before.png" "$work/ended.png")
[ "$gone" = none ] || fail "a tray icon is left behind"
ok "no tray icon left"
echo "main window: all passed"
