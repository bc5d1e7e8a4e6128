# Shared by the end-to-end scripts; sourced, never run. probe_out needs $work (the script's own
# folder) and $probe (mulan-probe.exe); logged needs $log.
fail() { echo "FAIL: $*" >&2; exit 1; }
ok() { echo "ok   $*"; }
# check DESCRIPTION ACTUAL EXPECTED: a check that lets the script go on; checks_passed ends it.
failures=0
check() {
  if [ "$2" == "$3" ]; then
    ok "$1"
  else
    echo "FAIL: $1: got '$2', expected '$3'"
    failures=$((failures + 1))
  fi
}
# checks_passed NAME: fails the script when a check failed.
checks_passed() {
  [ "$failures" -eq 0 ] || fail "$failures $1 check(s) failed"
  ok "$1: all checks passed"
}
# The probe's output goes through a file: a pipe could be held open by Wine's own processes.
probe_out() {
  local rc=0
  wine "$probe" "$@" >"$work/probe.txt" 2>&1 || rc=$?
  tr -d '\r' <"$work/probe.txt"
  return $rc
}
# eventually TENTHS COMMAND...: tries the command every tenth of a second, up to TENTHS times.
eventually() {
  local tries=$1 i
  shift
  for i in $(seq "$tries"); do "$@" && return 0; sleep 0.1; done
  return 1
}
logged() { grep -q -- "$1" "$log"; }
# Starts mulan-site on the demo catalogue and mulan.exe; both are stopped when the script exits.
start_player_and_site() {
  catalogue=$("$MULAN_ROOT/scripts/demo-catalogue")
  MULAN_ENV_PIDS=()
  mulan_site_start "$catalogue" "$log"
  wine "$MULAN_BUILD/mingw/src/app/mulan.exe" --site "127.0.0.1:${MULAN_SITE_PORT:-18080}" >"$work/wine.out" 2>&1 &
  app=$!
  trap 'kill $app 2>/dev/null || true; for p in "${MULAN_ENV_PIDS[@]}"; do kill "$p" 2>/dev/null || true; done' EXIT
}
# A catalogue song's field (after start_player_and_site).
song() {
  /usr/bin/python3 -c "import json,sys; s={x['id']: x for x in json.load(open(sys.argv[1]))['songs']}; print(s[sys.argv[2]][sys.argv[3]])" \
    "$catalogue/catalogue.json" "$1" "$2"
}
# record_second FILE: a second of what plays; tried again when the recorder started too late to
# get any of it (a busy machine), so that an empty file never reads as silence.
record_second() {
  local attempt
  for attempt in 1 2 3; do
    "$MULAN_ROOT/scripts/record-sound" 1.2 "$1" || true
    [ "$(stat -c %s "$1")" -gt 8000 ] && return 0
  done
  return 1
}
# heard ID: a second of sound carries the song's tone. silent: a second of (near) silence.
heard() {
  local rms freq want
  record_second "$work/heard.wav" || { echo "nothing recorded" >"$work/heard.txt"; return 1; }
  read -r rms freq < <("$MULAN_ROOT/scripts/measure-sound" "$work/heard.wav" | sed 's/rms=\([^ ]*\) peak=[^ ]* freq=\(.*\)/\1 \2/')
  want=$(song "$1" frequency)
  echo "rms $rms at $freq Hz (want $want Hz)" >"$work/heard.txt"
  python3 -c "import sys; r,f,w=map(float,sys.argv[1:]); sys.exit(0 if r > 0.01 and abs(f-w) <= 8 else 1)" "$rms" "$freq" "$want"
}
silent() {
  local rms
  record_second "$work/silent.wav" || { echo "nothing recorded" >"$work/heard.txt"; return 1; }
  read -r rms < <("$MULAN_ROOT/scripts/measure-sound" "$work/silent.wav" | sed 's/rms=\([^ ]*\).*/\1/')
  echo "rms $rms" >"$work/heard.txt"
  python3 -c "import sys; sys.exit(0 if float(sys.argv[1]) < 0.005 else 1)" "$rms"
}
# The rectangle (left top width height on the screen) of a window of the class inside the main window.
child_rect() {
  probe_out tree "$title" | awk -F'\t' -v c="$1" '$2 == c { split($4, r, ","); print r[1], r[2], r[3], r[4]; exit }'
}
# The rectangle (left top width height on the screen) of the first window of class $2 inside the
# top-level window $1 (a title, or class:NAME).
rect_of() {
  probe_out tree "$1" | awk -F'\t' -v c="$2" '$2 == c { split($4, r, ","); print r[1], r[2], r[3], r[4]; exit }'
}
# The lyric line the main window shows (its first non-empty static text below the window itself).
label() { probe_out tree "$title" | awk -F'\t' '$2 == "Static" && NR > 1 { print $3 }' | grep -v '^$' | head -1; }
# The search box's text, and typing into it (needs $title).
box_text() { probe_out tree "$title" | awk -F'\t' '$2 == "Edit" {print $3}'; }
box_is() { [ "$(box_text)" = "$1" ]; }
# type_into_box TEXT: real keys, one character at a time, each seen in the box before the next: a
# character outside the keyboard map is typed through a key xdotool maps for it, and the next
# mapping can overtake a key the window has not taken yet.
type_into_box() {
  local typed='' c i
  for ((i = 0; i < ${#1}; i++)); do
    c=${1:i:1}
    xdotool type --delay 80 "$c"
    eventually 20 box_is "$typed$c" || { xdotool type --delay 80 "$c"; eventually 20 box_is "$typed$c"; } ||
      fail "typing '$1' into the search box gave '$(box_text)'"
    typed+=$c
  done
}
# fresh_prefix DIR: a fresh Wine prefix in DIR for a user's first start: a copy of the project's, with
# its 600 MB of built-in DLLs linked instead of copied (Wine writes there only when it brings a prefix
# up to a new Wine, which writes the same files). Exports WINEPREFIX; the caller stops its server.
fresh_prefix() {
  mkdir -p "$1"
  tar -C "$MULAN_WINEPREFIX" --exclude=./drive_c/windows/system32 --exclude=./wineserver -cf - . | tar -C "$1" -xf -
  cp -al "$MULAN_WINEPREFIX/drive_c/windows/system32" "$1/drive_c/windows/"
  export WINEPREFIX="$1" WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d"
}
