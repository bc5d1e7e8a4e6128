#!/usr/bin/env bash
# The player without the mouse, with real key events: in the playlist Down + Enter plays the second
# entry (its tone heard) and Delete removes the selected entry; with the main window hidden in the
# tray the media Next key starts the next song and Play/Pause pauses it (silence) and resumes it
# (its tone again). Runs with the Wine environment started (scripts/test).
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
# A second press, sooner than 1003 or 1004 could end by themselves: only the key starts 1005.
xdotool key XF86AudioNext
eventually 50 logged 'GET /play/1005.htm 200' || fail "a second Next key did not start 1005"
# 1005 lasts seven seconds; its tone after the resume shows that the key started it.
sleep 0.6
xdotool key XF86AudioPlay
sleep 0.3
silent || fail "Play/Pause did not pause ($(cat "$work/heard.txt"))"
ok "the Next key in the tray started 1004, then 1005; Play/Pause paused it: $(cat "$work/heard.txt")"
xdotool key XF86AudioPlay
sleep 0.3
heard 1005 || fail "Play/Pause did not resume 1005 ($(cat "$work/heard.txt"))"
ok "Play/Pause resumed 1005: $(cat "$work/heard.txt")"
