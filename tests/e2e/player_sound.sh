#!/usr/bin/env bash
# The player back-end under Wine, heard through the null sink: a demo song plays with its own tone,
# pause silences it, play brings it back, volume 0 silences it, a seek moves it towards the end, and
# the end raises PlayStateChange 8. Also a WAV song, and addresses that cannot be played.
# Runs with the Wine environment started (scripts/test); starts mulan-site on free ports.
set -euo pipefail
: "${MULAN_ROOT:?}" "${MULAN_BUILD:?}" "${MULAN_RUN_DIR:?}"
work=$(mktemp -d "$MULAN_RUN_DIR/player-sound.XXXXXX")
catalogue="$MULAN_BUILD/demo-catalogue"
source "$MULAN_ROOT/scripts/lib/site.sh"
source "$MULAN_ROOT/tests/e2e/lib/common.sh"
mulan_site_program || exit 1
python3 "$MULAN_ROOT/tools/site/make_demo_catalogue.py" "$catalogue" >/dev/null
"$MULAN_SITE_PROGRAM" --catalogue "$catalogue" --site-port 0 --search-port 0 \
  --media-port 0 --ready-file "$work/site.ready" >"$work/site.out" 2>&1 &
site=$!
trap 'kill $site 2>/dev/null || true; wait $site 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -s "$work/site.ready" ] && break; sleep 0.1; done
media=$(sed -n 's/.*media=\([^ ]*\).*/\1/p' "$work/site.ready")
site_host=$(sed -n 's/.*site=\([^ ]*\).*/\1/p' "$work/site.ready")
[ -n "$media" ] || fail "mulan-site did not start"
playcheck="$MULAN_BUILD/mingw/tools/playcheck/mulan-playcheck.exe"

frequency_of() {  # the demo song's tone
  python3 -c "import json,sys; print(next(s['frequency'] for s in json.load(open('$catalogue/catalogue.json'))['songs'] if s['id']==sys.argv[1]))" "$1"
}

# A run of the driver while the sink is recorded; the recording starts first and ends after it.
record_run() {  # NAME SECONDS STEPS...
  local name=$1 secs=$2; shift 2
  "$MULAN_ROOT/scripts/record-sound" "$secs" "$work/$name.wav" &
  local rec=$!
  # parec takes a moment to connect; the song's start must not be lost.
  sleep 1
  local rc=0
  timeout 60 wine "$playcheck" "$@" >"$work/$name.log" 2>&1 || rc=$?
  wait $rec
  [ $rc = 0 ] || { cat "$work/$name.log" >&2; fail "$name: driver exit status $rc"; }
  python3 "$MULAN_ROOT/tests/e2e/sound_segments.py" "$work/$name.wav" >"$work/$name.segments"
}

echo "== an 8 s MP3: play 2 s, pause 1.5 s, play 1.5 s, volume 0 for 1.5 s, volume 100 and seek to 6 s"
song=1006
tone=$(frequency_of $song)
record_run mp3 14 "url:http://$media/music/$song/$song.mp3" until:3:10 sleep:2000 pause sleep:1500 play \
  sleep:1500 volume:0 sleep:1500 volume:100 seek:6 until:8:6 sleep:500
cat "$work/mp3.segments"
python3 - "$work/mp3.segments" "$work/mp3.log" "$tone" <<'PY' || fail "mp3 run (log: $work/mp3.log)"
import sys
segments = [line.split() for line in open(sys.argv[1])]
on = [s for s in segments if s[0] == "on"]
tone = int(sys.argv[3])
ok = True
def check(cond, what):
    global ok
    print(("ok   " if cond else "FAIL ") + what)
    ok = ok and cond
check(len(on) == 3, f"three sounding stretches (play, after pause, after volume 0): {len(on)}")
if len(on) == 3:
    lengths = [float(s[2]) for s in on]
    check(1.2 <= lengths[0] <= 2.5, f"first stretch about 2 s: {lengths[0]}")
    check(1.1 <= lengths[1] <= 1.9, f"second stretch about 1.5 s: {lengths[1]}")
    # From 6 s to the end of an 8 s song; without the seek 4.5 s would be left.
    check(1.5 <= lengths[2] <= 2.6, f"after the seek about 2 s to the end: {lengths[2]}")
    gaps = [float(s[2]) for s in segments[segments.index(on[0]) + 1:segments.index(on[2])] if s[0] == "off"]
    check(all(1.1 <= g <= 1.9 for g in gaps) and len(gaps) == 2, f"pause and volume 0 silent about 1.5 s: {gaps}")
    for s in on:
        freq = float(s[4].split("=")[1])
        check(abs(freq - tone) <= 3, f"the song's own tone {tone} Hz: {freq}")
    rms = [float(s[3].split("=")[1]) for s in on]
    check(rms[2] > 2 * rms[0], f"volume 100 louder than the start-up volume 50: {rms}")
log = open(sys.argv[2], encoding="utf-8").read().splitlines()
seek = next(l for l in log if " step seek:6 " in l)
check(float(seek.split("pos=")[1].split()[0]) >= 5.9, f"position after the seek: {seek}")
ended = [l for l in log if "event PlayStateChange 8" in l]
check(len(ended) == 1, "PlayStateChange 8 at the end")
if ended:
    delay = (int(ended[0].split()[0]) - int(seek.split()[0])) / 1000
    check(1.5 <= delay <= 3.0, f"the end reported after the 2 s left: {delay} s")
sys.exit(0 if ok else 1)
PY

echo "== the song plays on while the UI thread is held for 2 s"
record_run hold 8 "url:http://$media/music/$song/$song.mp3" until:3:10 sleep:500 hold:2000 sleep:1000 stop
cat "$work/hold.segments"
python3 - "$work/hold.segments" <<'PY' || fail "the output depends on the UI thread (log: $work/hold.log)"
import sys
on = [line.split() for line in open(sys.argv[1]) if line.startswith("on")]
lengths = [float(s[2]) for s in on]
ok = len(on) == 1 and lengths[0] >= 3.0
print(("ok   " if ok else "FAIL ") + f"one unbroken stretch of at least 3 s across the hold: {lengths}")
sys.exit(0 if ok else 1)
PY

echo "== a WAV song"
song=1004
tone=$(frequency_of $song)
record_run wav 5 "url:http://$media/music/$song/$song.wav" until:3:10 sleep:2000 stop
cat "$work/wav.segments"
heard_at() {  # NAME TONE: a sounding stretch of the run at the tone (measured to within a few hertz)
  awk -v tone="$2" '$1 == "on" { split($NF, f, "="); d = f[2] - tone; if (d < 0) d = -d; if (d <= 3) found = 1 }
    END { exit !found }' "$work/$1.segments"
}
heard_at wav "$tone" || fail "WAV song not heard at $tone Hz"

echo "== without Media Foundation (the fallback decoder): an MP3 and a WAV heard at their tones"
for fallback in 1006.mp3 1004.wav; do
  song=${fallback%.*}
  tone=$(frequency_of "$song")
  MULAN_PLAYER_DECODER=acm record_run "acm-$song" 5 "url:http://$media/music/$song/$fallback" until:3:10 \
    sleep:1500 stop
  heard_at "acm-$song" "$tone" || fail "fallback: $fallback not heard at $tone Hz"
  ok "fallback decoder: $fallback heard at $tone Hz"
done

echo "== addresses that cannot be played end stopped with a status, and the driver returns"
check_failure() {  # NAME URL EXPECTED-STATUS
  timeout 30 wine "$playcheck" "url:$2" until:1:15 >"$work/$1.log" 2>&1 || { cat "$work/$1.log" >&2; fail "$1: no stop"; }
  grep -q "event PlayStateChange 1 state=1 .*status=$3" "$work/$1.log" || { cat "$work/$1.log" >&2; fail "$1: status"; }
  ok "$1: $3"
}
check_failure missing "http://$media/music/99/none.mp3" "无法打开：服务器答复 404"
check_failure page "http://$site_host/play/1001.htm" "无法播放：不是音频数据"
check_failure bad-address "ftp://$media/x.mp3" "无法打开：地址无效"
check_failure closed-port "http://127.0.0.1:9/x.mp3" "无法打开：连接服务器失败"
ok "player sound: all passed"
