#!/usr/bin/env bash
# The music source chosen at run time: mulan.exe --site names a mulan-site on another loopback
# address and ports, and the start-up search goes there; with nothing on the command line the
# source stored under HKEY_CURRENT_USER\Software\Mulan Player is used; a command line that cannot
# be followed is said in a message box and ends the program with status 2; "音乐来源…" in the tray
# menu changes the source at once and stores it. Runs with the Wine
# environment started (scripts/test).
set -euo pipefail
: "${MULAN_ROOT:?}" "${MULAN_BUILD:?}" "${MULAN_RUN_DIR:?}" "${DISPLAY:?}"
source "$MULAN_ROOT/scripts/lib/wine-env.sh"
source "$MULAN_ROOT/scripts/lib/site.sh"
work=$(mktemp -d "$MULAN_RUN_DIR/source.XXXXXX")
probe="$MULAN_BUILD/mingw/tools/probe/mulan-probe.exe"
exe="$MULAN_BUILD/mingw/src/app/mulan.exe"
title='沐岚音乐播放器'
log="$work/requests.log"
key='HKCU\Software\Mulan Player'
source "$MULAN_ROOT/tests/e2e/lib/common.sh"
searched() { probe_out panels "$title" | grep -q '共找到20首音乐信息!'; }
forget() { wine reg delete "$key" /f >/dev/null 2>&1 || true; }

catalogue=$("$MULAN_ROOT/scripts/demo-catalogue")
MULAN_ENV_PIDS=()
MULAN_SITE_PORT=19080 MULAN_SEARCH_PORT=19081 MULAN_MEDIA_PORT=19082 \
  mulan_site_start "$catalogue" "$log" --bind 127.0.0.2
app=
trap 'kill $app 2>/dev/null || true; forget; for p in "${MULAN_ENV_PIDS[@]}"; do kill "$p" 2>/dev/null || true; done' EXIT
forget

# 1. --site: the site at 127.0.0.2:19080, its search pages on 19081.
wine "$exe" --site 127.0.0.2:19080 >"$work/wine.out" 2>&1 &
app=$!
eventually 300 wine "$probe" wait "$title" 1 || fail "no main window"
eventually 300 logged '^19081 GET /so.asp?key=u 200' || fail "the start-up search did not reach 127.0.0.2:19081 ($(cat "$log"))"
eventually 100 searched || fail "the playlist was not filled: $(probe_out panels "$title" | tr '\n' '|')"
ok "--site 127.0.0.2:19080: the start-up search went to that site and filled the playlist"
kill "$app" 2>/dev/null || true
wait "$app" 2>/dev/null || true

# 2. Nothing on the command line: the stored site.
: >"$log"
wine reg add "$key" /v SiteHost /t REG_SZ /d 127.0.0.2:19080 /f >/dev/null
wine reg add "$key" /v SearchHost /t REG_SZ /d 127.0.0.2:19081 /f >/dev/null
wine reg add "$key" /v MediaHost /t REG_SZ /d 127.0.0.2:19082 /f >/dev/null
wine reg add "$key" /v MusicSource /t REG_SZ /d site /f >/dev/null
wine "$exe" >"$work/wine2.out" 2>&1 &
app=$!
eventually 300 wine "$probe" wait "$title" 1 || fail "no main window with the stored source"
eventually 300 logged '^19081 GET /so.asp?key=u 200' || fail "the stored site was not asked"
ok "the stored source (HKCU\\Software\\Mulan Player) is used when the command line names none"
kill "$app" 2>/dev/null || true
wait "$app" 2>/dev/null || true

# 3. A port that leaves no room for the search and media servers: said, and status 2.
wine "$exe" --site 127.0.0.2:65535 >"$work/wine3.out" 2>&1 &
app=$!
boxed() { probe_out class '#32770' | grep -q .; }
eventually 300 boxed || fail "no message box for a bad --site"
text=$(probe_out tree "class:#32770" | awk -F'\t' '$2 == "Static" { print $3 }' | tr '\n' ' ')
case "$text" in *音乐网站地址有误*) ;; *) fail "the message box says '$text'" ;; esac
xdotool key Return
rc=0
wait "$app" || rc=$?
[ "$rc" = 2 ] || fail "a bad command line ended with status $rc, not 2"
ok "a bad --site is said ('${text% }') and ends the program with status 2"

# 4. "音乐来源…" from the tray menu while the player reads its own library (an empty folder): the
# site's address typed into the dialog, Enter; the next search goes to that site, and the choice is
# stored.
forget
: >"$log"
mkdir -p "$work/empty"
"$MULAN_ROOT/scripts/screenshot" "$work/before.png"
wine "$exe" --library "$(winepath -w "$work/empty" 2>/dev/null)" >"$work/wine4.out" 2>&1 &
app=$!
eventually 300 wine "$probe" wait "$title" 1 || fail "no main window over the own library"
eventually 300 sh -c "wine '$probe' panels '$title' 2>/dev/null | grep -q 共找到" || fail "no start-up search over the own library"
sleep 1
"$MULAN_ROOT/scripts/screenshot" "$work/started.png"
read -r icon_x icon_y _ < <(python3 "$MULAN_ROOT/tests/e2e/tray_pixels.py" "$work/before.png" "$work/started.png")
[ "$icon_x" != none ] || fail "no tray icon"
menu_open() { wine "$probe" menu >/dev/null 2>&1; }
dialog_open() { wine "$probe" wait 音乐来源 0 >/dev/null 2>&1; }
for attempt in 1 2 3 4 5; do
  # A balloon over the icon takes the first click; the next one reaches the icon.
  xdotool mousemove "$icon_x" "$icon_y" sleep 0.3 click 3
  eventually 30 menu_open && break
  [ "$attempt" -lt 5 ] || fail "no tray menu"
  xdotool key Escape mousemove $((icon_x - 300)) $((icon_y - 300)) sleep 0.5
done
# "音乐来源…" is the menu's last item.
read -r mx my mw mh < <(probe_out menu | awk -F'\t' '{split($(NF-1), r, ","); print r[1], r[2], r[3], r[4]}')
xdotool mousemove $((mx + mw / 2)) $((my + mh - 10)) click 1
eventually 100 dialog_open || fail "音乐来源… opened no dialog"
# The keyboard as in any dialog box: Down moves to 音乐网站, Alt+D to its address box.
xdotool key Down
sleep 0.3
xdotool key alt+d
sleep 0.3
xdotool type --delay 40 127.0.0.2:19080
xdotool key Return
eventually 100 sh -c "! wine '$probe' wait 音乐来源 0 >/dev/null 2>&1" || fail "Enter did not close the dialog: $(probe_out tree 音乐来源 | tr '\n' '|')"
wine reg query "$key" /v MusicSource >"$work/stored.txt" 2>/dev/null || fail "nothing stored"
grep -q site "$work/stored.txt" || fail "the stored source is not the site: $(tr -d '\r' <"$work/stored.txt")"
read -r left top _ height < <(rect_of "$title" Edit)
xdotool mousemove $((left + 20)) $((top + height / 2)) click 1
xdotool key ctrl+a BackSpace
xdotool type --delay 60 Liu
xdotool key Return
eventually 150 logged '^19081 GET /so.asp?key=Liu 200' || fail "the next search did not go to the chosen site ($(cat "$log"))"
ok "音乐来源… in the tray menu: the site typed into the dialog is stored and the next search goes there"
kill "$app" 2>/dev/null || true
wait "$app" 2>/dev/null || true
