#!/usr/bin/env bash
# own_library.sh [SONGS]: mulan.exe reading a library of SONGS (default 20 000) songs itself, as a
# user's first start does: from a missing index to the end of the first scan (the tray balloon
# "曲库整理完成：共 N 首"), with mulan-probe pinging both windows every 10 ms all the while; the songs
# the start-up search found meanwhile (of its 20 at most); and the player's private (anonymous resident) memory at
# the end beside the same player over an empty folder.
#
# The library is made once by site_library.py's generator (build/bench-library-SONGS) and read once
# before the run, so that the scan measures the program and not the disk. The player's index is the
# prefix's own (%LOCALAPPDATA%\Mulan Player\library.db): it is deleted first, as a cache may be.
# MULAN_BUILD selects the build. Builds nothing: run scripts/build first. Uses the running headless
# environment if there is one.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/scripts/lib/wine-env.sh"
mulan_env_join own-library
probe="$MULAN_BUILD/mingw/tools/probe/mulan-probe.exe"
exe="$MULAN_BUILD/mingw/src/app/mulan.exe"
title='沐岚音乐播放器'
source "$MULAN_ROOT/tests/e2e/lib/common.sh"
songs=${1:-20000}

music=$(python3 -c "import sys; sys.path.insert(0, '$MULAN_ROOT/bench'); import site_library; print(site_library.ensure_library('$MULAN_BUILD/bench-library-$songs', $songs))" | tail -1)
[ -d "$music" ] || fail "no library made: $music"
cat "$music"/*/* >/dev/null
empty="$work/empty"
mkdir -p "$empty"

wine cmd /c echo "%LOCALAPPDATA%" >"$work/local.txt" 2>/dev/null
index_dir=$(winepath -u "$(tr -d '\r\n' <"$work/local.txt")" 2>/dev/null)/"Mulan Player"

app=
watcher=
stop() {
  kill $watcher $app 2>/dev/null || true
  mulan_env_leave
}
trap stop EXIT
now() { date +%s.%N; }
# Wine does not report another process's private bytes: the Linux side's anonymous memory says it.
private_kb() {
  local pid
  pid=$(pgrep -n -x mulan.exe || pgrep -n -f '[\\/]mulan\.exe' || true)
  [ -n "$pid" ] || fail "no mulan.exe process"
  awk '/^RssAnon/ {print $2}' "/proc/$pid/status"
}
startup_count() { probe_out panels "$title" | sed -n 's/^共找到\([0-9]*\)首音乐信息!$/\1/p' | grep .; }
ready() { probe_out class tooltips_class32 | grep -q '曲库整理完成'; }
start() {
  rm -rf "$index_dir"
  wine "$exe" --library "$(winepath -w "$1" 2>/dev/null)" >"$work/wine.out" 2>&1 &
  app=$!
  eventually 300 wine "$probe" wait "$title" 1 || fail "no main window"
}
finish() {
  kill "$app" 2>/dev/null || true
  wait "$app" 2>/dev/null || true
  app=
}

# The empty library: the player as it stands without songs, once its start-up search has ended.
start "$empty"
eventually 300 startup_count >/dev/null || fail "no start-up search over the empty folder"
sleep 3
empty_kb=$(private_kb)
finish

# The first scan of the whole library.
started=$(now)
start "$music"
shown=$(now)
wine "$probe" watch "$title" 1800 class:MulanFChild >"$work/watch.txt" 2>&1 &
watcher=$!
eventually 18000 ready || fail "no balloon for the end of the first scan"
scanned=$(now)
startup=$(startup_count || echo "?")
sleep 3
full_kb=$(private_kb)
balloon=$(probe_out class tooltips_class32 | awk -F'\t' '{print $3}' | head -1)
finish
wait "$watcher" || true
watcher=

echo "player: $(readlink -f "$exe")"
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) processors"
python3 - "$started" "$shown" "$scanned" "$songs" "$startup" "$empty_kb" "$full_kb" "$work/watch.txt" "$balloon" <<'PY'
import sys
started, shown, scanned = map(float, sys.argv[1:4])
songs, startup, empty_kb, full_kb, watch, balloon = sys.argv[4:10]
print(f"library of {songs} songs, no index: window shown {shown - started:.1f} s after start, "
      f"first scan ended (balloon '{balloon}') {scanned - started:.1f} s after start")
print(f"start-up search during the first scan: {startup} of its 20 songs")
for line in open(watch, encoding="utf-8", errors="replace"):
    line = line.strip()
    if "\t" in line:
        window, figures = line.split("\t", 1)
        name = "results window" if window.startswith("class:") else "main window"
        fields = dict(kv.split("=") for kv in figures.split())
        print(f"{name:>14}: longest wait {fields['longest']} ms during the scan (goal < 200), "
              f"{fields['pings']} pings, {fields['over200']} waits over 200 ms")
extra = (int(full_kb) - int(empty_kb)) / 1024
print(f"private memory: empty library {int(empty_kb) / 1024:.1f} MB, {songs} songs {int(full_kb) / 1024:.1f} MB: "
      f"+{extra:.1f} MB (goal <= +40 MB)")
PY
