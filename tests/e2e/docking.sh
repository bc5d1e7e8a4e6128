#!/usr/bin/env bash
# Magnetic docking under real mouse drags: docking-host opens a main-like window and a results-like
# window exactly below it, registered with the main window as its parent; xdotool drags them by
# their captions (and the results window by its border) through Wine's own move and size loop in
# the virtual desktop. Positions are read from the
# host's log, the work area included (the taskbar takes its share of the screen). Runs with the
# Wine environment started (DISPLAY, WINEPREFIX) by scripts/test.
set -euo pipefail
: "${MULAN_ROOT:?}" "${MULAN_BUILD:?}" "${DISPLAY:?}"

host_exe=$MULAN_BUILD/mingw/tests/window/docking-host.exe
run_dir=$(mktemp -d /tmp/docking-e2e.XXXXXX)
log=$run_dir/host.log
host_pid=

cleanup() {
  if [ -n "$host_pid" ] && kill -0 "$host_pid" 2>/dev/null; then kill "$host_pid" 2>/dev/null || true; fi
  rm -rf "$run_dir"
}
trap cleanup EXIT

source "$MULAN_ROOT/tests/e2e/lib/common.sh"

lines() { tr -d '\r' <"$log"; }
reports() { lines | grep -c '^report$' || true; }
rect() {  # rect NAME: "L T R B" of the last report
  lines | awk -v n="$1" '$1 == "rect" && $2 == n { r = $3 " " $4 " " $5 " " $6 } END { print r }'
}
glued() { lines | awk '$1 == "glued" { g = $2 } END { print g }'; }
field() { awk -v i="$2" '{ print $i }' <<<"$1"; }  # field "L T R B" INDEX
shifted() {  # shifted "L T R B" DX DY
  awk -v dx="$2" -v dy="$3" '{ print $1 + dx, $2 + dy, $3 + dx, $4 + dy }' <<<"$1"
}

wait_for_report() {  # wait_for_report COUNT: until more than COUNT reports are in the log
  local i
  for i in $(seq 1 50); do
    [ "$(reports)" -gt "$1" ] && return 0
    sleep 0.1
  done
  fail "the host did not report"
}

# drag NAME DX DY STEPS [GRAB_X GRAB_Y]: presses on NAME's caption (or at GRAB_X, GRAB_Y inside the
# window), moves the pointer by (DX, DY) in STEPS even
# steps and releases; returns when the host has reported the windows after the move. The moving
# lines of this drag are left in $run_dir/moves.
drag() {
  local r x y i before moved_before
  r=$(rect "$1")
  x=$(($(field "$r" 1) + ${5:-100})) y=$(($(field "$r" 2) + ${6:-10}))
  before=$(reports)
  moved_before=$(lines | wc -l)
  xdotool mousemove "$x" "$y" sleep 0.2 mousedown 1 sleep 0.2
  for i in $(seq 1 "$4"); do
    xdotool mousemove $((x + $2 * i / $4)) $((y + $3 * i / $4)) sleep 0.1
  done
  xdotool sleep 0.1 mouseup 1
  wait_for_report "$before"
  lines | tail -n +$((moved_before + 1)) | grep -E "^(moving|sizing) $1 " >"$run_dir/moves" || true
}

: >"$log"
wine "$host_exe" "Z:${log//\//\\}" </dev/null >/dev/null 2>&1 &
host_pid=$!
for i in $(seq 1 100); do
  grep -q '^ready' "$log" && break
  sleep 0.1
done
grep -q "^ready" "$log" || fail "the host did not start"
sleep 0.5

read -r wa_left wa_top wa_right wa_bottom < <(lines | awk '$1 == "workarea" { print $2, $3, $4, $5; exit }')
echo "work area: $wa_left $wa_top $wa_right $wa_bottom"
main0=$(rect main) results0=$(rect results)
check "the results window starts exactly below the main window" \
  "$(field "$results0" 2) $(field "$results0" 1)" "$(field "$main0" 4) $(field "$main0" 1)"
check "and is glued to it" "$(glued)" 1

# 1. The glued results window follows the main window, step by step, in the same move.
"$MULAN_ROOT/scripts/screenshot" "$MULAN_BUILD/docking-before.png"
drag main 100 40 10
"$MULAN_ROOT/scripts/screenshot" "$MULAN_BUILD/docking-after.png"
check "Wine's move loop sends WM_MOVING for a real drag" "$(wc -l <"$run_dir/moves")" 10
check "the main window went where the pointer took it" "$(rect main)" "$(shifted "$main0" 100 40)"
check "the results window came along" "$(rect results)" "$(shifted "$results0" 100 40)"
check "still glued" "$(glued)" 1
offsets=$(awk '{ print $13 - $8, $14 - $9 }' "$run_dir/moves" | sort -u)
check "at every step the results window kept its place under the main window" "$offsets" \
  "$(($(field "$results0" 1) - $(field "$main0" 1))) $(($(field "$results0" 2) - $(field "$main0" 2)))"
echo "screenshots of the glued move: $MULAN_BUILD/docking-before.png $MULAN_BUILD/docking-after.png"

# 2. Dragged away by itself the results window snaps to the main window's bottom while within
# SnapWidth, and comes free at 10 pixels.
main1=$(rect main) results1=$(rect results)
drag results 250 10 10
snapped=$(awk -v b="$(field "$main1" 4)" '$9 == b && $5 != b' "$run_dir/moves" | wc -l)
check "snapped to the main window's bottom on the way (steps: $snapped)" "$((snapped > 0))" 1
check "the results window ended 10 pixels below the main window" "$(rect results)" \
  "$(shifted "$results1" 250 10)"
check "the main window stayed" "$(rect main)" "$main1"
check "the results window has come free" "$(glued)" 0

# 3. Work area edges: a left edge dragged to 7 from the work area's ends on it; at 10 it stays.
main2=$(rect main)
drag main $((wa_left + 7 - $(field "$main2" 1))) 0 10
check "left edge 7 from the work area snaps to it" "$(rect main)" \
  "$(shifted "$main2" $((wa_left - $(field "$main2" 1))) 0)"
main3=$(rect main)
drag main 10 0 5
check "left edge 10 from the work area stays" "$(rect main)" "$(shifted "$main3" 10 0)"

# The bottom edge 7 above the work area's bottom snaps down to it.
results3=$(rect results)
drag results 0 $((wa_bottom - 7 - $(field "$results3" 4))) 3
check "bottom edge 7 above the work area's bottom snaps to it" "$(rect results)" \
  "$(shifted "$results3" 0 $((wa_bottom - $(field "$results3" 4))))"

# 4. To each other: the main window's right edge 4 pixels short of the results window's left edge
# snaps onto it, and the two are glued side by side after the move.
main4=$(rect main) results4=$(rect results)
width=$(($(field "$main4" 3) - $(field "$main4" 1)))
dx=$(($(field "$results4" 1) - 4 - width - $(field "$main4" 1)))
dy=$(($(field "$results4" 2) - 400 - $(field "$main4" 2)))
drag main "$dx" "$dy" 10
check "the main window's right edge snapped to the results window's left edge" "$(rect main)" \
  "$(shifted "$main4" $((dx + 4)) "$dy")"
check "glued side by side" "$(glued)" 1
main5=$(rect main) results5=$(rect results)
drag main -100 -60 5
check "and they move together" "$(rect main) | $(rect results)" \
  "$(shifted "$main5" -100 -60) | $(shifted "$results5" -100 -60)"

# 5. Sizing: the results window's right border dragged to 7 short of the work area's right edge
# snaps onto it; only that edge moves.
results6=$(rect results)
rwidth=$(($(field "$results6" 3) - $(field "$results6" 1)))
drag results $((wa_right - 7 - $(field "$results6" 3))) 0 4 $((rwidth - 2)) 50
check "Wine's sizing loop sends WM_SIZING" "$(grep -c '^sizing' "$run_dir/moves")" 4
check "the right edge snapped to the work area, the others stayed" "$(rect results)" \
  "$(field "$results6" 1) $(field "$results6" 2) $wa_right $(field "$results6" 4)"

xdotool mousemove "$(($(field "$(rect main)" 1) + 150))" "$(($(field "$(rect main)" 2) + 200))" click 3
wait "$host_pid" || true
host_pid=
checks_passed docking
echo "docking: all checks passed"
