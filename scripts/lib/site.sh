# Starting and stopping mulan-site for a run. Sourced after wine-env.sh (shares its pid list).

# The native server (the native preset's build). Its pages are the same as mulan-site.exe's under
# Wine, and it starts in a moment where Wine would take seconds.
MULAN_SITE_PROGRAM=${MULAN_SITE_PROGRAM:-$MULAN_BUILD/native/src/site_server/mulan-site}

# mulan_site_program: fails with a message when the native server is not built.
mulan_site_program() {
  [ -x "$MULAN_SITE_PROGRAM" ] && return 0
  echo "mulan-site is not built: $MULAN_SITE_PROGRAM is missing (run scripts/build native)" >&2
  return 1
}

# mulan_site_start CATALOGUE LOG [OPTION...]: serves the catalogue (or music folder) and waits until
# it listens (a music folder: until its scan is done). The ports are the defaults unless
# MULAN_SITE_PORT, MULAN_SEARCH_PORT, MULAN_MEDIA_PORT say otherwise (the player is then started with
# --site and, for ports not laid out one after another, --search-host and --media-host).
mulan_site_start() {
  local catalogue=$1 log=$2 ready="$MULAN_RUN_DIR/site.ready"
  shift 2
  mulan_site_program || return 1
  rm -f "$ready"
  "$MULAN_SITE_PROGRAM" --catalogue "$catalogue" --log "$log" "$@" \
    --site-port "${MULAN_SITE_PORT:-18080}" --search-port "${MULAN_SEARCH_PORT:-18081}" \
    --media-port "${MULAN_MEDIA_PORT:-18082}" \
    --ready-file "$ready" >"$MULAN_RUN_DIR/site.out" 2>&1 &
  MULAN_ENV_PIDS+=($!)
  _mulan_wait_for test -s "$ready" || { echo "mulan-site did not start:" >&2; cat "$MULAN_RUN_DIR/site.out" >&2; return 1; }
}
