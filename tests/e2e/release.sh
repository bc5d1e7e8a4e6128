#!/usr/bin/env bash
# The Windows release as a user gets it. scripts/package run twice gives the same bytes; the zip
# holds the five files, the texts are Notepad's (BOM, CR LF) and the programs carry the version. In a
# fresh copy of the Wine prefix: the silent installer puts the files, the Start-menu shortcut and
# every uninstall value where they belong, the installed player shows its window, a second silent
# install succeeds, the silent uninstaller leaves nothing behind; an install over an older version
# in another folder replaces it there, neither installer nor uninstaller goes on while the installed
# mulan-site.exe runs, and the uninstall keeps a file the user put beside it; the player unpacked
# from the zip starts too, and its mulan-site.exe serves a music folder in which its mulan-cli.exe
# finds a song. Runs with the Wine environment started (scripts/test).
set -euo pipefail
: "${MULAN_ROOT:?}" "${MULAN_BUILD:?}" "${MULAN_RUN_DIR:?}" "${DISPLAY:?}" "${MULAN_WINEPREFIX:?}"
work=$(mktemp -d "$MULAN_RUN_DIR/release.XXXXXX")
probe="$MULAN_BUILD/mingw/tools/probe/mulan-probe.exe"
source "$MULAN_ROOT/tests/e2e/lib/common.sh"
title='沐岚音乐播放器'
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\MulanPlayer'

"$MULAN_ROOT/scripts/package" --dist "$work/dist" >"$work/sums1"
"$MULAN_ROOT/scripts/package" --dist "$work/again" >"$work/sums2"
cmp -s "$work/sums1" "$work/sums2" || fail "two packagings differ: $(cat "$work/sums1" "$work/sums2")"
(cd "$work/dist" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match the files"
ok "scripts/package twice gives the same bytes"

source "$MULAN_BUILD/mingw/release.env"
version=$MULAN_VERSION
zip="$work/dist/mulan-player-$version-win64.zip"
setup="$work/dist/mulan-player-$version-setup.exe"
size=$(stat -c %s "$setup")
# Under 3 MB with the three programs stripped, the player holding its own library; one with its debug
# information would be several times that.
[ "$size" -lt 3145728 ] || fail "the installer has $size bytes"
ok "installer $size bytes, zip $(stat -c %s "$zip") bytes"
unpacked="$work/unpacked"
/usr/bin/python3 "$MULAN_ROOT/tests/e2e/release_contents.py" "$zip" "$unpacked" "$version" "$MULAN_PUBLISHER" ||
  fail "zip contents"
ok "zip holds the programs with version $version and the texts"

prefix="$work/prefix"
fresh_prefix "$prefix"
trap 'kill ${app:-} ${site:-} 2>/dev/null || true; WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true' EXIT
wineserver -p >/dev/null 2>&1 || true
wine cmd /c exit </dev/null >/dev/null 2>&1 || true

# Wine's own view of a folder, as a Linux path.
folder() {
  wine cmd /c echo "%$1%" >"$work/folder.txt" 2>/dev/null
  winepath -u "$(tr -d '\r\n' <"$work/folder.txt")" 2>/dev/null
}
local_data=$(folder LOCALAPPDATA)
shortcut="$(folder APPDATA)/Microsoft/Windows/Start Menu/Programs/$title.lnk"
[ -d "$local_data" ] || fail "no LOCALAPPDATA folder ($local_data)"

# reg query writes in the console's code page (936 here).
values() {
  wine reg query "$key" >"$work/reg.txt" 2>/dev/null || return 1
  iconv -f GBK -t UTF-8 <"$work/reg.txt" | tr -d '\r' | sed -n 's/^ *\([A-Za-z]*\) *REG_[A-Z]* *\(.*\)$/\1=\2/p'
}
value() { values | sed -n "s/^$1=//p"; }
windows_path() { winepath -w "$1" 2>/dev/null; }

installed_files() { (cd "$1" && LC_ALL=C ls -A | tr '\n' ' '); }
expect_installed() {  # DIR VERSION
  local dir=$1 windir
  windir=$(windows_path "$dir")
  [ "$(installed_files "$dir")" = "LICENSE.txt README.txt mulan-cli.exe mulan-site.exe mulan.exe uninstall.exe " ] ||
    fail "installed files: $(installed_files "$dir")"
  for file in mulan.exe mulan-cli.exe mulan-site.exe README.txt LICENSE.txt; do
    cmp -s "$dir/$file" "$unpacked/$file" || fail "installed $file differs from the release's"
  done
  [ -f "$shortcut" ] || fail "no Start-menu shortcut $shortcut"
  /usr/bin/python3 - "$shortcut" "$windir\\mulan.exe" <<'EOF' || fail "the shortcut does not lead to $windir\\mulan.exe"
import sys
link, target = open(sys.argv[1], "rb").read(), sys.argv[2]
sys.exit(0 if target.encode("utf-16-le") in link or target.encode("gbk") in link else 1)
EOF
  values >"$work/values.txt" || fail "no uninstall key"
  local size
  size=$(du -sk --apparent-size "$dir" | cut -f1)
  while IFS='=' read -r name expected; do
    actual=$(sed -n "s/^$name=//p" "$work/values.txt")
    case $name in
      EstimatedSize) [ $((actual - size)) -le 8 ] && [ $((size - actual)) -le 8 ] ||
        fail "EstimatedSize $((actual)) KB, the files $size KB" ;;
      *) [ "$actual" = "$expected" ] || fail "$name is '$actual', not '$expected'" ;;
    esac
  done <<EOF
DisplayName=$title
DisplayVersion=$2
Publisher=$MULAN_PUBLISHER
DisplayIcon=$windir\\mulan.exe,0
InstallLocation=$windir
UninstallString="$windir\\uninstall.exe"
QuietUninstallString="$windir\\uninstall.exe" /S
EstimatedSize=
NoModify=0x1
NoRepair=0x1
EOF
}
expect_removed() {  # DIR LEFT: the folder holds only LEFT (nothing: the folder is gone)
  local dir=$1 left=${2:-}
  gone() { [ ! -e "$dir/uninstall.exe" ] && [ ! -e "$dir/mulan.exe" ] && [ ! -e "$dir/mulan-site.exe" ] && [ ! -e "$shortcut" ]; }
  eventually 300 gone || fail "the uninstaller left files: $(installed_files "$dir")"
  if [ -n "$left" ]; then
    [ "$(installed_files "$dir")" = "$left " ] || fail "the uninstaller took more: $(installed_files "$dir")"
  else
    eventually 50 test ! -e "$dir" || fail "the install folder is still there"
  fi
  if values >/dev/null; then fail "the uninstall key is still there"; fi
}
window_gone() { ! wine "$probe" wait "$title" 0 >/dev/null 2>&1; }
main_window_visible() { probe_out tree "$title" | head -1 | grep -q $'\tvisible$'; }
start_player() {
  wine "$1" >"$work/app.out" 2>&1 &
  app=$!
  wine "$probe" wait "$title" 30 >/dev/null 2>&1 || fail "$1 shows no window"
  eventually 100 main_window_visible || fail "$1: the main window is not visible"
}
stop_player() {
  kill "$app" 2>/dev/null || true
  wait "$app" 2>/dev/null || true
  eventually 50 window_gone || fail "the player did not end"
}
# installer_pages CAPTION NEXT_BUTTON [LOCALE]: the installer's first page in the system's language.
installer_pages() {
  LC_ALL=${3:-$LC_ALL} wine "$setup" >/dev/null 2>&1 &
  local pages=$!
  wine "$probe" wait "$1" 30 >/dev/null 2>&1 || fail "no installer window '$1'"
  probe_out tree "$1" | grep -q $'\tButton\t'"$2"$'\t' || fail "the installer's button is not '$2'"
  kill "$pages" 2>/dev/null || true
  wait "$pages" 2>/dev/null || true
}

installer_pages "$title 安装" "下一步(&N) >"
installer_pages "Mulan Player Setup" "&Next >" C
ok "the installer's pages are Chinese on a Chinese system, English on another"

default_dir="$local_data/Programs/Mulan Player"
wine "$setup" /S || fail "the silent install failed"
expect_installed "$default_dir" "$version"
ok "silent install: files, shortcut and uninstall values in place"
start_player "$default_dir/mulan.exe"
if wine "$setup" /S; then fail "the installer replaced the files of a running player"; fi
stop_player
ok "the installed player shows its window; the installer does not run over it"
wine "$setup" /S || fail "a second silent install of the same version failed"
expect_installed "$default_dir" "$version"
ok "installing the same version again succeeds"
wine "$default_dir/uninstall.exe" /S || fail "the silent uninstall failed"
expect_removed "$default_dir"
ok "silent uninstall leaves no file, shortcut or key"

"$MULAN_ROOT/scripts/package" --dist "$work/old" --installer-version 0.0.0 >/dev/null
# NSIS reads /D= only unquoted, and Wine quotes an argument with a space: a folder without one.
old_dir="$prefix/drive_c/Apps/MulanPlayer"
wine "$work/old/mulan-player-0.0.0-setup.exe" /S "/D=$(windows_path "$old_dir")" || fail "the old version did not install"
[ "$(value DisplayVersion)" = 0.0.0 ] || fail "the old version is not registered"
echo "an older program" >"$old_dir/mulan-cli.exe"
wine "$setup" /S || fail "the install over the old version failed"
expect_installed "$old_dir" "$version"
[ ! -e "$default_dir" ] || fail "the new version went beside the old one"
ok "an install over an older version replaces it in its folder"
# The installed server runs for as long as the user serves music: the installer must not leave it
# there, old, beside a new player, nor the uninstaller leave it behind. (The uninstaller's check
# through _?=, which runs it in place and gives its exit status; the copy it starts otherwise ends
# on its own.)
mkdir -p "$work/empty"
wine "$old_dir/mulan-site.exe" --library "$(windows_path "$work/empty")" --site-port 0 --search-port 0 \
  --media-port 0 --ready-file "$(windows_path "$work/installed-site.ready")" </dev/null >"$work/installed-site.out" 2>&1 &
site=$!
eventually 600 test -s "$work/installed-site.ready" ||
  fail "the installed mulan-site.exe did not get ready: $(tr -d '\r' <"$work/installed-site.out")"
if wine "$setup" /S; then fail "the installer ran over a running mulan-site.exe"; fi
if wine "$old_dir/uninstall.exe" /S "_?=$(windows_path "$old_dir")"; then
  fail "the uninstaller ran beside a running mulan-site.exe"
fi
expect_installed "$old_dir" "$version"
kill "$site" 2>/dev/null || true
wait "$site" 2>/dev/null || true
site=
ok "neither the installer nor the uninstaller goes on while the installed mulan-site.exe runs"
echo "my notes" >"$old_dir/notes.txt"
wine "$old_dir/uninstall.exe" /S || fail "the silent uninstall failed"
expect_removed "$old_dir" notes.txt
ok "the uninstaller takes only what it installed"

portable="$prefix/drive_c/portable"
mkdir -p "$portable" && cp "$unpacked"/* "$portable/"
start_player "$portable/mulan.exe"
stop_player
wine "$portable/mulan-cli.exe" --version >"$work/version.txt" 2>&1 || fail "mulan-cli.exe --version failed"
[ "$(tr -d '\r' <"$work/version.txt")" = "mulan-cli $version" ] || fail "mulan-cli.exe --version: $(cat "$work/version.txt")"
wine "$portable/mulan-cli.exe" -h >"$work/help.txt" 2>/dev/null || fail "mulan-cli.exe -h failed"
grep -q '^usage: mulan-cli' "$work/help.txt" || fail "mulan-cli.exe -h printed no usage"
rc=0; wine "$portable/mulan-cli.exe" --no-such-option >/dev/null 2>&1 || rc=$?
[ "$rc" = 2 ] || fail "mulan-cli.exe exits with $rc on an unknown option"
ok "the player from the zip shows its window; its mulan-cli says $version, -h the usage"

wine "$portable/mulan-site.exe" --help >"$work/site-help.txt" 2>/dev/null || fail "mulan-site.exe --help failed"
grep -q '^usage: mulan-site' "$work/site-help.txt" || fail "mulan-site.exe --help printed no usage"
# The ports README.txt names are the server's own defaults.
for port in 18080 18081 18082; do
  grep -q "(default $port)" "$work/site-help.txt" || fail "mulan-site.exe --help gives no default port $port"
done
rc=0; wine "$portable/mulan-site.exe" --no-such-option >/dev/null 2>&1 || rc=$?
[ "$rc" = 2 ] || fail "mulan-site.exe exits with $rc on an unknown option"
ok "mulan-site.exe from the zip prints its usage, with the ports of README.txt; an unknown option exits with 2"

# A tagged music folder: Starlight is found only by its ID3 title, which TagLib reads, through the
# index in SQLite. Free ports: another run may hold the defaults.
music="$prefix/drive_c/users/Public/Music/library"
/usr/bin/python3 "$MULAN_ROOT/tools/site/make_test_library.py" "$music" >/dev/null
songs=$(cd "$MULAN_ROOT/tools/site" && /usr/bin/python3 -B -c 'import make_test_library as m; print(len(m.SONGS))')
wine "$portable/mulan-site.exe" --library "$(windows_path "$music")" --site-port 0 --search-port 0 --media-port 0 \
  --ready-file "$(windows_path "$work/site.ready")" </dev/null >"$work/site.out" 2>&1 &
site=$!
eventually 600 test -s "$work/site.ready" || fail "mulan-site.exe did not get ready: $(tr -d '\r' <"$work/site.out")"
ready=$(tr -d '\r' <"$work/site.ready")
[[ $ready == *" songs=$songs" ]] || fail "mulan-site.exe indexed other than the $songs songs: $ready"
[ -f "$music/.mulan-site.db" ] || fail "no index in the music folder"
read -r site_host search_host media_host < <(sed 's/.*site=\([^ ]*\) search=\([^ ]*\) media=\([^ ]*\).*/\1 \2 \3/' <<<"$ready")
(cd "$work" && wine "$portable/mulan-cli.exe" --site-host "$site_host" --search-host "$search_host" \
  --media-host "$media_host" search Starlight </dev/null >"$work/search.txt" 2>"$work/search.err") ||
  fail "mulan-cli.exe search against mulan-site.exe failed: $(cat "$work/search.err")"
found=$(tr -d '\r' <"$work/search.txt")
[[ $found =~ ^[0-9]+$'\t'Starlight$ ]] || fail "mulan-cli.exe found '$found' for Starlight"
kill "$site" 2>/dev/null || true
wait "$site" 2>/dev/null || true
site=
ok "mulan-site.exe from the zip indexed a music folder ($ready); mulan-cli.exe found Starlight there"
