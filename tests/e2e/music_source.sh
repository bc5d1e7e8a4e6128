#!/usr/bin/env bash
# The music source chosen at run time: mulan.exe --site names a mulan-site on another loopback
# address and ports, and the start-up search goes there; with nothing on the command line the
# source stored under HKEY_CURRENT_USER\Software\Mulan Player is used; a command line that cannot
# be followed is said in a message box and ends the program with status 2. Runs with the Wine
# environment started (scripts/test).
set -euo pipefail
: "${MULAN_ROOT:?}" "${MULAN_BUILD:?}" "${MULAN_RUN_DIR:?}" "${DISPLAY:?}"
source "$MULAN_ROOT/scripts/lib/wine-env.sh"
source "$MULAN_ROOT/scripts/lib/site.sh"
work=$(mktemp -d "$MULAN_RUN_DIR/source.XXXXXX")
probe="$MULAN_BUILD/mingw/tools/probe/mulan-probe.exe"
exe="$MULAN_BUILD/mingw/src/app/mulan.exe"
title='沐岚音乐播放器'
log="$work/requests.log"
key='HKCU\Software\Mulan Player'
source "$MULAN_ROOT/tests/e2e/lib/common.sh"
searched() { probe_out panels "$title" | grep -q '共找到20首音乐信息!'; }
forget() { wine reg delete "$key" /f >/dev/null 2>&1 || true; }

catalogue=$("$MULAN_ROOT/scripts/demo-catalogue")
MULAN_ENV_PIDS=()
MULAN_SITE_PORT=19080 MULAN_SEARCH_PORT=19081 MULAN_MEDIA_PORT=19082 \
  mulan_site_start "$catalogue" "$log" --bind 127.0.0.2
app=
trap 'kill $app 2>/dev/null || true; forget; for p in "${MULAN_ENV_PIDS[@]}"; do kill "$p" 2>/dev/null || true; done' EXIT
forget

# 1. --site: the site at 127.0.0.2:19080, its search pages on 19081.
wine "$exe" --site 127.0.0.2:19080 >"$work/wine.out" 2>&1 &
app=$!
eventually 300 wine "$probe" wait "$title" 1 || fail "no main window"
eventually 300 logged '^19081 GET /so.asp?key=u 200' || fail "the start-up search did not reach 127.0.0.2:19081 ($(cat "$log"))"
eventually 100 searched || fail "the playlist was not filled: $(probe_out panels "$title" | tr '\n' '|')"
ok "--site 127.0.0.2:19080: the start-up search went to that site and filled the playlist"
kill "$app" 2>/dev/null || true
wait "$app" 2>/dev/null || true

# 2. Nothing on the command line: the stored site.
: >"$log"
wine reg add "$key" /v SiteHost /t REG_SZ /d 127.0.0.2:19080 /f >/dev/null
wine reg add "$key" /v SearchHost /t REG_SZ /d 127.0.0.2:19081 /f >/dev/null
wine reg add "$key" /v MediaHost /t REG_SZ /d 127.0.0.2:19082 /f >/dev/null
wine reg add "$key" /v MusicSource /t REG_SZ /d site /f >/dev/null
wine "$exe" >"$work/wine2.out" 2>&1 &
app=$!
eventually 300 wine "$probe" wait "$title" 1 || fail "no main window with the stored source"
eventually 300 logged '^19081 GET /so.asp?key=u 200' || fail "the stored site was not asked"
ok "the stored source (HKCU\\Software\\Mulan Player) is used when the command line names none"
kill "$app" 2>/dev/null || true
wait "$app" 2>/dev/null || true

# 3. A port that leaves no room for the search and media servers: said, and status 2.
wine "$exe" --site 127.0.0.2:65535 >"$work/wine3.out" 2>&1 &
app=$!
boxed() { probe_out class '#32770' | grep -q .; }
eventually 300 boxed || fail "no message box for a bad --site"
text=$(probe_out tree "class:#32770" | awk -F'\t' '$2 == "Static" { print $3 }' | tr '\n' ' ')
case "$text" in *音乐网站地址有误*) ;; *) fail "the message box says '$text'" ;; esac
xdotool key Return
rc=0
wait "$app" || rc=$?
[ "$rc" = 2 ] || fail "a bad command line ended with status $rc, not 2"
ok "a bad --site is said ('${text% }') and ends the program with status 2"
