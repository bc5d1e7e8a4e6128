#!/usr/bin/env bash
# The scrollbar under real mouse input: a host window with a vertical bar (18 x 300 at screen
# 100,100; Max 100, LargeChange 10, thumb 24 pixels, thumb top at 18 + 2.4 * Value) driven by
# xdotool. Runs with the Wine environment started (DISPLAY, WINEPREFIX) by scripts/test.
set -euo pipefail
: "${MULAN_ROOT:?}" "${MULAN_BUILD:?}" "${DISPLAY:?}"

host_exe=$MULAN_BUILD/mingw/tests/controls/scrollbar/scrollbar-host.exe
run_dir=$(mktemp -d /tmp/scrollbar-e2e.XXXXXX)
left=100 top=100
host_pid=

cleanup() {
  if [ -n "$host_pid" ] && kill -0 "$host_pid" 2>/dev/null; then kill "$host_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT

start_host() {  # start_host NAME: a fresh window per scenario; its log is $run_dir/NAME.log
  log=$run_dir/$1.log
  : >"$log"
  wine "$host_exe" "Z:${log//\//\\}" </dev/null >/dev/null 2>&1 &
  host_pid=$!
  local i
  for i in $(seq 1 100); do
    grep -q '^ready' "$log" && break
    sleep 0.1
  done
  grep -q "^ready" "$log" || fail "the host window did not start"
  sleep 0.5  # let the window reach the screen
}

stop_host() {
  xdotool mousemove $((left + 150)) $((top + 150)) click 3
  wait "$host_pid" || true
  host_pid=
}

at() {  # at X Y: the pointer to client coordinates of the host window; pauses so that moves
  # in a row are not merged into one by the window's queue
  xdotool mousemove $((left + $1)) $((top + $2)) sleep 0.15
}

values() {  # values EVENT: the values of the vertical bar's EVENT lines, space separated
  tr -d '\r' <"$log" | awk -v e="$1" '$1 == e { printf "%s ", $2 }' | sed 's/ $//'
}

source "$MULAN_ROOT/tests/e2e/lib/common.sh"

check_true() {  # check_true DESCRIPTION COMMAND...
  local what=$1; shift
  if "$@"; then ok "$what"; else echo "FAIL: $what"; failures=$((failures + 1)); fi
}

consecutive_from_one() { awk '{ for (i = 1; i <= NF; i++) if ($i != i) exit 1 }' <<<"$1"; }

# Press and hold on the bottom arrow: one step at the press, then repeats every ChangeFrequency
# after ChangeDelay while held; nothing after the release; a quick click is exactly one step.
start_host arrow-hold
at 9 290
xdotool mousedown 1
sleep 1.6
xdotool mouseup 1
held=$(values Change)
count=$(wc -w <<<"$held")
check_true "holding the arrow repeats (steps: $held)" test "$count" -ge 8
check_true "steps of one, in order" consecutive_from_one "$held"
sleep 0.6
check "no step after the release" "$(values Change)" "$held"
xdotool click 1
sleep 0.3
check "a click is one step" "$(values Change | wc -w)" "$((count + 1))"
stop_host

# Holding the top arrow at Value 0 changes nothing.
start_host arrow-limit
at 9 5
xdotool mousedown 1
sleep 1.0
xdotool mouseup 1
check "no step below Min" "$(values Change)" ""
stop_host

# Holding the button on the track pages toward the pointer, stops where the thumb reaches it
# (thumb 186..210 at 70 covers y = 200), and resumes when the pointer moves on (y = 250: 90).
start_host track-paging
at 9 200
xdotool mousedown 1
sleep 1.4
check "paging stops at the pointer" "$(values Change)" "10 20 30 40 50 60 70"
at 9 250
sleep 1.0
xdotool mouseup 1
check "paging resumes when the pointer moves on" "$(values Change)" "10 20 30 40 50 60 70 80 90"
stop_host

# Dragging the thumb (grabbed 12 pixels below its top) follows the pointer; 300 pixels sideways is
# beyond the drag limit and snaps it back to the value at the press; no Change for an unchanged value.
start_host drag-snap
at 9 30
xdotool mousedown 1
at 9 80
at 9 130
at 309 130
sleep 0.3
xdotool mouseup 1
sleep 0.3
check "drag scrolls, then snaps back beyond the limit" "$(values Scroll)" "21 42 0"
check "no Change when the drag ends where it began" "$(values Change)" ""
stop_host

# A drag in several moves raises Scroll on the way and Change once, at the release.
start_host drag-change
at 9 30
xdotool mousedown 1
for y in 50 70 90 110 130; do at 9 $y; done
sleep 0.3
check "no Change during the drag" "$(values Change)" ""
xdotool mouseup 1
sleep 0.3
check "Scroll on the way" "$(values Scroll)" "8 17 25 33 42"
check "Change once at the end" "$(values Change)" "42"
stop_host

# The host as it looks on screen, the pointer resting on the vertical bar's thumb.
start_host screenshot
at 9 30
sleep 0.3
at 9 31
sleep 0.2
shot=$MULAN_BUILD/scrollbar-e2e.png
"$MULAN_ROOT/scripts/screenshot" "$shot" >/dev/null 2>&1 && echo "screenshot of the host window: $shot"
stop_host

sheet=$MULAN_BUILD/mingw/tests/scrollbar-sheet.bmp
if [ -f "$sheet" ] && command -v convert >/dev/null; then
  convert "$sheet" "$MULAN_BUILD/scrollbar-sheet.png" && echo "state sheet: $MULAN_BUILD/scrollbar-sheet.png"
fi

rm -rf "$run_dir"
checks_passed scrollbar
echo "scrollbar: all checks passed"
