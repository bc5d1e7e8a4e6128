#!/usr/bin/env bash
# mulan.exe against mulan-site with real input: the start-up search fills the playlist (key "u" on
# page 1, the search box's text on page 2); a double click on an entry plays it (its play and lyrics
# pages are fetched, its tone is heard) and its lyric lines follow the time; at the end of the song
# list loop starts the next entry; 暂停 and 下一首 from the tray menu pause it and, while paused, start
# the next entry. Runs with the Wine environment started (scripts/test).
set -euo pipefail
: "${MULAN_ROOT:?}" "${MULAN_BUILD:?}" "${MULAN_RUN_DIR:?}" "${DISPLAY:?}"
source "$MULAN_ROOT/scripts/lib/wine-env.sh"
source "$MULAN_ROOT/scripts/lib/site.sh"
work=$(mktemp -d "$MULAN_RUN_DIR/play.XXXXXX")
probe="$MULAN_BUILD/mingw/tools/probe/mulan-probe.exe"
title='沐岚音乐播放器'
log="$work/requests.log"
source "$MULAN_ROOT/tests/e2e/lib/common.sh"

"$MULAN_ROOT/scripts/screenshot" "$work/before.png"
start_player_and_site

eventually 300 wine "$probe" wait "$title" 1 || fail "no main window"
eventually 150 logged 'GET /so.asp?key=u 200' || fail "no start-up search for u"
eventually 100 logged 'GET /so.asp?page=2&key=%CB%D1%CB%F7%B8%E8%C7%FA 200' || fail "page 2 not asked with the box's text"
ok "start-up search: key u, then the search box's text on page 2"

# The fifth entry of the playlist (1005, eight seconds long), by a real double click.
read -r left top width height < <(probe_out tree "$title" | awk -F'\t' '$2 == "MulanQMListBox" { split($4, r, ","); print r[1], r[2], r[3], r[4] }')
[ -n "${left:-}" ] || fail "no playlist window"
x=$((left + 60)); y=$((top + 1 + 4 * 18 + 9))
xdotool mousemove "$x" "$y" click --repeat 2 --delay 80 1
eventually 100 logged 'GET /play/1005.htm 200' || fail "double click did not fetch the play page"
eventually 50 logged 'GET /geci/1005.htm 200' || fail "no lyrics page fetched"
ok "double click fetched the play and lyrics pages of 1005"

sleep 0.8
first=$(label)
"$MULAN_ROOT/scripts/screenshot" "$MULAN_BUILD/play-lyrics-1.png"
sleep 1.0
second=$(label)
"$MULAN_ROOT/scripts/screenshot" "$MULAN_BUILD/play-lyrics-2.png"
grep -qF "]$first" "$catalogue/audio/1005.lrc" || fail "label '$first' is no lyric line of 1005"
grep -qF "]$second" "$catalogue/audio/1005.lrc" || fail "label '$second' is no lyric line of 1005"
[ "$first" != "$second" ] || fail "the lyric line did not change with time ('$first')"
ok "lyric lines follow the time: '$first' then '$second'"

"$MULAN_ROOT/scripts/record-sound" 1.2 "$work/sound.wav"
read -r rms freq < <("$MULAN_ROOT/scripts/measure-sound" "$work/sound.wav" | sed 's/rms=\([^ ]*\) peak=[^ ]* freq=\(.*\)/\1 \2/')
want=$(song 1005 frequency)
python3 -c "import sys; r,f,w=map(float,sys.argv[1:]); sys.exit(0 if r > 0.01 and abs(f-w) <= 8 else 1)" "$rms" "$freq" "$want" \
  || fail "expected the tone of 1005 ($want Hz), heard rms $rms at $freq Hz"
ok "heard 1005 at $freq Hz"

# List loop: at the end of 1005 the next entry starts.
eventually 150 logged 'GET /play/1006.htm 200' || fail "the end of the song did not start the next entry"
ok "list loop started 1006 at the end of 1005"

# The tray menu by keyboard: 暂停 is its first item, 下一首 its third (separators are skipped).
"$MULAN_ROOT/scripts/screenshot" "$work/started.png"
read -r icon_x icon_y _ < <(python3 "$MULAN_ROOT/tests/e2e/tray_pixels.py" "$work/before.png" "$work/started.png")
[ "$icon_x" != none ] || fail "no tray icon"
menu_open() { wine "$probe" menu >/dev/null 2>&1; }
tray_item() {  # the item's position in the menu, counted without separators
  # A balloon notice over the icon takes the first click; the next one reaches the icon.
  # Between tries the pointer leaves the icon and anything half-open is closed, so that each try
  # is a fresh hover and click.
  local attempt
  for attempt in 1 2 3 4 5; do
    xdotool mousemove "$icon_x" "$icon_y" sleep 0.3 click 3
    eventually 30 menu_open && break
    [ "$attempt" -lt 5 ] || { "$MULAN_ROOT/scripts/screenshot" "$work/no-tray-menu.png"; fail "no tray menu (screenshot $work/no-tray-menu.png)"; }
    xdotool key Escape mousemove $((icon_x - 300)) $((icon_y - 300)) sleep 0.5
  done
  for _ in $(seq "$1"); do xdotool key Down; done
  xdotool key Return
}
eventually 30 logged 'GET /music/1006/' || fail "1006 not fetched"
tray_item 1
sleep 0.5
"$MULAN_ROOT/scripts/record-sound" 1 "$work/paused.wav"
read -r paused_rms < <("$MULAN_ROOT/scripts/measure-sound" "$work/paused.wav" | sed 's/rms=\([^ ]*\).*/\1/')
python3 -c "import sys; sys.exit(0 if float(sys.argv[1]) < 0.005 else 1)" "$paused_rms" || fail "still heard after 暂停 (rms $paused_rms)"
ok "暂停 from the tray menu silences the song"
tray_item 3
eventually 100 logged 'GET /play/1007.htm 200' || fail "下一首 did not start the next entry"
# 1007 lasts three seconds: listen from the moment its audio is asked for, a second at a time.
eventually 50 logged 'GET /music/1007/' || fail "1007's audio not fetched"
for attempt in 1 2 3; do heard 1007 && break; done \
  || fail "expected 1007 ($(song 1007 frequency) Hz) after 下一首, heard $(cat "$work/heard.txt")"
ok "下一首 from the tray menu while paused plays 1007 ($(cat "$work/heard.txt"))"
