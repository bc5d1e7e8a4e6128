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
  wine "$MULAN_BUILD/mingw/src/app/mulan.exe" >"$work/wine.out" 2>&1 &
  app=$!
  trap 'kill $app 2>/dev/null || true; for p in "${MULAN_ENV_PIDS[@]}"; do kill "$p" 2>/dev/null || true; done' EXIT
}
