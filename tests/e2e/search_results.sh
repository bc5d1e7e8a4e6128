#!/usr/bin/env bash
# A search from the search box with real keys: Enter fetches both pages of "u" into the results
# window (page 2 with the box's text), the window ends with its caption; a real double click on a
# result appends it to the playlist and plays it; Backspace empties the box.
# Runs with the Wine environment started (scripts/test).
set -euo pipefail
: "${MULAN_ROOT:?}" "${MULAN_BUILD:?}" "${MULAN_RUN_DIR:?}" "${DISPLAY:?}"
source "$MULAN_ROOT/scripts/lib/wine-env.sh"
source "$MULAN_ROOT/scripts/lib/site.sh"
work=$(mktemp -d "$MULAN_RUN_DIR/search.XXXXXX")
probe="$MULAN_BUILD/mingw/tools/probe/mulan-probe.exe"
title='沐岚音乐播放器'
log="$work/requests.log"
source "$MULAN_ROOT/tests/e2e/lib/common.sh"
caption_of_results() { probe_out tree class:MulanFChild | head -1 | awk -F'\t' '{print $3}'; }

start_player_and_site
eventually 300 wine "$probe" wait "$title" 1 || fail "no main window"
# Let the start-up search finish first: it fills the playlist.
eventually 100 logged 'GET /so.asp?page=2&key=%CB%D1%CB%F7%B8%E8%C7%FA' || fail "no start-up search"

read -r left top width height < <(rect_of "$title" Edit)
[ -n "${left:-}" ] || fail "no search box"
xdotool mousemove $((left + 20)) $((top + height / 2)) click 1
xdotool key BackSpace
# The key is typed into the queue: the box empties once the window has taken it.
box_empty() { [ -z "$(probe_out tree "$title" | awk -F'\t' '$2 == "Edit" {print $3}')" ]; }
eventually 30 box_empty || fail "Backspace did not empty the box"
ok "Backspace empties the search box"
xdotool type --delay 60 u
xdotool key Return
eventually 100 logged 'GET /so.asp?key=u 200' || fail "Enter did not search"
eventually 100 logged 'GET /so.asp?page=2&key=u 200' || fail "page 2 did not take the box's text"
finished() { [ "$(caption_of_results)" = '音乐搜索信息!' ]; }
eventually 30 finished || fail "results caption is '$(caption_of_results)'"
ok "Enter fetched both pages of u into the results window"
"$MULAN_ROOT/scripts/screenshot" "$MULAN_BUILD/search-results.png"

# The first result row, by a real double click.
read -r lleft ltop lwidth lheight < <(rect_of class:MulanFChild SysListView32)
[ -n "${lleft:-}" ] || fail "no results list"
xdotool mousemove $((lleft + 60)) $((ltop + 30)) click --repeat 2 --delay 80 1
eventually 100 bash -c "grep -q 'GET /play/' '$log'" || fail "double click on a result played nothing"
played=$(grep -o 'GET /play/[0-9]*' "$log" | head -1 | grep -o '[0-9]*$')
eventually 50 logged "GET /geci/$played.htm" || fail "no lyrics for the result"
ok "double click on result $played played it"
