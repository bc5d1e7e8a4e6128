#!/usr/bin/env bash
# mulan.exe against mulan-site serving a tagged music library (not the demo catalogue): a title
# typed into the search box finds the song by its ID3 title (its file name says nothing of it); a
# real double click on the result adds it to the playlist and plays it, and a real double click on
# its playlist row plays it again: its tone is heard and the lyric line shown comes from the file's
# embedded synchronised lyrics. Then the same library served on 127.0.0.2 alone, without host names
# given: mulan-cli finds, resolves, downloads and reads the lyrics of the song there, because the
# pages' links carry the host name each request came with.
# Runs with the Wine environment started (scripts/test).
set -euo pipefail
: "${MULAN_ROOT:?}" "${MULAN_BUILD:?}" "${MULAN_RUN_DIR:?}" "${DISPLAY:?}"
source "$MULAN_ROOT/scripts/lib/wine-env.sh"
source "$MULAN_ROOT/scripts/lib/site.sh"
work=$(mktemp -d "$MULAN_RUN_DIR/library.XXXXXX")
probe="$MULAN_BUILD/mingw/tools/probe/mulan-probe.exe"
cli="$MULAN_BUILD/native/src/cli/mulan-cli"
cli_exe="$MULAN_BUILD/mingw/src/cli/mulan-cli.exe"
title='沐岚音乐播放器'
log="$work/requests.log"
# Debian's Python: the library's tags are written with its mutagen.
python=/usr/bin/python3
source "$MULAN_ROOT/tests/e2e/lib/common.sh"
times_logged() { grep -c -- "$1" "$log" || true; }
mulan_site_program || exit 1
[ -x "$cli" ] || fail "mulan-cli is not built: $cli"

# Three-second songs: the embedded lyric lines come at 0.5, 1.5 and 2.5 s.
music="$work/music"
"$python" "$MULAN_ROOT/tools/site/make_test_library.py" "$music" 3
track="$music/mp3/track07.mp3"

MULAN_ENV_PIDS=()
mulan_site_start "$music" "$log"
site_pid=${MULAN_ENV_PIDS[-1]}
trap 'kill ${app:-} 2>/dev/null || true; for p in "${MULAN_ENV_PIDS[@]}"; do kill "$p" 2>/dev/null || true; done' EXIT
grep -q "skipped mp3/broken.mp3" "$MULAN_RUN_DIR/site.out" || fail "the corrupt file was not reported: $(cat "$MULAN_RUN_DIR/site.out")"
song_id=$("$python" -c "import sqlite3,sys; print(sqlite3.connect(sys.argv[1]).execute(\"SELECT id FROM songs WHERE path = 'mp3/track07.mp3'\").fetchone()[0])" "$music/.mulan-site.db")
wine "$MULAN_BUILD/mingw/src/app/mulan.exe" --site "127.0.0.1:${MULAN_SITE_PORT:-18080}" >"$work/wine.out" 2>&1 &
app=$!

eventually 300 wine "$probe" wait "$title" 1 || fail "no main window"
eventually 150 logged 'GET /so.asp?key=u 200' || fail "no start-up search"
startup_hits() { probe_out panels "$title" | sed -n 's/^共找到\([0-9]*\)首音乐信息!$/\1/p' | grep .; }
eventually 50 startup_hits >/dev/null || fail "the start-up search did not finish: $(probe_out panels "$title")"
rows=$(startup_hits)
ok "the start-up search put $rows songs into the playlist"
sleep 1

read -r left top _ height < <(rect_of "$title" Edit)
[ -n "${left:-}" ] || fail "no search box"
xdotool mousemove $((left + 20)) $((top + height / 2)) click 1
xdotool key BackSpace
xdotool type --delay 60 Starlight
xdotool key Return
eventually 100 logged 'GET /so.asp?key=Starlight 200' || fail "Enter did not search for Starlight"
finished() { [ "$(probe_out tree class:MulanFChild | head -1 | awk -F'\t' '{print $3}')" = '音乐搜索信息!' ]; }
eventually 50 finished || fail "the search did not finish"
found() { probe_out panels "$title" | grep -qx '共找到1首音乐信息!'; }
eventually 30 found || fail "the search for Starlight did not find one song: $(probe_out panels "$title")"
ok "the search box found Starlight by its tag title"

# The only result, by a real double click: it is appended to the playlist and played.
read -r lleft ltop _ < <(rect_of class:MulanFChild SysListView32)
[ -n "${lleft:-}" ] || fail "no results list"
xdotool mousemove $((lleft + 60)) $((ltop + 30)) click --repeat 2 --delay 80 1
eventually 100 logged "GET /play/$song_id.htm 200" || fail "double click on the result did not play song $song_id"
eventually 50 logged "GET /geci/$song_id.htm 200" || fail "no lyrics page of $song_id"
eventually 50 logged "GET /music/$song_id/track07.mp3 20" || fail "the audio file was not fetched by its id"
ok "double click on the result played song $song_id (/music/$song_id/track07.mp3)"

# Its playlist row, below the start-up search's rows, by a real double click (rows are 18 pixels
# high below a 1-pixel border); the song has ended or is about to, list loop may have moved on.
sleep 3
read -r pleft ptop _ < <(rect_of "$title" MulanQMListBox)
[ -n "${pleft:-}" ] || fail "no playlist"
xdotool mousemove $((pleft + 60)) $((ptop + 1 + rows * 18 + 9)) click --repeat 2 --delay 80 1
played_twice() { [ "$(times_logged "GET /music/$song_id/")" -ge 2 ]; }
eventually 100 played_twice || fail "double click on playlist row $((rows + 1)) did not play song $song_id again"
[ "$(times_logged "GET /play/$song_id.htm 200")" -ge 2 ] || fail "the playlist row did not ask for the play page"
# The song lasts three seconds: listen to all of it while the lyric line is looked for.
"$MULAN_ROOT/scripts/record-sound" 2.6 "$work/sound.wav" &
recording=$!
embedded_line() { line=$(label) && case "$line" in 第一句歌词|第二句歌词|第三句歌词) return 0 ;; *) return 1 ;; esac; }
line=none
if eventually 25 embedded_line; then
  "$MULAN_ROOT/scripts/screenshot" "$MULAN_BUILD/music-library.png"
  shown=$line
else
  shown=
fi
wait $recording
[ -n "$shown" ] || fail "the lyric line shown is '$line', not one of the file's embedded lines"
ok "the lyric line '$shown' comes from the file's SYLT frame (screenshot $MULAN_BUILD/music-library.png)"
read -r rms freq < <("$MULAN_ROOT/scripts/measure-sound" "$work/sound.wav" | sed 's/rms=\([^ ]*\) peak=[^ ]* freq=\(.*\)/\1 \2/')
python3 -c "import sys; r,f=map(float,sys.argv[1:]); sys.exit(0 if r > 0.01 and abs(f-480) <= 8 else 1)" "$rms" "$freq" ||
  fail "expected the 480 Hz tone of Starlight, heard rms $rms at $freq Hz ($work/sound.wav)"
ok "double click on its playlist row played Starlight: heard at $freq Hz"

kill "$app" 2>/dev/null || true
wait "$app" 2>/dev/null || true
kill "$site_pid" 2>/dev/null || true
wait "$site_pid" 2>/dev/null || true

# The same library and index on 127.0.0.2 only, no host names given.
"$MULAN_SITE_PROGRAM" --library "$music" --bind 127.0.0.2 --site-port 0 --search-port 0 --media-port 0 \
  --log "$work/second.log" --ready-file "$work/second.ready" >"$work/second.out" 2>&1 &
MULAN_ENV_PIDS+=($!)
eventually 100 test -s "$work/second.ready" || fail "mulan-site on 127.0.0.2 did not start: $(cat "$work/second.out")"
read -r site search media < <(sed 's/.*site=\([^ ]*\) search=\([^ ]*\) media=\([^ ]*\).*/\1 \2 \3/' "$work/second.ready")
for host in "$site" "$search" "$media"; do
  [[ $host == 127.0.0.2:* ]] || fail "not on 127.0.0.2: $(cat "$work/second.ready")"
done
python3 -c "import socket,sys; socket.create_connection(('127.0.0.1', int(sys.argv[1])), 2)" "${search#*:}" 2>/dev/null &&
  fail "the search port answers on 127.0.0.1 too"
hosts=(--site-host "$site" --search-host "$search" --media-host "$media")

"$cli" "${hosts[@]}" search Starlight >"$work/search.txt" 2>"$work/search.err" || fail "mulan-cli search: $(cat "$work/search.err")"
check "mulan-cli search Starlight on 127.0.0.2 (the links carry the site host it asked for)" \
  "$(cat "$work/search.txt")" "$song_id	Starlight"
# The Windows build of the same client, under Wine.
(cd "$work" && wine "$cli_exe" "${hosts[@]}" search Starlight </dev/null >"$work/search-wine.txt" 2>/dev/null) ||
  fail "mulan-cli.exe search failed"
check "mulan-cli.exe search Starlight on 127.0.0.2" "$(tr -d '\r' <"$work/search-wine.txt")" "$song_id	Starlight"
check "mulan-cli resolve $song_id" "$("$cli" "${hosts[@]}" resolve "$song_id")" "http://$media/music/$song_id/track07.mp3"
"$cli" "${hosts[@]}" download "$song_id" -o "$work/downloaded.mp3" >/dev/null 2>"$work/download.err" ||
  fail "mulan-cli download: $(cat "$work/download.err")"
check "mulan-cli download $song_id gives the file's bytes" "$(cmp "$work/downloaded.mp3" "$track" && echo same)" same
check "mulan-cli lyrics $song_id" "$("$cli" "${hosts[@]}" lyrics "$song_id" | paste -sd '|')" \
  "[00:00.50]第一句歌词|[00:01.50]第二句歌词|[00:02.50]第三句歌词"
# A name the server was never told of: the links follow it, each with its own server's port.
links=$(python3 - "$search" "mulan.test" <<'PY'
import http.client, re, sys
search, name = sys.argv[1:3]
address, port = search.rsplit(":", 1)
connection = http.client.HTTPConnection(address, int(port), timeout=10)
connection.putrequest("GET", "/so.asp?key=Starlight", skip_host=True)
connection.putheader("Host", "%s:%s" % (name, port))
connection.endheaders()
page = connection.getresponse().read().decode("utf-8")
print(" ".join(sorted(set(re.findall(r'href="http://([^/"]*)/play/', page)))))
PY
)
check "play links of a search asked for as mulan.test" "$links" "mulan.test:${site#*:}"
eventually 20 grep -q "^${search#*:} GET /so.asp?key=Starlight 200$" "$work/second.log" || fail "the search is not in the log"
checks_passed "music library on 127.0.0.2"
