#!/usr/bin/env bash
# Runs mulan-site's tests: unit tests, the site on free loopback ports, the demo catalogue.
# Needs python3 (3.11), sox and lame. Extra arguments go to unittest (for example -v).
set -euo pipefail
cd "$(dirname "$0")"
exec python3 -m unittest discover -s tests -t . "$@"
