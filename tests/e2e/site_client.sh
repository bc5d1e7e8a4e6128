#!/usr/bin/env bash
# mulan-cli natively and mulan-cli.exe under Wine against mulan-site on loopback: both must give,
# byte for byte, the hits, addresses, lyric lines and files that the demo catalogue lists.
# Runs with the Wine environment started (scripts/test); starts and stops its own mulan-site.
set -euo pipefail
: "${MULAN_ROOT:?}" "${MULAN_BUILD:?}"
native="$MULAN_BUILD/native/src/cli/mulan-cli"
windows="$MULAN_BUILD/mingw/src/cli/mulan-cli.exe"
catalogue="$MULAN_BUILD/demo-catalogue"
ports=(18180 18181 18182)
work=$(mktemp -d /tmp/mulan-site-client.XXXXXX)
site_pid=
cleanup() {
  if [ -n "$site_pid" ]; then kill "$site_pid" 2>/dev/null || true; wait "$site_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

source "$MULAN_ROOT/scripts/lib/site.sh"
source "$MULAN_ROOT/tests/e2e/lib/common.sh"
mulan_site_program || exit 1
python3 "$MULAN_ROOT/tools/site/make_demo_catalogue.py" "$catalogue" >/dev/null
"$MULAN_SITE_PROGRAM" --catalogue "$catalogue" --site-port "${ports[0]}" \
  --search-port "${ports[1]}" --media-port "${ports[2]}" --log "$work/site.log" --ready-file "$work/ready" \
  >"$work/site.out" 2>&1 &
site_pid=$!
for _ in $(seq 1 100); do [ -s "$work/ready" ] && break; sleep 0.1; done
[ -s "$work/ready" ] || fail "mulan-site did not start: $(cat "$work/site.out")"

hosts=(--site-host "127.0.0.1:${ports[0]}" --search-host "127.0.0.1:${ports[1]}" --media-host "127.0.0.1:${ports[2]}")

# What the catalogue says the answers are: the songs whose title or singer holds every word (letters
# without regard to case), in listing order, as ID<TAB>TITLE; song 1001's audio address (by its id,
# with the file's own name) and the lines of its .lrc file.
python3 - "$catalogue/catalogue.json" "${ports[2]}" "$work" <<'PY'
import json, os, sys
listing, media, out = sys.argv[1:4]
songs = json.load(open(listing, encoding="utf-8"))["songs"]
catalogue = os.path.dirname(listing)

def hits(key, name):
    words = key.casefold().split()
    with open("%s/%s.expected" % (out, name), "w", encoding="utf-8", newline="\n") as f:
        for s in songs:
            if all(w in s["title"].casefold() or w in s["singer"].casefold() for w in words):
                f.write("%s\t%s\n" % (s["id"], s["title"]))

hits("u", "search-u")
hits("柳如云", "search-liu")
song = next(s for s in songs if s["id"] == "1001")
with open(out + "/resolve.expected", "w", newline="\n") as f:
    f.write("http://127.0.0.1:%s/music/1001/%s\n" % (media, os.path.basename(song["file"])))
with open(out + "/lyrics.expected", "w", encoding="utf-8", newline="\n") as f:
    f.writelines(line + "\n" for line in open(os.path.join(catalogue, song["lrc"]), encoding="utf-8").read().split())
PY

# run NAME ARGS...: the command natively and under Wine, outputs and exit statuses side by side.
run() {
  local name=$1; shift
  local status=0
  (cd "$work" && "$native" "${hosts[@]}" "$@" >"$work/$name.native" 2>"$work/$name.native.err") || status=$?
  echo "$status" >"$work/$name.native.rc"
  status=0
  (cd "$work" && wine "$windows" "${hosts[@]}" "$@" </dev/null >"$work/$name.wine" 2>"$work/$name.wine.err") || status=$?
  echo "$status" >"$work/$name.wine.rc"
  cmp -s "$work/$name.native" "$work/$name.wine" || fail "$name: Wine and native outputs differ"
  cmp -s "$work/$name.native.rc" "$work/$name.wine.rc" || fail "$name: Wine and native exit statuses differ"
}

expect_file() {  # NAME EXPECTED-FILE
  cmp -s "$work/$1.native" "$2" || { diff "$2" "$work/$1.native" | head >&2; fail "$1: not what the catalogue lists"; }
}

run search-u search u
expect_file search-u "$work/search-u.expected"
[ "$(wc -l <"$work/search-u.native")" = 32 ] || fail "search u: not 32 hits"
for side in native wine; do
  grep -qx '共找到32首音乐信息!' "$work/search-u.$side.err" || fail "search u ($side): no final status"
done
grep -q "GET /so.asp?page=2&key=u 200" "$work/site.log" || fail "search u: page 2 not read"

run search-liu search 柳如云
expect_file search-liu "$work/search-liu.expected"
[ "$(wc -l <"$work/search-liu.native")" = 3 ] || fail "search 柳如云: not 3 hits"

run resolve resolve 1001
expect_file resolve "$work/resolve.expected"

run lyrics lyrics 01001
expect_file lyrics "$work/lyrics.expected"
run no-lyrics lyrics 1007
[ "$(cat "$work/no-lyrics.native")" = "暂无歌词" ] || fail "lyrics 1007: not 暂无歌词"

run encode encode "Hi 歌 9"
[ "$(cat "$work/encode.native")" = "Hi%20%B8%E8%209" ] || fail "encode: $(cat "$work/encode.native")"
run encode-marks encode "_~&=	"
[ "$(cat "$work/encode-marks.native")" = "%5F%7E%26%3D%9" ] || fail "encode marks: $(cat "$work/encode-marks.native")"

run download download 1001
[ "$(cat "$work/download.native")" = "1001.mp3" ] || fail "download: saved as $(cat "$work/download.native")"
cmp -s "$work/1001.mp3" "$catalogue/audio/1001.mp3" || fail "download: not the site's file"

run broken resolve 99
[ "$(cat "$work/broken.native.rc")" = 1 ] || fail "resolve 99: exit status $(cat "$work/broken.native.rc")"
grep -q "/play/99.htm" "$work/broken.wine.err" || fail "resolve 99: the message does not name the request"

run usage lyrics not-a-number
[ "$(cat "$work/usage.native.rc")" = 2 ] || fail "usage: exit status $(cat "$work/usage.native.rc")"

ok "site_client: native mulan-cli and mulan-cli.exe agree with the demo catalogue"
