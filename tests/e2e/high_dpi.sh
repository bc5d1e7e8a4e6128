#!/usr/bin/env bash
# The layout at 96, 120 and 144 DPI (the prefix's LogPixels, put back when the script ends): the
# Windows tests of the layout and the playlist's scaling run at each, and mulan.exe against
# mulan-site shows its main window with a client area of the twips at that DPI (471 x 735 at 144),
# every control where its twips put it, playlist rows of 18 x DPI / 96 pixels, and a screenshot of
# each (build/high-dpi-DPI.png). Runs with the Wine environment started (scripts/test).
set -euo pipefail
: "${MULAN_ROOT:?}" "${MULAN_BUILD:?}" "${MULAN_RUN_DIR:?}" "${DISPLAY:?}"
source "$MULAN_ROOT/scripts/lib/wine-env.sh"
source "$MULAN_ROOT/scripts/lib/site.sh"
work=$(mktemp -d "$MULAN_RUN_DIR/dpi.XXXXXX")
probe="$MULAN_BUILD/mingw/tools/probe/mulan-probe.exe"
tests="$MULAN_BUILD/mingw/tests/win32_tests.exe"
title='沐岚音乐播放器'
log="$work/requests.log"
source "$MULAN_ROOT/tests/e2e/lib/common.sh"
key='HKCU\Control Panel\Desktop'

set_dpi() {
  # Each program reads the DPI when it starts.
  wine reg add "$key" /v LogPixels /t REG_DWORD /d "$1" /f >"$work/reg.out" 2>&1
}
restore_dpi() { wine reg add "$key" /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1 || true; }

# Rectangles relative to the client area's origin (the player area sits at 0,0).
rect_of() { probe_out tree "$title" | awk -F'\t' -v c="$1" '$2 == c { print $4; exit }'; }
twips() { python3 -c "import sys; print(round(int(sys.argv[1]) * int(sys.argv[2]) / 1440))" "$1" "$2"; }
near() { [ $(( $1 - $2 )) -le 1 ] && [ $(( $2 - $1 )) -le 1 ]; }

for dpi in 96 120 144; do
  set_dpi "$dpi"
  trap 'restore_dpi; kill ${app:-} 2>/dev/null || true; for p in "${MULAN_ENV_PIDS[@]}"; do kill "$p" 2>/dev/null || true; done' EXIT
  wine "$tests" --gtest_filter='Form1Test.LaysOut*:Form1Test.StaysInside*:QMListBoxDpi.*' >"$work/tests-$dpi.out" 2>&1 \
    || { tr -d '\r' <"$work/tests-$dpi.out" | grep -E 'Failure|FAILED|Expected|Which|actual' | head -20 >&2; fail "Windows layout tests at $dpi DPI"; }
  ok "layout and playlist tests pass at $dpi DPI"

  start_player_and_site
  trap 'restore_dpi; kill $app 2>/dev/null || true; for p in "${MULAN_ENV_PIDS[@]}"; do kill "$p" 2>/dev/null || true; done' EXIT
  eventually 300 wine "$probe" wait "$title" 1 || fail "no main window at $dpi DPI"
  eventually 150 logged 'GET /so.asp?page=2&key=' || fail "no start-up search at $dpi DPI"
  sleep 1.5
  IFS=, read -r ox oy _ _ <<<"$(rect_of MulanMediaPlayer)"
  IFS=, read -r sx sy sw sh <<<"$(rect_of msctls_statusbar32)"
  near $((sx - ox + sw)) "$(twips 4710 "$dpi")" || fail "client width $((sx - ox + sw)) at $dpi DPI"
  # A window taller than the 768-pixel screen (144 DPI) stays on it: the playlist gives up the excess.
  cut=$(( $(twips 7350 "$dpi") - (sy - oy + sh) ))
  IFS=, read -r _ wy _ wh <<<"$(probe_out tree "$title" | head -1 | awk -F'\t' '{print $(NF-1)}')"
  [ $((wy + wh)) -le 768 ] && [ "$wy" -ge 0 ] || fail "the window at y $wy, $wh high, leaves the screen at $dpi DPI"
  if [ "$dpi" = 144 ]; then [ "$cut" -gt 0 ] || fail "no playlist rows given up at 144 DPI, window $wh high"
  else near "$cut" 0 || fail "client height $((sy - oy + sh)) at $dpi DPI"; fi
  IFS=, read -r lx ly lw lh <<<"$(rect_of MulanQMListBox)"
  near $((ly - oy)) "$(twips 1680 "$dpi")" && near "$lw" "$(twips 4695 "$dpi")" && near "$lh" $(( $(twips 5415 "$dpi") - cut )) \
    || fail "playlist at $((lx - ox)),$((ly - oy)) ${lw}x$lh at $dpi DPI"
  ok "client area $((sx - ox + sw)) x $((sy - oy + sh)) (playlist shortened by $cut), the window $wh high at y $wy, the playlist ${lw}x$lh at $dpi DPI"
  "$MULAN_ROOT/scripts/screenshot" "$MULAN_BUILD/high-dpi-$dpi.png"
  kill "$app" 2>/dev/null || true
  wait "$app" 2>/dev/null || true
  for p in "${MULAN_ENV_PIDS[@]}"; do kill "$p" 2>/dev/null || true; done
  MULAN_ENV_PIDS=()
  sleep 0.5
done
restore_dpi
ok "screenshots: $MULAN_BUILD/high-dpi-{96,120,144}.png"
