#!/usr/bin/env bash
# search_answer.sh: how long the player's windows go without answering during a search of 20 000 hits
# (1000 result pages) typed into the search box. mulan-site serves a catalogue whose songs all match
# the search word; from just before Enter until a few seconds after the search has ended, mulan-probe
# sends each of the main window and the results window a message every 10 ms and times the answer.
# Prints the search's duration and, per window, the longest wait, the number of pings and the waits
# over 200 ms (a window that goes 200 ms without answering feels stuck).
#
# MULAN_BUILD selects the build that runs (mingw/src/app/mulan.exe, mingw/tools/probe, native/...),
# so the same script measures another build. MULAN_SEARCH_HITS (default 20000, a multiple of 20) and
# MULAN_WATCH_SECONDS (default 600: the longest the windows are watched, from before Enter; the
# watch ends when the player is closed, 3 s after the search) are for trying the script out.
# Builds nothing: run scripts/build first. Uses the running headless environment if there is one.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/scripts/lib/wine-env.sh"
source "$here/scripts/lib/site.sh"
mulan_env_join search-answer
probe="$MULAN_BUILD/mingw/tools/probe/mulan-probe.exe"
title='沐岚音乐播放器'
results=class:MulanFChild
log="$work/requests.log"
source "$MULAN_ROOT/tests/e2e/lib/common.sh"
hits=${MULAN_SEARCH_HITS:-20000}
watch_seconds=${MULAN_WATCH_SECONDS:-600}
word=zz
pages=$((hits / 20))
[ $((pages * 20)) -eq "$hits" ] || fail "MULAN_SEARCH_HITS must be a multiple of 20"

# Every song matches the word and none the start-up search's "u", so that the start-up search ends
# at once. All songs share one of the demo's audio files, copied in: a catalogue's files lie inside
# its folder.
demo=$("$MULAN_ROOT/scripts/demo-catalogue")
catalogue="$work/catalogue"
mkdir -p "$catalogue/audio"
cp "$demo/audio/1001.mp3" "$catalogue/audio/"
python3 - "$catalogue/catalogue.json" "$hits" "$word" <<'PY'
import json, sys
path, hits, word = sys.argv[1], int(sys.argv[2]), sys.argv[3]
# No white space in a title: the player keeps a hit's name only up to it.
songs = [{"id": str(100001 + i), "title": "星光夜曲%s%05d" % (word, i), "singer": "林岚 Lan",
          "file": "audio/1001.mp3", "lrc": None} for i in range(hits)]
assert not any("u" in (s["title"] + s["singer"]).lower() for s in songs)
with open(path, "w", encoding="utf-8") as f:
    json.dump({"name": "search answer bench", "songs": songs}, f, ensure_ascii=False)
PY

site_pid=
app=
watcher=
stop() {
  kill $watcher $app $site_pid 2>/dev/null || true
  mulan_env_leave
}
trap stop EXIT
startup_ended() { probe_out panels "$title" | grep -q '^共找到'; }
# Under a loaded machine the start-up search can fail: the player is then started again.
for attempt in 1 2 3; do
  before=("${MULAN_ENV_PIDS[@]}")
  mulan_site_start "$catalogue" "$log"
  site_pid=${MULAN_ENV_PIDS[-1]}
  MULAN_ENV_PIDS=("${before[@]}")
  wine "$MULAN_BUILD/mingw/src/app/mulan.exe" --site "127.0.0.1:${MULAN_SITE_PORT:-18080}" >"$work/wine.out" 2>&1 &
  app=$!
  eventually 300 wine "$probe" wait "$title" 1 || fail "no main window"
  eventually 600 logged 'GET /so.asp?key=u 200' && eventually 100 startup_ended && break
  [ "$attempt" -lt 3 ] || fail "no start-up search"
  kill "$app" "$site_pid" 2>/dev/null || true
  wait "$app" "$site_pid" 2>/dev/null || true
  sleep 2
done

read -r left top _ height < <(rect_of "$title" Edit)
[ -n "${left:-}" ] || fail "no search box"
xdotool mousemove $((left + 20)) $((top + height / 2)) click 1
xdotool key BackSpace
xdotool type --delay 60 "$word"
box_holds_word() { [ "$(probe_out tree "$title" | awk -F'\t' '$2 == "Edit" {print $3; exit}')" = "$word" ]; }
eventually 30 box_holds_word || fail "the search box does not hold '$word'"

now() { date +%s.%N; }
# The probe goes through a file: a pipe could be held open by Wine's own processes.
wine "$probe" watch "$title" "$watch_seconds" "$results" >"$work/watch.txt" 2>&1 &
watcher=$!
# A started Wine program takes a moment before its first ping; the windows are idle meanwhile.
sleep 3
enter=$(now)
xdotool key Return
last_page="GET /so.asp?page=$pages&key=$word 200"
[ "$pages" -gt 1 ] || last_page="GET /so.asp?key=$word 200"
eventually $((watch_seconds * 10)) logged "$last_page" || fail "the search did not reach page $pages"
fetched=$(now)
count_shown() { probe_out panels "$title" | grep -qx "共找到${hits}首音乐信息!"; }
eventually 300 count_shown || fail "the status bar does not read 共找到${hits}首音乐信息! but: $(probe_out panels "$title" | tr '\n' '|')"
shown=$(now)
# Anything the end of the search still does (the column sizing) falls inside the watch, which ends
# with the player's windows.
sleep 3
kill -0 "$watcher" 2>/dev/null || fail "the search outlasted the watch: raise MULAN_WATCH_SECONDS"
kill "$app"
wait "$app" 2>/dev/null || true
app=
wait "$watcher" || fail "the watch did not find both windows: $(tr -d '\r' <"$work/watch.txt")"
watcher=
[ "$(grep -c "GET /so.asp?page=" "$log")" -ge $((pages - 1)) ] || fail "pages were skipped"

echo "player: $(readlink -f "$MULAN_BUILD/mingw/src/app/mulan.exe")"
# The figures are times: a busy machine lengthens them all.
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) processors"
python3 - "$enter" "$fetched" "$shown" "$hits" "$work/watch.txt" <<'PY'
import sys
enter, fetched, shown = map(float, sys.argv[1:4])
print(f"search of {sys.argv[4]} hits: last page requested {fetched - enter:.1f} s after Enter, "
      f"count read from the status bar {shown - enter:.1f} s after Enter")
for line in open(sys.argv[5], encoding="utf-8", errors="replace"):
    line = line.strip()
    if "\t" in line:
        window, figures = line.split("\t", 1)
        name = "results window" if window.startswith("class:") else "main window"
        fields = dict(kv.split("=") for kv in figures.split())
        print(f"{name:>14}: longest wait {fields['longest']} ms (from {float(fields['at']) - enter:.1f} s "
              f"after Enter), {fields['pings']} pings, {fields['over200']} waits over 200 ms")
PY
