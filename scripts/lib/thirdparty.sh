#!/usr/bin/env bash
# Fills MULAN_THIRDPARTY (outside the checkout) with the third-party pieces that Debian's -dev packages
# cannot give, in the layout cmake/thirdparty.cmake reads:
#   include/httplib.h                 cpp-httplib's whole header, from its Debian source package (the
#                                     -dev package's header is split and Linux-only); native and Windows
#   include/json/nlohmann/...         nlohmann json's headers for the Windows build (from
#                                     nlohmann-json3-dev: /usr/include is no include path for MinGW)
#   mingw/include/taglib/*.h          TagLib from its Debian source package, static, MinGW-w64 posix
#   mingw/lib/libtag.a
#   mingw/include/sqlite3.h           SQLite's amalgamation made from its Debian source package,
#   mingw/lib/libsqlite3.a            compiled with MinGW-w64
#   stamps/PIECE                      what a piece was made from and by which recipe
# A piece is rebuilt when its stamp differs from what it would be now: a new source package or input
# package, or a changed recipe (the text of its build function). Everything is made in a work folder
# inside the cache and moved into place at the end; the stamp is removed before and written after, so
# a piece with a stamp is complete (cmake/thirdparty.cmake checks the stamps). Called by scripts/setup,
# which installs the packages used here; needs no root.
set -euo pipefail
# One group, read whole before it runs: an edit to this file during a run does not change the run.
{
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.sh"

mingw=x86_64-w64-mingw32
cache=$MULAN_THIRDPARTY
mkdir -p "$cache/stamps"
cache=$(cd "$cache" && pwd)

# One setup at a time per cache; a work folder left by a killed run is removed under the lock.
exec {lock_fd}>"$cache/.lock"
if ! flock -n "$lock_fd"; then
  echo "thirdparty: waiting for another setup using $cache"
  flock "$lock_fd"
fi
rm -rf "$cache"/.work.*
work=$(mktemp -d "$cache/.work.XXXXXX")
trap 'rm -rf "$work"' EXIT
# (to the caller's stderr: a signal that comes during a step is handled inside the step's redirection)
exec {stderr_fd}>&2
trap 'echo "thirdparty: interrupted; nothing half made is kept" >&$stderr_fd; exit 130' INT TERM

die() { echo "thirdparty: $*" >&2; exit 1; }

# step CMD...: runs one command of the current piece with its output in the piece's log; on failure
# shows the end of the log and keeps it.
step() {
  if ! "$@" >>"$log" 2>&1; then
    mkdir -p "$cache/logs"
    cp "$log" "$cache/logs/$piece.log"
    echo "thirdparty: $piece failed at: $*" >&2
    tail -n 25 "$log" | sed 's/^/  /' >&2
    die "full log in $cache/logs/$piece.log"
  fi
}
in_dir() { (cd "$1" && shift && "$@"); }

# Versions of installed packages, "name version, ..."; fails naming what is missing.
installed() {
  local p v out=()
  for p in "$@"; do
    v=$(dpkg-query -W -f='${Status} ${Version}' "$p" 2>/dev/null) || v=
    [[ $v == "install ok installed "* ]] || die "package $p is not installed: run scripts/setup"
    out+=("$p ${v##* }")
  done
  local IFS=';'
  echo "${out[*]}" | sed 's/;/, /g'
}

# The versions apt-get source would fetch now, from the deb-src index (no download).
declare -A source_version=()
read_source_versions() {
  local uris pkg v
  uris=$(apt-get source --print-uris -qq "$@" 2>&1) ||
    die "apt-get source cannot find $*: is there a deb-src line for bookworm main? run scripts/setup"
  for pkg in "$@"; do
    v=$(sed -n "s/^'[^']*' ${pkg}_\([^ ]*\)\.dsc .*/\1/p" <<<"$uris" | head -n1)
    [ -n "$v" ] || die "no source package $pkg in apt's deb-src index: run scripts/setup"
    source_version[$pkg]=$v
  done
}

# fetch PKG: downloads and unpacks source package PKG (the version read above, Debian's patches
# applied) into $dir/src.
fetch() {
  local pkg=$1 v=${source_version[$1]}
  step in_dir "$dir" apt-get source --download-only -qq "$pkg=$v"
  step dpkg-source -x "$dir/${pkg}_${v#*:}.dsc" "$dir/src"
}

# install_file SRC DEST, install_dir SRC DEST: move a made file or folder into the cache. Unchanged
# content stays as it was, with its time, so builds that use it do not rebuild.
install_file() {
  mkdir -p "$(dirname "$2")"
  if cmp -s "$1" "$2"; then return 0; fi
  mv -f "$1" "$2"
}
install_dir() {
  mkdir -p "$(dirname "$2")"
  if [ -d "$2" ] && diff -rq "$1" "$2" >/dev/null 2>&1; then return 0; fi
  if [ -e "$2" ]; then mv "$2" "$(mktemp -d "$work/old.XXXXXX")/"; fi
  mv "$1" "$2"
}

stamp_text() {  # PIECE SOURCE INPUTS
  printf 'piece=%s\nsource=%s\ninputs=%s\nrecipe=%s\n' "$1" "$2" "$3" \
    "$(declare -f "build_$1" | sha256sum | cut -c1-16)"
}

# ---- the recipes: each makes its files in $dir and installs them; $dir and $log are the piece's own.

build_httplib() {
  fetch cpp-httplib
  local upstream=${source_version[cpp-httplib]%%-*}
  upstream=${upstream%%+*}
  # The whole header, not a split one: it carries the server and the Windows parts.
  grep -q "^#define CPPHTTPLIB_VERSION \"$upstream\"" "$dir/src/httplib.h" &&
    grep -q 'class Server' "$dir/src/httplib.h" || die "httplib: $dir/src/httplib.h is not the whole header"
  # mulan-site answers Range itself (a malformed or multi-range header is ignored, as HTTP allows, and a
  # page is never cut): the server's own parse, which answers 416 to those and runs std::regex over the
  # header, is left out where MULAN_HTTPLIB_OWN_RANGES is defined.
  step python3 - "$dir/src/httplib.h" <<'PATCH'
import sys
path = sys.argv[1]
text = open(path, encoding="utf-8").read()
block = """  if (req.has_header("Range")) {
    const auto &range_header_value = req.get_header_value("Range");
    if (!detail::parse_range_header(range_header_value, req.ranges)) {
      res.status = 416;
      return write_response(strm, close_connection, req, res);
    }
  }
"""
if text.count(block) != 1:
    sys.exit("httplib.h: the server's Range block is not where it was")
text = text.replace(block, "#ifndef MULAN_HTTPLIB_OWN_RANGES\n" + block + "#endif\n")
# A line of a request (or an answer) is read whole before its length is looked at: a client that sends
# one without end would take all memory. Where MULAN_HTTPLIB_MAX_LINE is defined, a longer line ends
# the connection.
read = """    append(byte);

    if (byte == '\\n') { break; }
"""
if text.count(read) != 1:
    sys.exit("httplib.h: the line reader is not where it was")
text = text.replace(read, read + "#ifdef MULAN_HTTPLIB_MAX_LINE\n    if (i + 1 >= MULAN_HTTPLIB_MAX_LINE) { return false; }\n#endif\n")
open(path, "w", encoding="utf-8").write(text)
PATCH
  install_file "$dir/src/httplib.h" "$cache/include/httplib.h"
}

build_json() {
  [ -f /usr/include/nlohmann/json.hpp ] || die "no /usr/include/nlohmann/json.hpp: run scripts/setup"
  mkdir -p "$dir/json"
  cp -a /usr/include/nlohmann "$dir/json/nlohmann"
  install_dir "$dir/json" "$cache/include/json"
}

build_taglib() {
  fetch taglib
  # Debian's patch takes utf8-cpp from libutfcpp-dev (<utf8/checked.h>); a copy of its headers keeps
  # /usr/include out of the MinGW include path.
  cp -a /usr/include/utf8cpp "$dir/utf8cpp"
  cat >"$dir/mingw.cmake" <<EOF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER $mingw-gcc-posix)
set(CMAKE_CXX_COMPILER $mingw-g++-posix)
set(CMAKE_RC_COMPILER $mingw-windres)
set(CMAKE_FIND_ROOT_PATH /usr/$mingw)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF
  step cmake -S "$dir/src" -B "$dir/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$dir/mingw.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$dir/stage" -DCMAKE_CXX_FLAGS="-isystem $dir/utf8cpp" \
    -DBUILD_SHARED_LIBS=OFF -DWITH_ZLIB=OFF -DBUILD_BINDINGS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_TESTING=OFF
  step cmake --build "$dir/build" -j 2
  step cmake --install "$dir/build"
  [ -f "$dir/stage/lib/libtag.a" ] && [ -f "$dir/stage/include/taglib/fileref.h" ] ||
    die "taglib: the install has no lib/libtag.a or include/taglib/fileref.h"
  # Headers first, the library last: the stamp, written after both, marks the piece complete.
  install_dir "$dir/stage/include/taglib" "$cache/mingw/include/taglib"
  install_file "$dir/stage/lib/libtag.a" "$cache/mingw/lib/libtag.a"
}

build_sqlite() {
  fetch sqlite3
  # The amalgamation is generated with tclsh; the Tcl extension itself is not wanted.
  step in_dir "$dir/src" ./configure --disable-tcl --disable-readline
  step make -C "$dir/src" -j 2 sqlite3.c
  mkdir -p "$dir/out"
  step $mingw-gcc-posix -O2 -DSQLITE_ENABLE_FTS5 -DSQLITE_THREADSAFE=1 -DSQLITE_DEFAULT_WAL_SYNCHRONOUS=1 \
    -DSQLITE_OMIT_LOAD_EXTENSION -c "$dir/src/sqlite3.c" -o "$dir/out/sqlite3.o"
  step $mingw-ar rcs "$dir/out/libsqlite3.a" "$dir/out/sqlite3.o"
  install_file "$dir/src/sqlite3.h" "$cache/mingw/include/sqlite3.h"
  install_file "$dir/out/libsqlite3.a" "$cache/mingw/lib/libsqlite3.a"
}

# ---- what each piece is made from, and the pieces in turn.

read_source_versions cpp-httplib taglib sqlite3
# (plain assignments, so that a missing package stops the script)
json_package=$(installed nlohmann-json3-dev)
utfcpp_package=$(installed libutfcpp-dev)
toolchain=$(installed gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev)
declare -A what=(
  [httplib]="cpp-httplib ${source_version[cpp-httplib]}"
  [json]="$json_package"
  [taglib]="taglib ${source_version[taglib]}"
  [sqlite]="sqlite3 ${source_version[sqlite3]}"
)
declare -A inputs=(
  [httplib]="-"
  [json]="-"
  [taglib]="$utfcpp_package, $toolchain"
  [sqlite]="$toolchain"
)
declare -A label=(
  [httplib]="cpp-httplib's httplib.h"
  [json]="nlohmann json headers for Windows"
  [taglib]="TagLib for Windows (static)"
  [sqlite]="SQLite for Windows (static)"
)

for piece in httplib json sqlite taglib; do
  want=$(stamp_text "$piece" "${what[$piece]}" "${inputs[$piece]}")
  stamp=$cache/stamps/$piece
  [ "$(cat "$stamp" 2>/dev/null)" = "$want" ] && continue
  dir=$work/$piece log=$work/$piece.log
  mkdir -p "$dir"
  start=$SECONDS
  rm -f "$stamp"
  "build_$piece"
  printf '%s\n' "$want" >"$stamp.new"
  mv -f "$stamp.new" "$stamp"
  rm -f "$cache/logs/$piece.log"
  rm -rf "$dir"
  echo "thirdparty: ${label[$piece]}, ${what[$piece]##* } ($((SECONDS - start)) s)"
done
exit
}
