#!/usr/bin/env bash
# first_sound.sh [ROUNDS]: how soon a double click is heard when the player reads its own library. The
# demo music (tagged files with lyrics, make_demo_music.py) is given with --library; once the start-up
# search has filled the playlist, a real double click on its first entry (the first song after
# start-up), then, with that song paused by the play/pause media key, on its third entry (a later
# song). Each is timed from the second click to the first loud sample of the recorded output, on the
# machine's one clock. Beside it the floor: bare-play (a bare Media Foundation decode + waveOut loop,
# built in bench/), started beforehand and told to play the same file by a line on its input, timed
# from that line to its first sound likewise, first and again (the second, its decoder loaded, is the
# floor both of the player's starts are held to). ROUNDS (default 3) runs of each;
# medians printed, with the goal (within 50 ms of the floor).
# MULAN_BUILD selects the build. Builds nothing: run scripts/build first. Uses the running headless
# environment if there is one.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/scripts/lib/wine-env.sh"
mulan_env_join first-sound
probe="$MULAN_BUILD/mingw/tools/probe/mulan-probe.exe"
bare="$MULAN_BUILD/mingw/bench/bare-play.exe"
title='沐岚音乐播放器'
source "$MULAN_ROOT/tests/e2e/lib/common.sh"
rounds=${1:-3}
[ -f "$bare" ] || fail "bare-play is not built: $bare"

catalogue=$("$MULAN_ROOT/scripts/demo-catalogue")
music="$MULAN_BUILD/demo-music"
/usr/bin/python3 "$MULAN_ROOT/tools/site/make_demo_music.py" "$catalogue" "$music"
library=$(winepath -w "$music" 2>/dev/null)

app= rec= floor=
stop() {
  kill $app $rec $floor 2>/dev/null || true
  mulan_env_leave
}
trap stop EXIT
now() { date +%s.%N; }
# A short latency: what the recorder holds when it is stopped is lost, and a long one would move
# every sample it kept later by as much.
record() { parec --latency-msec=20 -d "$(pactl get-default-sink).monitor" --format=s16le --rate=44100 --channels=1 "$1" & rec=$!; sleep 1; }
# first_loud RAW SINCE STOPPED: seconds from SINCE to the recording's first loud sample after it,
# counted back from when the recording was stopped.
first_loud() {
  python3 - "$@" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
samples = struct.unpack("<%dh" % (len(data) // 2), data)
since, stopped = float(sys.argv[2]), float(sys.argv[3])
began = stopped - len(samples) / 44100
start = max(0, int((since - began) * 44100))
first = next((i for i in range(start, len(samples)) if abs(samples[i]) > 300), None)
print("none" if first is None else "%.3f" % (began + first / 44100 - since))
PY
}
finish_recording() { kill "$rec"; wait "$rec" 2>/dev/null || true; rec=; }
# The file of the song panel 1 names ("正在播放：TITLE"), from the demo's own table.
file_of_playing() {
  local name
  name=$(probe_out panels "$title" | sed -n 's/^正在播放：//p' | head -1)
  python3 - "$catalogue/catalogue.json" "$name" <<'PY'
import json, os, sys
songs = json.load(open(sys.argv[1], encoding="utf-8"))["songs"]
print(next(os.path.basename(s["file"]) for s in songs if s["title"] == sys.argv[2]))
PY
}
double_click_row() {  # ROW: a real double click on the playlist's row; prints when its second click went
  local left top
  read -r left top _ < <(rect_of "$title" MulanQMListBox)
  xdotool mousemove $((left + 60)) $((top + 1 + ($1 - 1) * 18 + 9)) click 1 sleep 0.08
  now
  xdotool click 1
}

# player_play ROW RAW: a double click on the playlist's row while recording; prints the seconds from
# its second click to the first sound.
player_play() {
  local clicked stopped
  record "$2"
  clicked=$(double_click_row "$1")
  sleep 2.5
  stopped=$(now); finish_recording
  first_loud "$2" "$clicked" "$stopped"
}
: >"$work/player.txt"
for round in $(seq "$rounds"); do
  wine "$MULAN_BUILD/mingw/src/app/mulan.exe" --library "$library" >"$work/mulan.out" 2>&1 &
  app=$!
  eventually 300 wine "$probe" wait "$title" 1 || fail "no main window"
  eventually 300 sh -c "wine '$probe' panels '$title' 2>/dev/null | grep -q 共找到" || fail "no start-up search"
  sleep 2
  first=$(player_play 1 "$work/first.raw")
  first_file=$(file_of_playing)
  xdotool key XF86AudioPlay
  sleep 1
  later=$(player_play 3 "$work/later.raw")
  later_file=$(file_of_playing)
  echo "$first $first_file $later $later_file" >>"$work/player.txt"
  kill "$app"; wait "$app" 2>/dev/null || true; app=
  sleep 1
done

# floor_play RAW: asks the waiting bare-play (its input on descriptor 3) to play once, and prints the
# seconds from the asking to its first sound.
floor_play() {
  local asked stopped
  record "$1"
  asked=$(now); echo go >&3
  sleep 2.5
  stopped=$(now); finish_recording
  first_loud "$1" "$asked" "$stopped"
}
: >"$work/floor.txt"
while read -r _ first_file _ later_file; do
  fifo="$work/lines"
  rm -f "$fifo"; mkfifo "$fifo"
  wine "$bare" --on-lines "$(winepath -w "$music/$first_file" 2>/dev/null)" <"$fifo" >"$work/bare.out" 2>&1 &
  floor=$!
  exec 3>"$fifo"
  sleep 3
  cold=$(floor_play "$work/floor1.raw")
  # The first play ends with its song; the second asks again once all is quiet.
  sleep 8
  warm=$(floor_play "$work/floor2.raw")
  exec 3>&-
  kill "$floor" 2>/dev/null || true; wait "$floor" 2>/dev/null || true; floor=
  echo "$cold $warm" >>"$work/floor.txt"
done <"$work/player.txt"

echo "player: $(readlink -f "$MULAN_BUILD/mingw/src/app/mulan.exe")"
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) processors"
python3 - "$work/player.txt" "$work/floor.txt" <<'PY'
import statistics, sys
player = [line.split() for line in open(sys.argv[1])]
floor = [line.split() for line in open(sys.argv[2])]
def median(values):
    known = [float(v) for v in values if v != "none"]
    return statistics.median(known) * 1000 if known else float("nan")
first, later = median(p[0] for p in player), median(p[2] for p in player)
cold, warm = median(f[0] for f in floor), median(f[1] for f in floor)
print(f"double click to first sound, first song after start-up: {first:.0f} ms (runs: {' '.join(p[0] for p in player)})")
print(f"double click to first sound, a later song:              {later:.0f} ms (runs: {' '.join(p[2] for p in player)})")
print(f"floor (bare-play, line to first sound), first play: {cold:.0f} ms, again: {warm:.0f} ms")
# The floor is the bare loop once its decoder is loaded: the player loads its own in the background
# while its window shows, so the first song is held to the same floor as a later one.
for name, value, base in (("first song", first, warm), ("later song", later, warm)):
    verdict = "met" if value - base <= 50 else "NOT met"
    print(f"{name}: {value - base:+.0f} ms beside the floor (goal within 50 ms): {verdict}")
PY
