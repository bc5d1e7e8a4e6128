#!/usr/bin/env bash
# The search results window under real mouse and keyboard input: results-window-host shows the
# window with five rows and logs what its commands ask of the playlist, site and player. xdotool
# double-clicks rows, clicks a check box, opens the pop-up menu with the right button and picks
# its entries with the keyboard, and clicks the column headers. Runs with the Wine environment
# started (DISPLAY, WINEPREFIX) by scripts/test.
set -euo pipefail
: "${MULAN_ROOT:?}" "${MULAN_BUILD:?}" "${DISPLAY:?}"

host_exe=$MULAN_BUILD/mingw/tests/app/results-window-host.exe
run_dir=$(mktemp -d /tmp/results-e2e.XXXXXX)
log=$run_dir/host.log
host_pid=

cleanup() {
  if [ -n "$host_pid" ] && kill -0 "$host_pid" 2>/dev/null; then kill "$host_pid" 2>/dev/null || true; fi
  rm -rf "$run_dir"
}
trap cleanup EXIT

source "$MULAN_ROOT/tests/e2e/lib/common.sh"

lines() { tr -d '\r' <"$log"; }
at() {  # at KIND INDEX: "X Y" of the last report of that kind
  lines | awk -v k="$1" -v i="$2" '$1 == k && $2 == i { p = $3 " " $4 } END { print p }'
}
adds_since() { lines | tail -n +$(($1 + 1)) | grep '^add ' | tr '\n' ';' || true; }
mark() { lines | wc -l; }
settle() { sleep 0.6; }

# menu_pick STEPS X Y: right click at X Y and pick the STEPS-th entry (separators are skipped).
menu_pick() {
  xdotool mousemove "$2" "$3" sleep 0.2 click 3 sleep 0.5
  for _ in $(seq 1 "$1"); do xdotool key Down sleep 0.1; done
  xdotool key Return
  settle
}

: >"$log"
wine "$host_exe" "Z:${log//\//\\}" </dev/null >/dev/null 2>&1 &
host_pid=$!
for _ in $(seq 1 100); do
  grep -q '^ready' "$log" && break
  sleep 0.1
done
grep -q "^ready" "$log" || fail "the host did not start"
sleep 0.5
"$MULAN_ROOT/scripts/screenshot" "$MULAN_BUILD/results-window.png"
echo "screenshot: $MULAN_BUILD/results-window.png"

# 1. A double click plays the row: appended, then address, player, lyrics.
m=$(mark)
read -r x y <<<"$(at row 1)"
xdotool mousemove "$x" "$y" sleep 0.2 click --repeat 2 --delay 80 1
settle
check "a double click adds the row it is on" "$(adds_since "$m")" "add 1002 稻香;"
# The steps of a start (address, player, lyrics, notices) are the playback controller's, tested
# natively; the window hands over the row, how it was started and its caption for the tray notice.
check "and plays it, with the window's caption for the tray notice" "$(lines | tail -n +$((m + 1)) | grep '^play ')" \
  "play double-click 1002 | 搜索完成：5 首"

# 2. A clicked check box, then "添加到列表" from the pop-up menu on the first row: the checked row,
# then the selected one because the last row is unchecked.
read -r x y <<<"$(at check 3)"
xdotool mousemove "$x" "$y" sleep 0.2 click 1
settle
m=$(mark)
read -r x y <<<"$(at row 0)"
menu_pick 2 "$x" "$y"
check "添加到列表: the checked row, then the selected row" "$(adds_since "$m")" "add 1004 夜曲;add 1001 晴天;"

# 3. "全选", then "添加到列表": every row once, in list order.
menu_pick 3 "$x" "$y"
m=$(mark)
menu_pick 2 "$x" "$y"
check "全选 then 添加到列表" "$(adds_since "$m")" \
  "add 1001 晴天;add 1002 稻香;add 1003 青花瓷;add 1004 夜曲;add 1005 七里香;"

# The pop-up menu as the user sees it, closed again with Escape: nothing is added.
m=$(mark)
xdotool mousemove "$x" "$y" sleep 0.2 click 3 sleep 0.5
"$MULAN_ROOT/scripts/screenshot" "$MULAN_BUILD/results-window-menu.png"
xdotool key Escape
settle
check "Escape closes the menu without a command" "$(adds_since "$m")" ""

# 4. "播放" from the menu plays the row under the pointer.
m=$(mark)
read -r x y <<<"$(at row 2)"
menu_pick 1 "$x" "$y"
check "播放 plays the row the menu was opened on" "$(adds_since "$m")" "add 1003 青花瓷;"
check "as the menu's start (lyrics before the player)" "$(lines | tail -n +$((m + 1)) | grep '^play ')" \
  "play menu 1003 | 搜索完成：5 首"

# 5. Header clicks: the first sorts descending, the next (another column) ascending.
read -r x y <<<"$(at header 0)"
xdotool mousemove "$x" "$y" sleep 0.2 click 1
settle
check "first header click sorts descending" "$(lines | grep '^sorted' | tail -1)" "sorted descending"
m=$(mark)
read -r x y <<<"$(at row 0)"
xdotool mousemove "$x" "$y" sleep 0.2 click --repeat 2 --delay 80 1
settle
check "the highest id is on top" "$(adds_since "$m")" "add 1005 七里香;"
read -r x y <<<"$(at header 1)"
xdotool mousemove "$x" "$y" sleep 0.2 click 1
settle
check "a click on the other header flips the order" "$(lines | grep '^sorted' | tail -1)" "sorted ascending"
"$MULAN_ROOT/scripts/screenshot" "$MULAN_BUILD/results-window-sorted.png"

checks_passed "results window"
