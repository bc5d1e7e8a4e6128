#!/bin/sh
# This computer's music in the player over a 20 000-song library (made once by site_library.py's
# generator, kept in build/bench-library-20000): LocalLibrary's first scan, and searches through the
# in-process transport while it runs. Usage: bench/local_library.sh [FILES] [BUILD_DIR]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
files=${1:-20000}
build=${2:-$root/build/native}
work=$root/build/bench-library-$files
python3 -c "import sys; sys.path.insert(0, '$root/bench'); import site_library; site_library.ensure_library('$work', $files)"
cmake --build "$build" --target local-library-bench >/dev/null
# Read once so that the scan measures the library, not the disk.
cat "$work"/music/*/* >/dev/null
exec "$build/bench/local-library-bench" "$work/music" "$work/local-library.db"
