#!/usr/bin/env bash
# mulan.exe against mulan-site serving a tagged music library (not the demo catalogue): a title
# typed into the search box finds the song by its ID3 title (its file name says nothing of it), a
# real double click on the result plays it (its tone is heard) and the lyric line shown comes from
# the file's embedded synchronised lyrics. Runs with the Wine environment started (scripts/test).
set -euo pipefail
: "${MULAN_ROOT:?}" "${MULAN_BUILD:?}" "${MULAN_RUN_DIR:?}" "${DISPLAY:?}"
source "$MULAN_ROOT/scripts/lib/wine-env.sh"
source "$MULAN_ROOT/scripts/lib/site.sh"
work=$(mktemp -d "$MULAN_RUN_DIR/library.XXXXXX")
probe="$MULAN_BUILD/mingw/tools/probe/mulan-probe.exe"
title='沐岚音乐播放器'
log="$work/requests.log"
python=${MULAN_SITE_PYTHON:-/usr/bin/python3}
source "$MULAN_ROOT/tests/e2e/lib/common.sh"
rect_of() { probe_out tree "$1" | awk -F'\t' -v c="$2" '$2 == c { split($4, r, ","); print r[1], r[2], r[3], r[4]; exit }'; }
label() { probe_out tree "$title" | awk -F'\t' '$2 == "Static" && NR > 1 { print $3 }' | grep -v '^$' | head -1; }

music="$work/music"
"$python" "$MULAN_ROOT/tools/site/make_test_library.py" "$music" 12

MULAN_ENV_PIDS=()
mulan_site_start "$music" "$log"
trap 'kill ${app:-} 2>/dev/null || true; for p in "${MULAN_ENV_PIDS[@]}"; do kill "$p" 2>/dev/null || true; done' EXIT
song_id=$("$python" -c "import sqlite3,sys; print(sqlite3.connect(sys.argv[1]).execute(\"SELECT id FROM songs WHERE path = 'mp3/track07.mp3'\").fetchone()[0])" "$music/.mulan-site.db")
wine "$MULAN_BUILD/mingw/src/app/mulan.exe" >"$work/wine.out" 2>&1 &
app=$!

eventually 300 wine "$probe" wait "$title" 1 || fail "no main window"
eventually 150 logged 'GET /so.asp?key=u 200' || fail "no start-up search"
sleep 1

read -r left top width height < <(rect_of "$title" Edit)
[ -n "${left:-}" ] || fail "no search box"
xdotool mousemove $((left + 20)) $((top + height / 2)) click 1
xdotool key BackSpace
xdotool type --delay 60 Starlight
xdotool key Return
eventually 100 logged 'GET /so.asp?key=Starlight 200' || fail "Enter did not search for Starlight"
finished() { [ "$(probe_out tree class:MulanFChild | head -1 | awk -F'\t' '{print $3}')" = '音乐搜索信息!' ]; }
eventually 50 finished || fail "the search did not finish"
ok "the search box found Starlight (song $song_id) by its tag title"

read -r lleft ltop lwidth lheight < <(rect_of class:MulanFChild SysListView32)
[ -n "${lleft:-}" ] || fail "no results list"
xdotool mousemove $((lleft + 60)) $((ltop + 30)) click --repeat 2 --delay 80 1
eventually 100 logged "GET /play/$song_id.htm 200" || fail "double click did not play song $song_id"
eventually 50 logged "GET /geci/$song_id.htm 200" || fail "no lyrics page of $song_id"
eventually 50 logged "GET /music/mp3/track07.mp3" || fail "the audio file was not fetched"
ok "double click played song $song_id"

embedded_line() { case "$(label)" in 第一句歌词|第二句歌词|第三句歌词) return 0 ;; *) return 1 ;; esac; }
eventually 50 embedded_line || fail "the lyric line shown is '$(label)', not one of the file's embedded lines"
"$MULAN_ROOT/scripts/screenshot" "$MULAN_BUILD/music-library.png"
ok "the lyric line '$(label)' comes from the file's SYLT frame"

# A recording that came back empty is taken again rather than read as silence.
starlight() {
  record_second "$work/sound.wav" || return 1
  read -r rms freq < <("$MULAN_ROOT/scripts/measure-sound" "$work/sound.wav" | sed 's/rms=\([^ ]*\) peak=[^ ]* freq=\(.*\)/\1 \2/')
  python3 -c "import sys; r,f=map(float,sys.argv[1:]); sys.exit(0 if r > 0.01 and abs(f-480) <= 8 else 1)" "$rms" "$freq"
}
rms=none freq=none
for attempt in 1 2 3; do starlight && break; done || fail "expected the 480 Hz tone of Starlight, heard rms $rms at $freq Hz"
ok "heard Starlight at $freq Hz"
