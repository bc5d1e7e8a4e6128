#!/usr/bin/env bash
# soak.sh MINUTES: mulan.exe plays the demo catalogue in list loop (songs of 3 to 8 seconds, so a
# song change every few seconds) while its resources are sampled: private bytes, handle count and
# GDI/USER objects as Windows reports them through mulan-probe, its windows, and the Linux side of
# the Wine process (private anonymous and resident memory, open descriptors, threads), which is what
# remains countable under Wine. Prints one row a minute, then fails when a
# figure grows after the first two minutes by more than 5 % an hour, extrapolated.
#
# A figure's level in a stretch of time is its lowest sample there: a song's decoded samples or a
# download's thread come and go, a leak stays. The level in the first and in the second half of the
# time after the warm-up gives the growth. MULAN_SOAK_SAMPLE (seconds between samples, default 10)
# and MULAN_SOAK_WARMUP (minutes, default 2) are for trying the script out. Builds nothing: run
# scripts/build first. Uses the running headless environment if there is one.
set -euo pipefail
minutes=${1:?usage: soak.sh MINUTES}
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/scripts/lib/wine-env.sh"
source "$here/scripts/lib/site.sh"
mulan_env_join soak
probe="$MULAN_BUILD/mingw/tools/probe/mulan-probe.exe"
title='沐岚音乐播放器'
log="$work/requests.log"
source "$MULAN_ROOT/tests/e2e/lib/common.sh"
sample_every=${MULAN_SOAK_SAMPLE:-10}
warmup=${MULAN_SOAK_WARMUP:-2}

# Under a loaded machine the start-up search can fail (it is fetched once, and a failed fetch ends it
# empty): the player is then started again, a few times at most.
catalogue=$("$MULAN_ROOT/scripts/demo-catalogue")
site_pid=
app=
stop() {
  kill $app $site_pid 2>/dev/null || true
  mulan_env_leave
}
trap stop EXIT
for attempt in 1 2 3; do
  before=("${MULAN_ENV_PIDS[@]}")
  mulan_site_start "$catalogue" "$log"
  site_pid=${MULAN_ENV_PIDS[-1]}
  MULAN_ENV_PIDS=("${before[@]}")
  wine "$MULAN_BUILD/mingw/src/app/mulan.exe" --site "127.0.0.1:${MULAN_SITE_PORT:-18080}" >"$work/wine.out" 2>&1 &
  app=$!
  eventually 300 wine "$probe" wait "$title" 1 || fail "no main window"
  eventually 600 logged 'GET /so.asp?key=u 200' && break
  [ "$attempt" -lt 3 ] || fail "no start-up search"
  kill "$app" "$site_pid" 2>/dev/null || true
  wait "$app" "$site_pid" 2>/dev/null || true
  sleep 2
done
sleep 2
read -r left top _ < <(probe_out tree "$title" | awk -F'\t' '$2 == "MulanQMListBox" { split($4, r, ","); print r[1], r[2] }')
[ -n "${left:-}" ] || fail "no playlist window"
xdotool mousemove $((left + 60)) $((top + 10)) click --repeat 2 --delay 80 1
eventually 100 logged 'GET /play/' || fail "the first entry did not start"

# The Wine process of mulan.exe (the launcher may exec into it or start it as a child).
winpid=$(pgrep -n -x mulan.exe || pgrep -n -f '[\\/]mulan\.exe' || true)
[ -n "$winpid" ] || fail "no mulan.exe process"

samples="$work/samples.tsv"
start=$(date +%s)
end=$((start + minutes * 60))
printf 'minute\tsongs\tprivate_kb\thandles\tgdi\tuser\twindows\tanon_kb\trss_kb\tfds\tthreads\n'
next_row=60
while :; do
  now=$(date +%s)
  [ "$now" -le "$end" ] || break
  kill -0 "$app" 2>/dev/null || fail "mulan.exe ended during the soak"
  line=$(probe_out resources "$title") || fail "the window did not answer the probe"
  songs=$(grep -c 'GET /play/' "$log" || true)
  read -r anon rss threads < <(awk '/^RssAnon/ {a = $2} /^VmRSS/ {r = $2} /^Threads/ {t = $2}
    END {print a + 0, r + 0, t + 0}' "/proc/$winpid/status" 2>/dev/null || echo "-1 -1 -1")
  fds=$( (ls "/proc/$winpid/fd" 2>/dev/null || true) | wc -l)
  echo "$line" | awk -v t=$((now - start)) -v songs="$songs" -v anon="$anon" -v rss="$rss" -v fds="$fds" -v threads="$threads" '{
    for (i = 1; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] }
    # Wine reports neither private bytes nor handles of another process (0), nor GDI/USER counts (-1).
    private = v["private"] > 0 ? int(v["private"] / 1024) : -1
    handles = v["handles"] > 0 ? v["handles"] : -1
    printf "%d\t%d\t%d\t%d\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n", t, songs, private, handles, v["gdi"], v["user"], v["windows"], anon, rss, fds, threads
  }' >>"$samples"
  if [ $((now - start)) -ge "$next_row" ] || [ $((now + sample_every)) -gt "$end" ]; then
    tail -n 1 "$samples" | awk -F'\t' -v OFS='\t' '{ $1 = sprintf("%.1f", $1 / 60); print }'
    next_row=$((next_row + 60))
  fi
  sleep "$sample_every"
done

# Growth per hour of each figure's level (the median of each half of the samples after the warm-up),
# counted as growth only when the later half's median is above everything the earlier half saw.
python3 - "$samples" "$warmup" <<'PY'
import sys
rows = [list(map(float, l.split("\t"))) for l in open(sys.argv[1]) if l.strip()]
warm = float(sys.argv[2]) * 60
names = ["private_kb", "handles", "gdi", "user", "windows", "anon_kb", "rss_kb", "fds", "threads"]
after = [r for r in rows if r[0] >= warm]
if len(after) < 4:
    sys.exit("too few samples after the warm-up: run longer")
half = len(after) // 2
first, second = after[:half], after[half:]
hours = (sum(r[0] for r in second) / len(second) - sum(r[0] for r in first) / len(first)) / 3600
print(f"songs played: {int(rows[-1][1])} in {rows[-1][0] / 60:.1f} min")
failed = []
def median(values):
    values = sorted(values)
    return values[len(values) // 2]
for i, name in enumerate(names, start=2):
    early, late = [r[i] for r in first], [r[i] for r in second]
    a, b = median(early), median(late)
    if a < 0 or b < 0:
        print(f"{name:>11}: not counted by this system")
        continue
    rate = (b - a) / a / hours * 100 if a > 0 else 0.0
    # A leak lifts the later half's middle above everything the earlier half saw; a figure that
    # only wobbles between samples (a thread or a file that comes and goes with each song) does not.
    sustained = median(late) > max(early)
    grows = rate > 5 and sustained
    verdict = "FAIL" if grows else "ok"
    print(f"{name:>11}: level {a:.0f} -> {b:.0f}, {rate:+.2f} %/h extrapolated  {verdict}")
    if grows:
        failed.append(name)
sys.exit(f"grows more than 5 %/h: {', '.join(failed)}" if failed else 0)
PY
