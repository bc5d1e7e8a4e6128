# Starting and stopping mulan-site for a run. Sourced after wine-env.sh (shares its pid list).

# mulan_site_start CATALOGUE LOG: serves the catalogue on the default ports and waits until it listens.
mulan_site_start() {
  local catalogue=$1 log=$2 ready="$MULAN_RUN_DIR/site.ready"
  rm -f "$ready"
  python3 "$MULAN_ROOT/tools/site/mulan_site.py" --catalogue "$catalogue" --log "$log" \
    --ready-file "$ready" >"$MULAN_RUN_DIR/site.out" 2>&1 &
  MULAN_ENV_PIDS+=($!)
  _mulan_wait_for test -s "$ready" || { echo "mulan-site did not start:" >&2; cat "$MULAN_RUN_DIR/site.out" >&2; return 1; }
}
