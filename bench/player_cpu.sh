#!/usr/bin/env bash
# player_cpu.sh: processor time of mulan.exe while idle and of the player back-end (mulan-playcheck)
# while it plays a demo song over and over, each over 30 s, under Wine with the headless
# environment. Prints seconds of CPU per second of wall time. Builds nothing: run scripts/build first.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/scripts/lib/wine-env.sh"
source "$here/scripts/lib/site.sh"
mulan_site_program || exit 1
mulan_env_start "$(mktemp -d /tmp/mulan-cpu.XXXXXX)"
python3 "$MULAN_ROOT/tools/site/make_demo_catalogue.py" "$MULAN_BUILD/demo-catalogue" >/dev/null
MULAN_SITE_PORT=0 MULAN_SEARCH_PORT=0 MULAN_MEDIA_PORT=0 \
  mulan_site_start "$MULAN_BUILD/demo-catalogue" "$MULAN_RUN_DIR/site-requests.log"
media=$(sed -n 's/.*media=\([^ ]*\).*/\1/p' "$MULAN_RUN_DIR/site.ready")
hz=$(getconf CLK_TCK)
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
share() { awk -v t="$1" -v hz="$hz" -v s="$2" 'BEGIN {printf "%.4f", t / hz / s}'; }
span=30

wine "$MULAN_BUILD/mingw/src/app/mulan.exe" >"$MULAN_RUN_DIR/mulan.out" 2>&1 &
app=$!
MULAN_ENV_PIDS+=($app)
wine "$MULAN_BUILD/mingw/tools/probe/mulan-probe.exe" wait '沐岚音乐播放器' 30
sleep 3
t0=$(ticks $app); sleep $span; t1=$(ticks $app)
echo "mulan.exe idle: $(share $((t1 - t0)) $span) CPU s/s"

steps="url:http://$media/music/1006/1006.mp3"
for _ in 1 2 3 4 5; do steps="$steps until:8:12 play"; done
wine "$MULAN_BUILD/mingw/tools/playcheck/mulan-playcheck.exe" $steps until:8:12 >"$MULAN_RUN_DIR/play.out" 2>&1 &
player=$!
MULAN_ENV_PIDS+=($player)
sleep 2
t0=$(ticks $player); sleep $span; t1=$(ticks $player)
echo "player back-end playing: $(share $((t1 - t0)) $span) CPU s/s"
