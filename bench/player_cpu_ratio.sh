#!/usr/bin/env bash
# player_cpu_ratio.sh [ROUNDS]: what the whole mulan.exe costs to play an MP3, against the floor of
# a bare Media Foundation decode + waveOut loop on the same file (bare-play, built in bench/), under
# Wine with the headless environment, in one run:
#  1. ROUNDS (default 3) interleaved rounds of: mulan.exe started, idle with its playlist filled;
#     playing a 120-second 128 kbit/s MP3 after a real double click on its playlist entry, window
#     shown; the same hidden in the tray (its close box); then mulan.exe ended and bare-play playing
#     the same file. Each is measured over SPAN seconds (MULAN_BENCH_SPAN, default 20) of steady
#     playing: processor seconds per second of the program's own process, and of the window
#     system's servers (this run's wineserver and X server, which only that program uses then).
#     Prints each round, then the median ratios mulan/bare for the process alone and with the
#     servers, shown and hidden (goal <= 1.1), and the idle share (goal <= 0.005).
#  2. The messages mulan.exe's windows handle per second while playing, shown and hidden, by window
#     and message (message-count, built in bench/, hooks the window's thread); then, unhooked, the
#     requests that thread makes of wineserver per second, from a wineserver that traces them
#     (under Wine each message to a control subclassed with SetWindowSubclass asks the server for
#     a window property once or more: get_window_property).
# MULAN_BENCH_PARTS="cpu messages" (the default) chooses the parts. MULAN_BENCH_SOURCE=library plays
# the same file from the player's own library (--library on its folder, no server) instead of the site. mulan-site serves the song from
# a catalogue of its own; mulan.exe plays it from the media server, bare-play from the same file on
# disk (Wine's source reader does not open http addresses). Builds nothing: run scripts/build first
# (bare-play, message-count and message-hook.dll are in the mingw build's bench/). mulan.exe talks
# to mulan-site on the ports it was built with: the run takes a network of its own (unshare -n) so
# that another run on the machine cannot hold them.
set -euo pipefail
if [ -z "${MULAN_BENCH_NETNS:-}" ] && unshare -n true 2>/dev/null; then
  exec unshare -n env MULAN_BENCH_NETNS=1 bash -c 'ip link set lo up && exec bash "$0" "$@"' "$0" "$@"
fi
rounds=${1:-3}
span=${MULAN_BENCH_SPAN:-20}
parts=${MULAN_BENCH_PARTS:-cpu messages}
source_kind=${MULAN_BENCH_SOURCE:-site}
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/scripts/lib/wine-env.sh"
source "$here/scripts/lib/site.sh"
mulan_site_program || exit 1
bench_bin="$MULAN_BUILD/mingw/bench"
for program in "$bench_bin/bare-play.exe" "$bench_bin/message-count.exe" "$bench_bin/message-hook.dll"; do
  [ -f "$program" ] || { echo "$program is missing: run scripts/build mingw" >&2; exit 1; }
done
mulan_env_start "$(mktemp -d /tmp/mulan-cpu-ratio.XXXXXX)"
work=$MULAN_RUN_DIR
probe="$MULAN_BUILD/mingw/tools/probe/mulan-probe.exe"
title='沐岚音乐播放器'
log="$work/requests.log"
source "$MULAN_ROOT/tests/e2e/lib/common.sh"
echo "run folder: $work; mulan.exe: $(readlink -f "$MULAN_BUILD/mingw/src/app/mulan.exe")"

echo "== a catalogue of one 120-second 128 kbit/s MP3 with a lyric line every 4 seconds"
catalogue="$work/catalogue"
mkdir -p "$catalogue/audio"
song="$catalogue/audio/1001.mp3"
ffmpeg -loglevel error -y -f lavfi -i "sine=frequency=440:duration=120" \
  -f lavfi -i "anoisesrc=color=pink:amplitude=0.05:duration=120" \
  -filter_complex "[0:a][1:a]amix=inputs=2,aformat=channel_layouts=stereo" -ar 44100 -c:a libmp3lame -b:a 128k \
  -metadata title=Sunny慢歌 -metadata artist=陈默 "$song"
for second in $(seq 0 4 116); do
  printf '[%02d:%02d.00]第%d句歌词\n' $((second / 60)) $((second % 60)) $((second / 4 + 1))
done >"$catalogue/audio/1001.lrc"
cat >"$catalogue/catalogue.json" <<'JSON'
{"songs": [{"id": "1001", "title": "Sunny慢歌", "singer": "陈默", "file": "audio/1001.mp3", "lrc": "audio/1001.lrc"}]}
JSON
mulan_site_start "$catalogue" "$log"

hz=$(getconf CLK_TCK)
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }  # PID or PID/task/TID
now() { date +%s.%N; }
# This run's process of a program that other runs on the machine run too: the one on this prefix.
prefix_pid() {
  local pid
  for pid in $(pgrep "$1"); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && { echo "$pid"; return 0; }
  done
  return 1
}
xserver=$(pgrep -f "^Xvfb $DISPLAY " | head -1 || true)
wineserver=$(prefix_pid '^wineserver' || true)
pulse=$(pgrep -f "socket=$XDG_RUNTIME_DIR/pulse.sock" | head -1 || true)
[ -n "$xserver" ] && [ -n "$wineserver" ] && [ -n "$pulse" ] ||
  fail "servers not found: X=$xserver wineserver=$wineserver pulse=$pulse"
# Wine's desktop process (the tray's too) starts with the first window.
explorer_pid() { prefix_pid '^explorer.exe' || fail "no explorer.exe on $WINEPREFIX"; }

# Each thread of a process with its processor ticks so far: "TID:TICKS ...".
thread_ticks() {
  local task
  for task in /proc/"$1"/task/*; do echo "${task##*/}:$(ticks "$1/task/${task##*/}")"; done | tr '\n' ' '
}
# measure PID NAME: SPAN seconds of processor time of the program and of the servers, as one
# line of seconds per second: NAME program wineserver xserver explorer pulse. The program's busiest
# threads go to the error stream, in ticks over the span (the window thread is the lowest id).
measure() {
  local name=$2 explorer pids before after t0 t1 p threads
  explorer=$(explorer_pid) || exit 1
  pids="$1 $wineserver $xserver $explorer $pulse"
  before=$(for p in $pids; do ticks "$p"; done | tr '\n' ' ')
  threads=$(thread_ticks "$1")
  t0=$(now)
  sleep "$span"
  after=$(for p in $pids; do ticks "$p"; done | tr '\n' ' ')
  t1=$(now)
  python3 -c '
import sys
before = dict(t.split(":") for t in sys.argv[2].split())
after = dict(t.split(":") for t in sys.argv[3].split())
used = sorted(((int(a) - int(before.get(t, 0)), int(t)) for t, a in after.items()), reverse=True)
print(f"  {sys.argv[1]} threads (id:ticks):", " ".join(f"{t}:{n}" for n, t in used if n > 0), file=sys.stderr)
' "$name" "$threads" "$(thread_ticks "$1")"
  awk -v name="$name" -v b="$before" -v a="$after" -v hz="$hz" -v t0="$t0" -v t1="$t1" 'BEGIN {
    n = split(b, x, " "); split(a, y, " "); line = name
    for (i = 1; i <= n; i++) line = line sprintf(" %.4f", (y[i] - x[i]) / hz / (t1 - t0))
    print line }'
}

source_args=(--site "127.0.0.1:${MULAN_SITE_PORT:-18080}")
[ "$source_kind" = library ] && source_args=(--library "$(winepath -w "$catalogue/audio" 2>/dev/null)")
echo "source: ${source_args[*]}"
start_mulan() {
  wine "$MULAN_BUILD/mingw/src/app/mulan.exe" "${source_args[@]}" >"$work/mulan.out" 2>&1 &
  app=$!
  MULAN_ENV_PIDS+=($app)
  started_at=$(date +%s)
  eventually 600 wine "$probe" wait "$title" 1 || fail "no main window"
  [ "$(cat "/proc/$app/comm")" = mulan.exe ] || fail "process $app is $(cat "/proc/$app/comm"), not mulan.exe"
}
# The start-up search has filled the playlist; the start-up balloon is gone.
searched() { probe_out panels "$title" | grep -q '^共找到'; }
wait_idle() {
  if [ "$source_kind" = library ]; then
    eventually 300 searched || fail "no start-up search"
  else
    eventually 300 logged 'GET /so.asp?key=u 200' || fail "no start-up search"
  fi
  sleep 2
  local left=$((started_at + 15 - $(date +%s)))
  [ "$left" -le 0 ] || sleep "$left"
}
# The song's starts: its audio asked of the site; from the own library, which no request log shows,
# whether panel 1 names a song (each round starts a new player).
song_fetches() {
  if [ "$source_kind" = library ]; then
    probe_out panels "$title" | grep -c '^正在播放：' || true
    return
  fi
  grep -c 'GET /music/1001/' "$log" || true
}
fetched_since() { [ "$(song_fetches)" -gt "$1" ]; }
# A real double click on the playlist's first entry; the song's audio is asked for.
play_by_double_click() {
  local plays left top
  plays=$(song_fetches)
  read -r left top _ _ < <(child_rect MulanQMListBox)
  [ -n "${left:-}" ] || fail "no playlist window"
  xdotool mousemove $((left + 60)) $((top + 1 + 9)) click --repeat 2 --delay 80 1
  # The pointer leaves the window's controls, as a listener's would.
  xdotool mousemove 1000 740
  eventually 150 fetched_since "$plays" ||
    fail "the double click did not fetch the song"
  sleep 5
}
visibility() { probe_out tree "$title" | head -1 | awk -F'\t' '{print $NF}'; }
is_hidden() { [ "$(visibility)" = hidden ]; }
# The close box hides the window in the tray; the balloon it raises (Wine shows it ten seconds at
# least) is gone before the measuring starts.
hide_in_tray() {
  local wleft wtop wwidth
  read -r wleft wtop wwidth < <(probe_out tree "$title" | head -1 | awk -F'\t' '{split($(NF-1), r, ","); print r[1], r[2], r[3]}')
  xdotool mousemove $((wleft + wwidth - 12)) $((wtop + 11)) click 1
  xdotool mousemove 1000 740
  eventually 50 is_hidden || fail "the close box did not hide the main window"
  sleep 12
}
still_playing() {
  local panels
  panels=$(probe_out panels "$title" | tr '\n' ' ')
  kill -0 "$app" 2>/dev/null || fail "mulan.exe ended while playing"
  echo "  mulan.exe status bar: $panels; lyric: $(label)"
}
end_mulan() {
  kill "$app" 2>/dev/null || true
  wait "$app" 2>/dev/null || true
  sleep 1
}

if [[ " $parts " == *" cpu "* ]]; then
  echo "== $rounds rounds of $span s each: CPU s/s of the program, wineserver, X server (explorer, pulseaudio)"
  echo "load before: $(uptime)"
  : >"$work/rounds.txt"
  for round in $(seq "$rounds"); do
    start_mulan
    wait_idle
    echo "$round $(measure "$app" idle)" | tee -a "$work/rounds.txt"
    play_by_double_click
    echo "$round $(measure "$app" shown)" | tee -a "$work/rounds.txt"
    still_playing
    hide_in_tray
    echo "$round $(measure "$app" hidden)" | tee -a "$work/rounds.txt"
    still_playing
    end_mulan
    wine "$bench_bin/bare-play.exe" "$(winepath -w "$song")" >"$work/bare.out" 2>&1 &
    bare=$!
    MULAN_ENV_PIDS+=($bare)
    sleep 6
    [ "$(cat "/proc/$bare/comm")" = bare-play.exe ] || fail "bare-play is not playing: $(cat "$work/bare.out")"
    echo "$round $(measure "$bare" bare)" | tee -a "$work/rounds.txt"
    kill "$bare" 2>/dev/null || true
    wait "$bare" 2>/dev/null || true
    echo "  load: $(uptime)"
  done
  python3 - "$work/rounds.txt" <<'PY'
import statistics, sys
rows = {}
for line in open(sys.argv[1]):
    r, name, *v = line.split()
    rows.setdefault(int(r), {})[name] = [float(x) for x in v]
def med(xs):
    return statistics.median(xs) if xs else float("nan")
print("round  what    program  wineserver  Xvfb     +servers | explorer  pulseaudio")
for r in sorted(rows):
    for name in ("idle", "shown", "hidden", "bare"):
        p, w, x, e, a = rows[r][name]
        print(f"{r:5}  {name:6}  {p:.4f}   {w:.4f}      {x:.4f}   {p + w + x:.4f}   | {e:.4f}    {a:.4f}")
for name in ("shown", "hidden"):
    alone = [rows[r][name][0] / rows[r]["bare"][0] for r in rows]
    whole = [sum(rows[r][name][:3]) / sum(rows[r]["bare"][:3]) for r in rows]
    print(f"{name}: ratio mulan/bare per round, process alone: {' '.join(f'{x:.2f}' for x in alone)}; "
          f"with servers: {' '.join(f'{x:.2f}' for x in whole)}")
    m1, m2 = med(alone), med(whole)
    print(f"{name}: MEDIAN ratio process alone {m1:.2f} ({'met' if m1 <= 1.1 else 'NOT met'}), "
          f"with wineserver + X server {m2:.2f} ({'met' if m2 <= 1.1 else 'NOT met'}) (goal <= 1.1)")
for name in ("idle", "shown", "hidden", "bare"):
    p = med([rows[r][name][0] for r in rows])
    s = med([sum(rows[r][name][:3]) for r in rows])
    print(f"median {name}: process {p:.4f} s/s, with servers {s:.4f} s/s")
idle = med([rows[r]["idle"][0] for r in rows])
print(f"idle: mulan.exe {idle * 100:.2f} % of a core ({'met' if idle <= 0.005 else 'NOT met'}, goal <= 0.5 %)")
PY
fi

if [[ " $parts " == *" messages "* ]]; then
  echo "== messages mulan.exe's windows handle per second while playing (message-count, ${span} s each),"
  echo "   then the requests its window thread makes of wineserver per second (${span} s each, unhooked)"
  # A wineserver that traces every request (wineserver -d1) from here on: the same program, slower.
  wineserver -k
  wineserver -f -d1 -p >"$work/server.log" 2>&1 &
  MULAN_ENV_PIDS+=($!)
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
  start_mulan
  wait_idle
  play_by_double_click
  for phase in shown hidden; do
    [ "$phase" = shown ] || hide_in_tray
    wine "$bench_bin/message-count.exe" "$title" "$span" >"$work/messages-$phase.txt" 2>&1 ||
      fail "message-count failed: $(cat "$work/messages-$phase.txt")"
    from=$(wc -l <"$work/server.log")
    sleep "$span"
    sed -n "$from,$(wc -l <"$work/server.log")p" "$work/server.log" >"$work/server-$phase.txt"
    still_playing
  done
  end_mulan
  rm -f "$work/server.log"
  python3 - "$span" "$work/messages-shown.txt" "$work/messages-hidden.txt" "$work/server-shown.txt" \
    "$work/server-hidden.txt" <<'PY'
import collections, re, sys
# The main window's controls by id, as the player numbers them.
names = {100: "player", 101: "ProgressBar1", 102: "Slider1", 103: "Slider2", 104: "Command2", 105: "Text1",
         106: "Frame1", 107: "Label1", 109: "StatusBar1"}
span = float(sys.argv[1])
for path, trace, phase in zip(sys.argv[2:4], sys.argv[4:6], ("shown", "hidden")):
    rows = [l.rstrip("\r\n").split("\t") for l in open(path, encoding="utf-8", errors="replace")]
    header = next((r[0] for r in rows if r[0].startswith("#")), "")
    thread = re.search(r"thread=([0-9a-f]+)", header).group(1)
    rows = [r for r in rows if len(r) == 6 and not r[0].startswith("#")]
    by_window = collections.defaultdict(lambda: [0.0, 0.0, []])
    for window, ident, how, message, count, rate in rows:
        key = window if window == "main" or window.startswith("other:") or window == "thread" else \
            f"{window} ({names.get(int(ident), 'id ' + ident)})"
        entry = by_window[key]
        entry[0 if how == "sent" else 1] += float(rate)
        entry[2].append((float(rate), f"{message}/{how}"))
    total_controls = sum(s + t for k, (s, t, _) in by_window.items() if k != "main" and not k.startswith(("other:", "thread")))
    print(f"-- {phase} ({header.lstrip('# ')}): {total_controls:.1f} messages/s to the main window's controls")
    print(f"   {'window':40} {'sent/s':>8} {'taken/s':>8}  messages/s")
    for key, (s, t, detail) in sorted(by_window.items(), key=lambda kv: -(kv[1][0] + kv[1][1])):
        top = ", ".join(f"{name} {rate:.1f}" for rate, name in sorted(detail, reverse=True)[:8])
        print(f"   {key:40} {s:8.1f} {t:8.1f}  {top}")
    # Requests of the window thread in the trace: "THREAD: name( ... )" (their replies end in ") = ...").
    call = re.compile(r"^" + thread + r": ([a-z_]+)\( ")
    requests = collections.Counter(m.group(1) for line in open(trace, errors="replace") if (m := call.match(line)))
    top = ", ".join(f"{name} {count / span:.1f}" for name, count in requests.most_common(8))
    print(f"   wineserver requests of the window thread: {sum(requests.values()) / span:.1f}/s: {top}")
PY
fi
