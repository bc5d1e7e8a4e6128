#!/usr/bin/env bash
# Runs mulan-site's tests: unit tests, the site on free loopback ports, the demo catalogue.
# Needs Debian's python3 (3.11, with python3-mutagen and SQLite FTS5), ffmpeg, sox and lame. Extra arguments go to unittest (for example -v).
set -euo pipefail
cd "$(dirname "$0")"
exec "${MULAN_SITE_PYTHON:-/usr/bin/python3}" -m unittest discover -s tests -t . "$@"
