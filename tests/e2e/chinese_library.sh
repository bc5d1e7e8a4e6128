#!/usr/bin/env bash
# mulan.exe against mulan-site serving a Chinese library tagged by other people's tools (id3v2 with
# GBK bytes in Latin-1 frames and ID3v1, eyeD3 in traditional characters, ffmpeg and metaflac with
# GBK bytes in a Vorbis comment, ffmpeg with a full-width title, genuine Latin-1). With real keys in
# the search box: "qhc" finds 青花瓷 by its pinyin initials, "zjl" both songs of 周杰伦, the simplified
# name 刘若英 and title 后来 find the song tagged 劉若英 / 後來, and the start-up search for "u" finds the
# songs whose pinyin holds a u. A real double click on 青花瓷 plays its tone, and the lyric label shows
# each line of its GBK .lrc in the second the file gives once its offset is applied (timed against
# the recorded sound), the line with two time tags at both: never a header, never word timing. Then
# mulan-cli: pinyin, folding, recovered tags, genuine Latin-1, and lyrics one time tag a line,
# sorted, offset applied (GBK and UTF-16 .lrc files).
# Runs with the Wine environment started (scripts/test).
set -euo pipefail
: "${MULAN_ROOT:?}" "${MULAN_BUILD:?}" "${MULAN_RUN_DIR:?}" "${DISPLAY:?}"
source "$MULAN_ROOT/scripts/lib/wine-env.sh"
source "$MULAN_ROOT/scripts/lib/site.sh"
work=$(mktemp -d "$MULAN_RUN_DIR/chinese.XXXXXX")
probe="$MULAN_BUILD/mingw/tools/probe/mulan-probe.exe"
cli="$MULAN_BUILD/native/src/cli/mulan-cli"
title='沐岚音乐播放器'
log="$work/requests.log"
python=/usr/bin/python3
source "$MULAN_ROOT/tests/e2e/lib/common.sh"
found_text() { probe_out panels "$title" | sed -n 's/^共找到\([0-9]*\)首音乐信息!$/\1/p' | grep .; }
mulan_site_program || exit 1
[ -x "$cli" ] || fail "mulan-cli is not built: $cli"
for tool in id3v2 eyeD3 metaflac ffmpeg; do command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/setup)"; done

music="$work/music"
"$python" "$MULAN_ROOT/tools/site/make_chinese_library.py" "$music"

MULAN_ENV_PIDS=()
mulan_site_start "$music" "$log"
trap 'kill ${app:-} ${recording:-} 2>/dev/null || true; for p in "${MULAN_ENV_PIDS[@]}"; do kill "$p" 2>/dev/null || true; done' EXIT
id_of() {
  "$python" -c "import sqlite3,sys; print(sqlite3.connect(sys.argv[1]).execute('SELECT id FROM songs WHERE path = ?', (sys.argv[2],)).fetchone()[0])" \
    "$music/.mulan-site.db" "$1"
}
qhc_id=$(id_of mp3/track01.mp3)
houlai_id=$(id_of mp3/track02.mp3)
daoxiang_id=$(id_of flac/track03.flac)
love_id=$(id_of m4a/track04.m4a)
cafe_id=$(id_of mp3/track05.mp3)

wine "$MULAN_BUILD/mingw/src/app/mulan.exe" --site "127.0.0.1:${MULAN_SITE_PORT:-18080}" >"$work/wine.out" 2>&1 &
app=$!
eventually 300 wine "$probe" wait "$title" 1 || fail "no main window"
eventually 150 logged 'GET /so.asp?key=u 200' || fail "no start-up search"
eventually 50 found_text >/dev/null || fail "the start-up search did not finish: $(probe_out panels "$title")"
sleep 1
# The start-up search for one letter: every song but Café (Beyoncé) has a "u" in its pinyin.
check "the start-up search for u fills the playlist with the 4 songs whose pinyin holds a u" "$(found_text)" 4

read -r left top _ height < <(rect_of "$title" Edit)
[ -n "${left:-}" ] || fail "no search box"
results_done() { [ "$(probe_out tree class:MulanFChild | head -1 | awk -F'\t' '{print $3}')" = '音乐搜索信息!' ]; }
# The search key the box sends for TEXT: GBK, percent-encoded as the request log shows it.
gbk_key() {
  "$python" -c "import sys, urllib.parse; print(urllib.parse.quote(sys.argv[1].encode('gbk'), safe=''))" "$1"
}
# The hits of the search page the player was given for KEY (ID<TAB>NAME, by ID), read from the server.
page_hits() {
  "$python" - "${MULAN_SEARCH_PORT:-18081}" "$1" <<'PY'
import re, sys, urllib.request
port, key = sys.argv[1:3]
page = urllib.request.urlopen("http://127.0.0.1:%s/so.asp?key=%s" % (port, key), timeout=10).read().decode("utf-8")
hits = re.findall(r'/play/(\d+)\.htm">([^<]*)</a>', page)
print("\n".join("%s\t%s" % hit for hit in sorted(hits, key=lambda h: int(h[0]))))
PY
}
# search_box TEXT: types TEXT into the search box with real keys and Enter, and waits for the results.
search_box() {
  local key
  key=$(gbk_key "$1")
  xdotool mousemove $((left + 20)) $((top + height / 2)) click 1
  xdotool key BackSpace
  eventually 30 box_is "" || fail "Backspace did not empty the search box"
  type_into_box "$1"
  xdotool key Return
  eventually 100 logged "GET /so.asp?key=$key 200" || fail "Enter did not search for $1 (key=$key)"
  eventually 50 results_done || fail "the search for $1 did not finish"
  # The count is set as the results end; a moment for the window to take it.
  sleep 1
}
# search_shows TEXT COUNT HITS: the search box's search for TEXT ends with COUNT songs, and the
# page it was given lists HITS (ID<TAB>NAME lines joined by |).
search_shows() {
  search_box "$1"
  check "typing $1 into the search box finds $2 song(s)" "$(found_text)" "$2"
  check "the results page of $1 lists" "$(page_hits "$(gbk_key "$1")" | paste -sd '|')" "$3"
}
search_shows 青花瓷 1 "$qhc_id	青花瓷"
search_shows zjl 2 "$(printf '%s\t%s\n' "$daoxiang_id" 稻香 "$qhc_id" 青花瓷 | sort -n | paste -sd '|')"
search_shows 刘若英 1 "$houlai_id	後來"
search_shows 后来 1 "$houlai_id	後來"
search_shows qhc 1 "$qhc_id	青花瓷"

# The only result of qhc, by a real double click: while it plays (10 s), its tone is recorded and the
# lyric label read, each reading with the time it was taken.
read -r lleft ltop _ < <(rect_of class:MulanFChild SysListView32)
[ -n "${lleft:-}" ] || fail "no results list"
samples="$work/labels.txt"
: >"$samples"
"$MULAN_ROOT/scripts/record-sound" 13 "$work/song.wav" &
recording=$!
# The player sounds within a tenth of a second of the click: the recorder has to be taking sound
# (silence) before it, or the song's start is lost.
recording_begun() { [ "$(stat -c %s "$work/song.wav" 2>/dev/null || echo 0)" -gt 8000 ]; }
eventually 50 recording_begun || fail "the recorder did not start"
xdotool mousemove $((lleft + 60)) $((ltop + 30)) click --repeat 2 --delay 80 1
shot=
while kill -0 "$recording" 2>/dev/null; do
  # The time and the recording's size before each reading: they tie the recording to the clock.
  when=$(date +%s.%N)
  size=$(stat -c %s "$work/song.wav" 2>/dev/null || echo 0)
  reading=$(label || true)
  printf '%s\t%s\t%s\n' "$when" "$size" "$reading" >>"$samples"
  # The picture while the second line shows (it lasts two seconds, with or without word timing).
  if [ -z "$shot" ] && [[ $reading == *瓶身* ]]; then
    "$MULAN_ROOT/scripts/screenshot" "$MULAN_BUILD/chinese-library.png"
    shot=yes
  fi
done
wait "$recording" || true
recording=
[ -n "$shot" ] || "$MULAN_ROOT/scripts/screenshot" "$MULAN_BUILD/chinese-library.png"
logged "GET /play/$qhc_id.htm 200" || fail "double click on the result did not play song $qhc_id"
logged "GET /geci/$qhc_id.htm 200" || fail "no lyrics page of song $qhc_id"
logged "GET /music/$qhc_id/track01.mp3 20" || fail "the audio file of song $qhc_id was not fetched"
ok "double click on the result played song $qhc_id (/music/$qhc_id/track01.mp3)"

# The recording's first sound is second 0 of the song, and the label's readings are timed from it.
# The player shows a line from the start of the second its time tag names until the next line's: with
# the .lrc's offset applied each line here shows two seconds from 0, 2, 4, 6 and 8 s; with the offset
# ignored three seconds later. A line counts as in time when first read from two seconds before its
# time (the player's clock runs ahead of what is heard by the sound output's buffering, and the
# recording's start, taken from its size, can come late by another second on a busy machine) to a
# second and a half after it (a reading takes up to a second); an offset ignored still fails. The
# line at 0 s shows from the moment the lyrics arrive, before any sound.
"$python" - "$work/song.wav" "$samples" "$MULAN_ROOT" >"$work/timing.txt" <<'PY'
import math, sys
wav, samples, root = sys.argv[1], sys.argv[2], sys.argv[3]
sys.path.insert(0, root + "/scripts/lib")
from measure_sound import dominant_frequency

# Mono 16-bit at 44.1 kHz, as record-sound asks; read past the header's sizes, which a recorder
# stopped by a signal on a busy machine may leave at zero.
raw = open(wav, "rb").read()
data = raw.find(b"data")
rate = 44100
pcm = raw[data + 8:] if data >= 0 else b""
mono = [v / 32768.0 for v in memoryview(pcm[:len(pcm) // 2 * 2]).cast("h")]
window = rate // 100
onset = next((i for i in range(0, len(mono) - window, window)
              if math.sqrt(sum(x * x for x in mono[i:i + window]) / window) > 0.005), None)
if onset is None:
    print("tone\tnothing heard in %.1f s" % (len(mono) / rate))
    sys.exit(0)
if onset == 0:
    print("tone\tsound already playing when the recording began")
    sys.exit(0)
print("tone\t%.0f" % dominant_frequency(rate, mono[onset + rate // 2:onset + rate // 2 + 8192]))
rows = [row.rstrip("\n").split("\t", 2) for row in open(samples, encoding="utf-8")]
# The clock time of the recording's first sample: the recorder starts late on a busy machine, so it
# comes from the file's size against the clock; a size read late only makes that time later.
header = data + 8
recorded_from = min((float(when) - (int(size) - header) / 2 / rate for when, size, _ in rows
                     if int(size) - header > rate // 5 * 2), default=None)
if recorded_from is None:
    print("tone\tthe recording did not grow while the label was read")
    sys.exit(0)
song_start = recorded_from + onset / rate
readings = [(float(when) - song_start, text) for when, _, text in rows]
# The song lasts 10 s; list loop then moves on (the next song's lyrics come a second into it).
during = [(t, text) for t, text in readings if t < 9.5]
print("readings\t" + " ".join("%.1f:%s" % r for r in during))
for second, line in ((0, "素胚勾勒出青花笔锋浓转淡"), (2, "瓶身描绘的牡丹一如你初妆"), (4, "天青色等烟雨"),
                     (6, "而我在等你")):
    first = next((t for t, text in during if text == line), None)
    in_time = first is not None and (second == 0 or second - 2.0 <= first) and first < second + 1.5
    verdict = "from second %d" % second if in_time else "never" if first is None else "first at %.2f s" % first
    print("line\t%s\tfrom second %d\t%s" % (line, second, verdict))
shown = []
for _, text in during:
    # The player's own words while it fetches lyrics or has none (as the next song starts) are no lines.
    if text and text not in ("正在获取歌词。。。", "暂无歌词", "暂无歌词显示") and (not shown or shown[-1] != text):
        shown.append(text)
print("order\t" + "|".join(shown))
bad = sorted({text for _, text in readings
              if any(m in text for m in ("<", ">", "&lt;", "&gt;", "[", "ti:", "offset", "沐岚歌词组", "我很忙"))})
print("bad\t" + "|".join(bad))
PY
field() { awk -F'\t' -v k="$1" '$1 == k { sub(/^[^\t]*\t/, ""); print; exit }' "$work/timing.txt"; }
tone=$(field tone)
"$python" -c "import sys; sys.exit(0 if abs(float(sys.argv[1]) - 440) <= 8 else 1)" "$tone" 2>/dev/null ||
  fail "expected the 440 Hz tone of 青花瓷, heard: $tone ($work/song.wav)"
ok "the double-clicked song sounds: its 440 Hz tone heard"
echo "     the lyric label, seconds into the song: $(field readings | cut -c1-700)"
while IFS=$'\t' read -r _ line want verdict; do
  check "the lyric label shows '$line' when the .lrc with its offset says" "$verdict" "$want"
done < <(grep '^line' "$work/timing.txt")
check "the lyric label's lines in order (the line with two time tags shown at both)" "$(field order)" \
  "素胚勾勒出青花笔锋浓转淡|瓶身描绘的牡丹一如你初妆|天青色等烟雨|而我在等你|天青色等烟雨"
check "no header or word timing ever in the lyric label" "$(field bad)" ""
ok "screenshot while playing: $MULAN_BUILD/chinese-library.png"

# The same server through the native client.
cli_search() { "$cli" search "$@" 2>/dev/null | sort -n | paste -sd '|'; }
check "mulan-cli search qhc" "$(cli_search qhc)" "$qhc_id	青花瓷"
for word in qinghuaci qhci qinghu; do check "mulan-cli search $word" "$(cli_search "$word")" "$qhc_id	青花瓷"; done
check "mulan-cli search qhuc finds nothing (only the last character may give part of its syllable)" "$(cli_search qhuc)" ""
check "mulan-cli search 青花瓷 (ID3v2 Latin-1 frames holding GBK)" "$(cli_search 青花瓷)" "$qhc_id	青花瓷"
check "mulan-cli search 刘若英 (tagged 劉若英)" "$(cli_search 刘若英)" "$houlai_id	後來"
check "mulan-cli search 后来 (tagged 後來)" "$(cli_search 后来)" "$houlai_id	後來"
check "mulan-cli search 稻香 (GBK bytes in a Vorbis comment)" "$(cli_search 稻香)" "$daoxiang_id	稻香"
check "mulan-cli search LOVE (tagged full-width Ｌｏｖｅ)" "$(cli_search LOVE)" "$love_id	Ｌｏｖｅ情歌"
check "mulan-cli search Beyoncé (genuine Latin-1 stays)" "$(cli_search Beyoncé)" "$cafe_id	Café"
check "mulan-cli lyrics $qhc_id (GBK .lrc: one time tag a line, sorted, offset applied)" \
  "$("$cli" lyrics "$qhc_id" | paste -sd '|')" \
  "[00:00.00]素胚勾勒出青花笔锋浓转淡|[00:02.50]瓶身描绘的牡丹一如你初妆|[00:04.00]天青色等烟雨|[00:06.00]而我在等你|[00:08.00]天青色等烟雨"
check "mulan-cli lyrics $houlai_id (UTF-16 LE .lrc, [mm:ss] and [mm:ss:xx] tags)" \
  "$("$cli" lyrics "$houlai_id" | paste -sd '|')" "[00:01.00]如何去愛|[00:03.50]後來我總算學會了"
checks_passed "Chinese library"
