#!/usr/bin/env bash
# The song link window and the song download window under Wine against mulan-site on loopback:
# Form2 shows a song's address (as the play page gives it) and closes with Escape; the song is saved
# byte for byte; a missing file (404) and a server that is gone give their messages and leave
# nothing in the folder.
# Runs with the Wine environment started (scripts/test); starts and stops its own mulan-site.
set -euo pipefail
: "${MULAN_ROOT:?}" "${MULAN_BUILD:?}"
host="$MULAN_BUILD/mingw/tests/app/link_host.exe"
probe="$MULAN_BUILD/mingw/tools/probe/mulan-probe.exe"
catalogue="$MULAN_BUILD/demo-catalogue"
ports=(18680 18681 18682)
work=$(mktemp -d /tmp/mulan-link-download.XXXXXX)
site_pid=
show_pid=
stop_site() {
  if [ -n "$site_pid" ]; then kill "$site_pid" 2>/dev/null || true; wait "$site_pid" 2>/dev/null || true; fi
  site_pid=
}
cleanup() {
  if [ -n "$show_pid" ]; then kill "$show_pid" 2>/dev/null || true; wait "$show_pid" 2>/dev/null || true; fi
  stop_site
  rm -rf "$work"
}
trap cleanup EXIT

source "$MULAN_ROOT/tests/e2e/lib/common.sh"

source "$MULAN_ROOT/scripts/lib/site.sh"
mulan_site_program || exit 1
python3 "$MULAN_ROOT/tools/site/make_demo_catalogue.py" "$catalogue" >/dev/null
"$MULAN_SITE_PROGRAM" --catalogue "$catalogue" --site-port "${ports[0]}" \
  --search-port "${ports[1]}" --media-port "${ports[2]}" --log "$work/site.log" --ready-file "$work/ready" \
  >"$work/site.out" 2>&1 &
site_pid=$!
for _ in $(seq 1 100); do [ -s "$work/ready" ] && break; sleep 0.1; done
[ -s "$work/ready" ] || fail "mulan-site did not start: $(cat "$work/site.out")"

# The address as the play page gives it, read by mulan-cli (the player's own reading of play pages);
# it must be the song's id and its file's own name on the media port.
cli="$MULAN_BUILD/native/src/cli/mulan-cli"
file_of() {
  python3 -c "import json,sys; print(next(s['file'] for s in json.load(open(sys.argv[1]))['songs'] if s['id']==sys.argv[2]))" \
    "$catalogue/catalogue.json" "$1"
}
declare -A address
for song in 1001 1004; do  # an MP3 and a WAV
  address[$song]=$("$cli" --site-host "127.0.0.1:${ports[0]}" --search-host "127.0.0.1:${ports[1]}" \
    --media-host "127.0.0.1:${ports[2]}" resolve "$song") || fail "mulan-cli resolve $song failed"
  file=$(file_of "$song")
  [ "${address[$song]}" = "http://127.0.0.1:${ports[2]}/music/$song/$(basename "$file")" ] ||
    fail "$song: the play page gives ${address[$song]}"
done

# Form2 holds the address; a real Escape key closes it and ends the modal loop.
wine "$host" show "${address[1001]}" >"$work/show.out" 2>&1 &
show_pid=$!
wine "$probe" wait 外链地址 30 >/dev/null 2>&1 || fail "Form2 did not appear"
wine "$probe" tree 外链地址 >"$work/tree.txt" 2>&1 || fail "Form2 vanished"
grep -qF "${address[1001]}" "$work/tree.txt" || fail "Form2 does not hold ${address[1001]}: $(cat "$work/tree.txt")"
xdotool key Escape
for _ in $(seq 1 50); do kill -0 "$show_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$show_pid" 2>/dev/null; then fail "Escape did not close Form2"; fi
wait "$show_pid" || fail "link_host show failed"
show_pid=

# download ADDRESS NAME -> exit status of link_host; its message in $work/NAME.out
download() {
  local status=0
  wine "$host" download "$1" "$(winepath -w "$work/saved")\\$2" >"$work/$2.out" 2>"$work/$2.err" || status=$?
  return "$status"
}

mkdir "$work/saved"
for song in 1001 1004; do
  file=$(file_of "$song")
  download "${address[$song]}" "$song.song" || fail "$song: link_host exited $? ($(cat "$work/$song.song.out" "$work/$song.song.err"))"
  cmp "$catalogue/$file" "$work/saved/$song.song" || fail "$song: saved file differs from $file"
  grep -q "下载完成" "$work/$song.song.out" || fail "$song: no completion message: $(cat "$work/$song.song.out")"
done
# Saving over an existing file replaces it whole.
head -c 100 /dev/urandom >"$work/saved/1001.song"
download "${address[1001]}" 1001.song || fail "overwrite: link_host exited $?"
cmp "$catalogue/audio/1001.mp3" "$work/saved/1001.song" || fail "overwrite: saved file differs"

expect_failure() {  # ADDRESS NAME MESSAGE
  local status=0
  download "$1" "$2" || status=$?
  [ "$status" = 1 ] || fail "$2: exit status $status, expected 1"
  grep -qF "$3" "$work/$2.out" || fail "$2: message '$(cat "$work/$2.out")', expected '$3'"
  [ ! -e "$work/saved/$2" ] || fail "$2: a file was left"
}
# No song 99: its address is the media port's 404, whatever the name says.
expect_failure "http://127.0.0.1:${ports[2]}/music/99/none.mp3" missing.mp3 "下载失败：服务器上没有这首歌曲（HTTP 404）。"
# The site logs a request once its answer has gone out: the line may come a moment after the answer.
eventually 20 grep -q "^${ports[2]} GET /music/99/none.mp3 404" "$work/site.log" || fail "the 404 request is not in the site's log"
stop_site
expect_failure "${address[1001]}" gone.mp3 \
  "下载失败：无法连接服务器，或连接中断。"
# A server that announces more than it sends and then hangs up: not a finished song.
python3 - "${ports[1]}" "$work/truncating.ready" <<'PY' &
import socket, sys
server = socket.socket()
server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
server.bind(("127.0.0.1", int(sys.argv[1])))
server.listen(1)
open(sys.argv[2], "w").close()
connection, _ = server.accept()
connection.recv(65536)
connection.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 500000\r\n\r\n" + b"\x55" * 200000)
connection.close()
PY
truncating_pid=$!
for _ in $(seq 1 50); do [ -e "$work/truncating.ready" ] && break; sleep 0.1; done
expect_failure "http://127.0.0.1:${ports[1]}/music/1001/1001.mp3" short.mp3 "下载失败：歌曲没有下载完整。"
wait "$truncating_pid" || fail "the truncating server failed"

# Nothing but the two saved songs is in the folder: no temporary file survived a failure.
left=$(ls -A "$work/saved" | sort | tr '\n' ' ')
[ "$left" = "1001.song 1004.song " ] || fail "folder holds: $left"
echo "link_download: ok"
