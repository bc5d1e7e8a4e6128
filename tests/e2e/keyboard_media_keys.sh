#!/usr/bin/env bash
# The player without the mouse, with real key events: in the playlist Down + Enter plays the second
# entry (its tone heard) and Delete removes the selected entry; with the main window hidden in the
# tray the media Next key starts the next song and Play/Pause pauses it (silence) and resumes it
# (its tone again), and a song paused and resumed three times still plays all its length before
# the next one starts. Runs with the Wine environment started (scripts/test).
set -euo pipefail
: "${MULAN_ROOT:?}" "${MULAN_BUILD:?}" "${MULAN_RUN_DIR:?}" "${DISPLAY:?}"
source "$MULAN_ROOT/scripts/lib/wine-env.sh"
source "$MULAN_ROOT/scripts/lib/site.sh"
work=$(mktemp -d "$MULAN_RUN_DIR/keys.XXXXXX")
probe="$MULAN_BUILD/mingw/tools/probe/mulan-probe.exe"
title='沐岚音乐播放器'
log="$work/requests.log"
source "$MULAN_ROOT/tests/e2e/lib/common.sh"
plays() { grep -c "GET /play/$1.htm 200" "$log" || true; }
visibility() { probe_out tree "$title" | head -1 | awk -F'\t' '{print $NF}'; }
is_hidden() { [ "$(visibility)" = hidden ]; }

start_player_and_site
eventually 300 wine "$probe" wait "$title" 1 || fail "no main window"
eventually 150 logged 'GET /so.asp?page=2&key=' || fail "no start-up search"
sleep 1

# One click on the first entry gives the playlist the focus; from here on only keys.
read -r left top _ _ < <(child_rect MulanQMListBox)
[ -n "${left:-}" ] || fail "no playlist window"
xdotool mousemove $((left + 60)) $((top + 10)) click 1
sleep 0.3
xdotool key Down Return
eventually 100 logged 'GET /play/1002.htm 200' || fail "Down + Enter did not play the second entry"
sleep 1
heard 1002 || fail "Down + Enter: 1002 not heard ($(cat "$work/heard.txt"))"
ok "Down + Enter played the second entry, 1002: $(cat "$work/heard.txt")"

# Delete removes the selected entry; the selection stays on its row, so Enter plays the one after.
xdotool key Delete Return
eventually 50 logged 'GET /play/1003.htm 200' || fail "Enter after Delete did not play the entry that moved up"
[ "$(plays 1002)" = 1 ] || fail "Enter after Delete played 1002 again: it was not removed"
ok "Delete removed 1002; Enter then played 1003 from the same row"

# Hidden in the tray (the close box), the media keys still reach the player.
read -r wleft wtop wwidth < <(probe_out tree "$title" | head -1 | awk -F'\t' '{split($(NF-1), r, ","); print r[1], r[2], r[3]}')
xdotool mousemove $((wleft + wwidth - 12)) $((wtop + 11)) click 1
eventually 50 is_hidden || fail "the close box did not hide the main window"
xdotool key XF86AudioNext
eventually 50 logged 'GET /play/1004.htm 200' || fail "the Next key did not start the next song while hidden"
# From here on one recording hears all of 1005, to measure how much of it was played; it starts
# (and is seen to run) before 1005 does.
parec -d "${MULAN_SINK:-mulan_null}.monitor" --file-format=wav --rate=44100 --channels=1 \
  --latency-msec=50 "$work/1005.wav" &
recorder=$!
MULAN_ENV_PIDS+=("$recorder")
recording() { [ "$(stat -c %s "$work/1005.wav" 2>/dev/null || echo 0)" -gt 8000 ]; }
eventually 50 recording || fail "the recording of 1005 did not start"
# A second press, sooner than 1003 or 1004 could end by themselves: only the key starts 1005.
xdotool key XF86AudioNext
eventually 50 logged 'GET /play/1005.htm 200' || fail "a second Next key did not start 1005"
# 1005 lasts seven seconds; its tone after the resume shows that the key started it. Two quick
# pauses first, then one long enough to hear the silence: three in all, each adding to the
# paused time that a position or an end taken from the clock would count as played.
sleep 0.6
presses=()
press_play() { xdotool key XF86AudioPlay; presses+=("$(date +%s.%N)"); }
for _ in 1 2; do
  press_play
  sleep 0.8
  press_play
  sleep 0.4
done
press_play
sleep 0.3
silent || fail "Play/Pause did not pause ($(cat "$work/heard.txt"))"
ok "the Next key in the tray started 1004, then 1005; Play/Pause paused it: $(cat "$work/heard.txt")"
press_play
sleep 0.3
heard 1005 || fail "Play/Pause did not resume 1005 ($(cat "$work/heard.txt"))"
ok "Play/Pause resumed 1005: $(cat "$work/heard.txt")"

# After three pauses 1005 still plays to its own end: all its seconds are heard, and list loop
# starts 1006 only once the part left at the last resume has played.
eventually 150 logged 'GET /play/1006.htm 200' || fail "1006 did not follow 1005"
next_at=$(date +%s.%N)
sleep 1.5
kill -TERM "$recorder"
wait "$recorder" || true
kill -0 "$app" 2>/dev/null || fail "mulan.exe ended while 1006 played ($(tail -c 300 "$work/wine.out"))"
python3 "$MULAN_ROOT/tests/e2e/tone_timeline.py" "$work/1005.wav" "1004=$(song 1004 frequency)" \
  "1005=$(song 1005 frequency)" "1006=$(song 1006 frequency)" >"$work/1005.timeline"
timeline=$(tr '\n' ' ' <"$work/1005.timeline")
python3 - "$work/1005.timeline" "$(song 1005 duration)" "${presses[-1]}" "$next_at" <<'PY' \
  || fail "1005 did not play to its end after the pauses (timeline: $timeline)"
import sys
stretches = [(mark, float(start), float(length)) for mark, start, length in map(str.split, open(sys.argv[1]))]
length, resumed, next_at = map(float, sys.argv[2:])
# The encoder's padding and the edges of the stretches make up to about a tenth of a second more
# than the song's length, a dropout of the sound server a few hundredths less; ending 0.5 s early
# is outside.
tolerance = 0.3
# The three pauses are the three longest silences inside 1005; the others are dropouts of the
# sound server (up to half a second on a busy machine), and the song goes on after them.
played = [(start, heard) for mark, start, heard in stretches if mark == "1005"]
gaps = [played[i + 1][0] - sum(played[i]) for i in range(len(played) - 1)]
pauses = sorted(sorted(range(len(gaps)), key=lambda i: gaps[i])[-3:])
bounds = zip([-1] + pauses, pauses + [len(played) - 1])
plays = [sum(heard for _, heard in played[a + 1:b + 1]) for a, b in bounds]
end = sum(played[-1]) if played else None
after = [start for mark, start, _ in stretches if mark == "1006"]
ok = True
def check(cond, what):
    global ok
    print(("ok   " if cond else "FAIL: ") + what)
    ok = ok and cond
check(len(plays) == 4 and min(gaps[i] for i in pauses) >= 0.5,
      "1005 heard in four plays: " + " + ".join(f"{p:.2f} s" for p in plays) + ", paused for "
      + ", ".join(f"{gaps[i]:.2f} s" for i in pauses))
check(abs(sum(plays) - length) <= tolerance, f"1005 heard for {sum(plays):.2f} s of its {length:.0f} s")
check(bool(after) and end is not None and after[0] >= end, "1006 heard after the last of 1005")
if len(plays) == 4:
    left = length - sum(plays[:3])
    check(next_at - resumed >= left - tolerance,
          f"1006 requested {next_at - resumed:.2f} s after the last resume, with {left:.2f} s of 1005 left")
sys.exit(0 if ok else 1)
PY
ok "1005 played to its end across three pauses, then 1006 started"
