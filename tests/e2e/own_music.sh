#!/usr/bin/env bash
# The installed player plays this computer's music with nothing else running. In a fresh copy of the
# Wine prefix, with no mulan-site anywhere: the silent installer puts the release in place, files
# tagged by other tools (a GBK ID3 title, FLAC with lyrics, M4A, ...) go into the user's Music folder,
# and the installed mulan.exe, started with no argument: its start-up search fills the playlist from
# that folder, announces the end of its first scan, finds the GBK-tagged song typed into the search
# box, plays it on a real double click (its tone heard, its lyric line shown), and finds a file
# copied into the folder while it runs. Then --site to a native mulan-site on 127.0.0.2 lists that
# server's songs, and a stored site where nothing answers is said by balloon while the player runs
# on; a library without songs says where it looked. Uninstalling removes the player's index and no
# music file.
# Runs with the Wine environment started (scripts/test).
set -euo pipefail
: "${MULAN_ROOT:?}" "${MULAN_BUILD:?}" "${MULAN_RUN_DIR:?}" "${DISPLAY:?}" "${MULAN_WINEPREFIX:?}"
source "$MULAN_ROOT/scripts/lib/wine-env.sh"
source "$MULAN_ROOT/scripts/lib/site.sh"
work=$(mktemp -d "$MULAN_RUN_DIR/own-music.XXXXXX")
probe="$MULAN_BUILD/mingw/tools/probe/mulan-probe.exe"
source "$MULAN_ROOT/tests/e2e/lib/common.sh"
title='沐岚音乐播放器'
python=/usr/bin/python3
mulan_site_program || exit 1

"$MULAN_ROOT/scripts/package" --dist "$work/dist" >/dev/null
source "$MULAN_BUILD/mingw/release.env"
setup="$work/dist/mulan-player-$MULAN_VERSION-setup.exe"

prefix="$work/prefix"
fresh_prefix "$prefix"
app= site=
MULAN_ENV_PIDS=()
trap 'kill ${app:-} ${site:-} "${MULAN_ENV_PIDS[@]}" 2>/dev/null || true; WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true' EXIT
wineserver -p >/dev/null 2>&1 || true
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
# A first start: no settings of the player's, whatever an earlier test left in the prefix copied.
wine reg delete 'HKCU\Software\Mulan Player' /f >/dev/null 2>&1 || true
folder() {
  wine cmd /c echo "%$1%" >"$work/folder.txt" 2>/dev/null
  winepath -u "$(tr -d '\r\n' <"$work/folder.txt")" 2>/dev/null
}
music="$(folder USERPROFILE)/Music"
index_dir="$(folder LOCALAPPDATA)/Mulan Player"
[ -d "$music" ] && [ ! -L "$music" ] || fail "the prefix's Music folder is not a folder of its own: $music"

wine "$setup" /S || fail "the silent install failed"
installed="$(folder LOCALAPPDATA)/Programs/Mulan Player"
[ -f "$installed/mulan.exe" ] || fail "nothing installed in $installed"

# Three-second songs: the lyric lines come in their first seconds.
"$python" "$MULAN_ROOT/tools/site/make_test_library.py" "$music" 3 >/dev/null
find "$music" -type f | sort >"$work/music-before.txt"

start() {
  wine "$installed/mulan.exe" "$@" >"$work/app.out" 2>&1 &
  app=$!
  wine "$probe" wait "$title" 60 >/dev/null 2>&1 || fail "the installed player shows no window"
}
stop() {
  kill "$app" 2>/dev/null || true
  wait "$app" 2>/dev/null || true
  app=
  eventually 50 sh -c "! wine '$probe' wait '$title' 0 >/dev/null 2>&1" || fail "the player did not end"
}
found_text() { probe_out panels "$title" | sed -n 's/^共找到\([0-9]*\)首音乐信息!$/\1/p' | grep .; }
balloon() { probe_out class tooltips_class32 | grep -q -- "$1"; }

start
eventually 300 found_text >/dev/null || fail "the start-up search did not fill the playlist: $(probe_out panels "$title" | tr '\n' '|')"
startup=$(found_text)
[ "$startup" -gt 0 ] || fail "the start-up search found nothing in the Music folder"
ok "no server, no argument: the start-up search put $startup songs of the Music folder into the playlist"
eventually 300 balloon '曲库整理完成：共 8 首' || fail "no balloon for the end of the first scan ($(probe_out class tooltips_class32 | tr '\n' '|'))"
ok "the end of the first scan is announced: 曲库整理完成：共 8 首"
[ -f "$index_dir/library.db" ] || fail "no index in $index_dir"

read -r left top _ height < <(rect_of "$title" Edit)
[ -n "${left:-}" ] || fail "no search box"
searched() { [ "$(found_text)" = "$1" ] && [ "$(probe_out tree class:MulanFChild | head -1 | awk -F'\t' '{print $3}')" = '音乐搜索信息!' ]; }

# box_search TEXT COUNT: types TEXT into the search box with real keys and Enter; the search ends with
# COUNT songs (panel 2, while nothing plays).
box_search() {
  xdotool mousemove $((left + 20)) $((top + height / 2)) click 1
  xdotool key ctrl+a BackSpace
  eventually 30 box_is "" || fail "the search box could not be emptied"
  type_into_box "$1"
  xdotool key Return
  eventually "${3:-100}" searched "$2"
}

# Two files copied into the folder while the player runs are found by a search within 10 s (two, so
# that the count cannot be an earlier search's).
for n in One Two; do
  ffmpeg -nostdin -loglevel error -y -f lavfi -i "sine=frequency=700:duration=1" -c:a libmp3lame -b:a 64k \
    -metadata title="新来的歌 Arrival $n" -metadata artist="沐岚" "$work/arrival-$n.mp3"
done
cp "$work/arrival-One.mp3" "$work/arrival-Two.mp3" "$music/"
copied=$(date +%s.%N)

# The GBK-tagged song (its title GBK bytes in a Latin-1 frame), typed into the box.
box_search 旧歌 1 || fail "the search for 旧歌 did not find one song: $(probe_out panels "$title" | tr '\n' '|')"
ok "旧歌, tagged in GBK by an old tagger, is found by its Chinese title"

arrived=
for attempt in $(seq 10); do
  if box_search Arrival 2 20; then arrived=1; break; fi
done
[ -n "$arrived" ] || fail "files copied into the Music folder were not found by a search: $(probe_out panels "$title" | tr '\n' '|')"
took=$("$python" -c "import sys,time; print('%.1f' % (time.time() - float(sys.argv[1])))" "$copied")
"$python" -c "import sys; sys.exit(0 if float(sys.argv[1]) <= 10 else 1)" "$took" ||
  fail "the copied files were found only after $took s"
ok "files copied into the Music folder while the player ran were found by a search $took s later"

# 旧歌 again, by its singer (the box would complete 旧 from its history), and its only result by a
# real double click: the 920 Hz tone and a line of its .lrc.
box_search 老歌手 1 || fail "the search for 老歌手 did not find 旧歌"
read -r lleft ltop _ < <(rect_of class:MulanFChild SysListView32)
[ -n "${lleft:-}" ] || fail "no results list"
"$MULAN_ROOT/scripts/record-sound" 2.5 "$work/song.wav" &
recording=$!
xdotool mousemove $((lleft + 60)) $((ltop + 30)) click --repeat 2 --delay 80 1
lrc_line() { line=$(label) && case "$line" in 来自LRC文件|第二行) return 0 ;; *) return 1 ;; esac; }
line=
eventually 40 lrc_line || true
wait $recording
[ -n "$line" ] && lrc_line || fail "the lyric line shown is '$(label)', not one of the song's .lrc"
read -r rms freq < <("$MULAN_ROOT/scripts/measure-sound" "$work/song.wav" | sed 's/rms=\([^ ]*\) peak=[^ ]* freq=\(.*\)/\1 \2/')
"$python" -c "import sys; r,f=map(float,sys.argv[1:]); sys.exit(0 if r > 0.01 and abs(f-920) <= 8 else 1)" "$rms" "$freq" ||
  fail "expected the 920 Hz tone of 旧歌, heard rms $rms at $freq Hz ($work/song.wav)"
ok "a double click played 旧歌 from its file: $freq Hz heard, lyric line '$line'"
"$MULAN_ROOT/scripts/screenshot" "$MULAN_BUILD/own-music.png"
stop

# --site: a native mulan-site with the demo catalogue on 127.0.0.2; its songs, none of the folder's.
catalogue=$("$MULAN_ROOT/scripts/demo-catalogue")
log="$work/site.log"
MULAN_SITE_PORT=19180 MULAN_SEARCH_PORT=19181 MULAN_MEDIA_PORT=19182 \
  mulan_site_start "$catalogue" "$log" --bind 127.0.0.2
site=${MULAN_ENV_PIDS[-1]}
start --site 127.0.0.2:19180
eventually 300 logged '^19181 GET /so.asp?key=u 200' || fail "the start-up search did not reach 127.0.0.2:19181"
eventually 100 sh -c '[ "$(found_text)" = 20 ]' 2>/dev/null || [ "$(found_text)" = 20 ] ||
  fail "--site 127.0.0.2:19180: the playlist was not filled with the server's 20: $(probe_out panels "$title" | tr '\n' '|')"
ok "--site 127.0.0.2:19180 lists that server's songs"
stop
kill "$site" 2>/dev/null || true
site=

# A stored site where nothing answers: a balloon says so, and the player runs on.
key='HKCU\Software\Mulan Player'
wine reg add "$key" /v SiteHost /t REG_SZ /d 127.0.0.2:19280 /f >/dev/null
wine reg add "$key" /v SearchHost /t REG_SZ /d 127.0.0.2:19281 /f >/dev/null
wine reg add "$key" /v MediaHost /t REG_SZ /d 127.0.0.2:19282 /f >/dev/null
wine reg add "$key" /v MusicSource /t REG_SZ /d site /f >/dev/null
start
eventually 300 balloon '没有应答' || fail "no balloon for a stored site that does not answer"
wine "$probe" ping "$title" >/dev/null 2>&1 || fail "the player stopped answering"
ok "a stored site that does not answer is said by balloon; the player runs on"
stop

# A library with no songs says where the player looked, once, and how to add a folder.
mkdir -p "$work/空的"
start --library "$(winepath -w "$work/空的" 2>/dev/null)"
eventually 300 balloon '没有找到音乐' || fail "no balloon for a library without songs"
probe_out class tooltips_class32 | grep -q '空的' || fail "the balloon does not say where the player looked"
ok "a library without songs says so by balloon, with the folder it looked in"
stop

wine "$installed/uninstall.exe" /S || fail "the silent uninstall failed"
eventually 300 test ! -e "$installed/mulan.exe" || fail "the uninstaller left the player"
eventually 50 test ! -e "$index_dir/library.db" || fail "the uninstaller left the index: $(ls -A "$index_dir")"
find "$music" -type f | grep -v '/arrival-' | sort >"$work/music-after.txt"
cmp -s "$work/music-before.txt" "$work/music-after.txt" || fail "the uninstaller touched the music: $(diff "$work/music-before.txt" "$work/music-after.txt")"
[ -f "$music/arrival-One.mp3" ] || fail "the uninstaller removed a music file"
ok "uninstalling removed the index and not one music file"
echo "own music: all passed"
