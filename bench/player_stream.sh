#!/usr/bin/env bash
# player_stream.sh: the streaming player back-end under Wine, in one run:
#  1. resident memory of the player (mulan-playcheck) idle and while it plays a 60-minute 128 kbit/s
#     MP3 from loopback; goal: at most idle + the compressed size + 24 MB;
#  2. its processor time while playing, against a bare waveOut tone loop built here (4 buffers of
#     100 ms, refilled on the wave callback event); goal: at most 1.1 times that floor;
#  3. the time from a double click in mulan.exe's playlist to the first sound heard.
# Builds nothing of the project: run scripts/build first. Run inside `unshare -n` on a shared machine.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/scripts/lib/wine-env.sh"
source "$here/scripts/lib/site.sh"
mulan_env_start "$(mktemp -d /tmp/mulan-stream.XXXXXX)"
work=$MULAN_RUN_DIR
hz=$(getconf CLK_TCK)
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
rss_kb() { awk '/^VmRSS/ {print $2}' "/proc/$1/status"; }
span=${SPAN:-30}
pid_of() {  # the process whose command line matches, once it has started
  local pid=""
  for _ in $(seq 50); do
    pid=$(pgrep -f "$1" | head -1 || true)
    [ -n "$pid" ] && break
    sleep 0.1
  done
  echo "$pid"
}

echo "== making a 60-minute 128 kbit/s MP3"
mkdir -p "$work/media"
ffmpeg -loglevel error -y -f lavfi -i sine=frequency=440:duration=3600 -ac 2 -ar 44100 -c:a libmp3lame -b:a 128k \
  "$work/media/hour.mp3"
compressed_kb=$(($(stat -c %s "$work/media/hour.mp3") / 1024))
(cd "$work/media" && exec python3 -m http.server 0 --bind 127.0.0.1 >"$work/http.out" 2>&1) &
MULAN_ENV_PIDS+=($!)
_mulan_wait_for grep -q 'port' "$work/http.out"
port=$(sed -n 's/.*port \([0-9]*\).*/\1/p' "$work/http.out" | head -1)

# First a 6-second song, so that the platform's decoders are loaded when the idle size is taken
# again; then the hour.
ffmpeg -loglevel error -y -f lavfi -i sine=frequency=440:duration=6 -ac 2 -ar 44100 -c:a libmp3lame -b:a 128k \
  "$work/media/short.mp3"
wine "$MULAN_BUILD/mingw/tools/playcheck/mulan-playcheck.exe" sleep:4000 "url:http://127.0.0.1:$port/short.mp3" \
  until:8:30 stop sleep:4000 "url:http://127.0.0.1:$port/hour.mp3" until:3:60 sleep:$(((span + 20) * 1000)) stop \
  >"$work/play.out" 2>&1 &
starter=$!
MULAN_ENV_PIDS+=($starter)
player=$(pid_of 'mulan-playcheck.exe sleep:4000')
sleep 3
idle_kb=$(rss_kb "$player")
in_log() {  # FILE PATTERN: waits up to a minute for a line of a driver's log
  for _ in $(seq 600); do grep -q "$2" "$1" && return 0; sleep 0.1; done
  return 1
}
in_log "$work/play.out" 'step sleep:4000.*status=已停止'

sleep 2
warm_kb=$(rss_kb "$player")
in_log "$work/play.out" 'hour.mp3'
sleep 10
t0=$(ticks "$player")
sleep "$span"
t1=$(ticks "$player")
playing_kb=$(rss_kb "$player")
wait "$starter" || true
grep -q 'url:.*hour.mp3' "$work/play.out" && [ "$(grep -c 'event PlayStateChange 3' "$work/play.out")" -ge 2 ] ||
  { echo "the hour-long MP3 did not play" >&2; cat "$work/play.out" >&2; exit 1; }

echo "== the same pipeline on a WAV (nothing to decode): what the decoder's share is"
ffmpeg -loglevel error -y -f lavfi -i sine=frequency=440:duration=$((span + 20)) -ac 2 -ar 44100 "$work/media/plain.wav"
wine "$MULAN_BUILD/mingw/tools/playcheck/mulan-playcheck.exe" "url:http://127.0.0.1:$port/plain.wav" until:3:60 \
  sleep:$(((span + 15) * 1000)) stop >"$work/wav.out" 2>&1 &
MULAN_ENV_PIDS+=($!)
wav_player=$(pid_of 'mulan-playcheck.exe url:')
in_log "$work/wav.out" 'event PlayStateChange 3'
sleep 5
w0=$(ticks "$wav_player")
sleep "$span"
w1=$(ticks "$wav_player")

echo "== a bare waveOut tone loop as the floor"
cat >"$work/tone.c" <<'C'
#include <windows.h>
#include <math.h>
#include <mmsystem.h>
int main(int argc, char** argv) {
    const int seconds = argc > 1 ? atoi(argv[1]) : 30, rate = 44100, frames = rate / 10;
    WAVEFORMATEX f = {WAVE_FORMAT_PCM, 2, rate, rate * 4, 4, 16, 0};
    HANDLE done = CreateEventW(NULL, FALSE, FALSE, NULL);
    HWAVEOUT out;
    if (waveOutOpen(&out, WAVE_MAPPER, &f, (DWORD_PTR)done, 0, CALLBACK_EVENT)) return 1;
    static short buffers[4][44100 / 10 * 2];
    WAVEHDR headers[4] = {0};
    double phase = 0;
    DWORD end = GetTickCount() + seconds * 1000;
    for (int i = 0; i < 4; ++i) {
        headers[i].lpData = (LPSTR)buffers[i];
        headers[i].dwBufferLength = sizeof buffers[i];
        waveOutPrepareHeader(out, &headers[i], sizeof(WAVEHDR));
        headers[i].dwFlags |= WHDR_DONE;
    }
    while (GetTickCount() < end) {
        for (int i = 0; i < 4; ++i) {
            if (!(headers[i].dwFlags & WHDR_DONE)) continue;
            for (int k = 0; k < frames; ++k, phase += 2 * 3.14159265 * 440 / rate)
                buffers[i][2 * k] = buffers[i][2 * k + 1] = (short)(8000 * sin(phase));
            headers[i].dwFlags &= ~WHDR_DONE;
            waveOutWrite(out, &headers[i], sizeof(WAVEHDR));
        }
        WaitForSingleObject(done, INFINITE);
    }
    waveOutReset(out);
    return 0;
}
C
x86_64-w64-mingw32-gcc-posix -O2 -o "$work/tone.exe" "$work/tone.c" -lwinmm -lm
wine "$work/tone.exe" $((span + 10)) >/dev/null 2>&1 &
MULAN_ENV_PIDS+=($!)
tone=$(pid_of 'tone.exe')
sleep 5
f0=$(ticks "$tone")
sleep "$span"
f1=$(ticks "$tone")

echo "== double click to first sound in mulan.exe"
catalogue=$("$MULAN_ROOT/scripts/demo-catalogue")
mulan_site_start "$catalogue" "$work/requests.log"
wine "$MULAN_BUILD/mingw/src/app/mulan.exe" --site "127.0.0.1:${MULAN_SITE_PORT:-18080}" >"$work/mulan.out" 2>&1 &
MULAN_ENV_PIDS+=($!)
probe="$MULAN_BUILD/mingw/tools/probe/mulan-probe.exe"
wine "$probe" wait '沐岚音乐播放器' 30 >/dev/null
_mulan_wait_for grep -q 'GET /so.asp?key=u 200' "$work/requests.log"
sleep 2
read -r left top _ < <(wine "$probe" tree '沐岚音乐播放器' | tr -d '\r' |
  awk -F'\t' '$2 == "MulanQMListBox" { split($4, r, ","); print r[1], r[2] }')
# A short latency: what the recorder holds when it is stopped is lost, and the first sound is
# counted back from the recording's end.
parec --latency-msec=20 -d "$(pactl get-default-sink).monitor" --format=s16le --rate=44100 --channels=1 "$work/click.raw" &
rec=$!
sleep 1.5
start=$(date +%s%N)
xdotool mousemove $((left + 60)) $((top + 1 + 4 * 18 + 9)) click --repeat 2 --delay 80 1
sleep 4
kill $rec
# The recording's first loud sample, counted back from its end (it ends when it was stopped).
stop=$(date +%s%N)
first_sound=$(python3 - "$work/click.raw" "$start" "$stop" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
samples = struct.unpack("<%dh" % (len(data) // 2), data)
start, stop = int(sys.argv[2]), int(sys.argv[3])
first = next((i for i, s in enumerate(samples) if abs(s) > 300), None)
if first is None:
    print("none")
else:
    at = stop - (len(samples) - first) * 1e9 / 44100
    print("%.3f" % ((at - start) / 1e9))
PY
)

echo "raw: idle_kb=$idle_kb warm_kb=$warm_kb playing_kb=$playing_kb compressed_kb=$compressed_kb player_ticks=$((t1 - t0)) wav_ticks=$((w1 - w0)) floor_ticks=$((f1 - f0)) hz=$hz span=$span"
awk -v cold="$idle_kb" -v idle="$warm_kb" -v playing="$playing_kb" -v comp="$compressed_kb" -v p="$((t1 - t0))" -v w="$((w1 - w0))" -v f="$((f1 - f0))" \
  -v hz="$hz" -v span="$span" -v first="$first_sound" 'BEGIN {
  goal = idle + comp + 24 * 1024
  met = (playing <= goal) ? "met" : "NOT met"
  printf("memory: idle %.1f MB before any song, %.1f MB after one (decoders loaded); playing the hour %.1f MB, compressed %.1f MB\n",
    cold / 1024, idle / 1024, playing / 1024, comp / 1024)
  printf("memory: %.1f MB over idle (decoders loaded) + compressed (goal <= 24): %s; over the cold idle: %.1f MB\n",
    (playing - idle - comp) / 1024, met, (playing - cold - comp) / 1024)
  pc = p / hz / span
  fc = f / hz / span
  ratio = (fc > 0) ? pc / fc : 0
  met = (fc > 0 && ratio <= 1.1) ? "met" : "NOT met"
  printf("cpu: player %.4f s/s, waveOut floor %.4f s/s, ratio %.2f (goal <= 1.1): %s\n", pc, fc, ratio, met)
  wc = w / hz / span
  printf("cpu: the same player on a WAV %.4f s/s, ratio %.2f to the floor: the MP3 decoder costs %.4f s/s\n",
    wc, (fc > 0) ? wc / fc : 0, pc - wc)
  printf("double click to first sound: %s s\n", first)
}'
