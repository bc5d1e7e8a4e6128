# Shared settings of the scripts; sourced, never run.
MULAN_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export MULAN_ROOT
# The prefix lives outside the checkout: it is 700 MB and belongs to the machine, not the tree.
export MULAN_WINEPREFIX=${MULAN_WINEPREFIX:-${XDG_DATA_HOME:-$HOME/.local/share}/mulan/wine64}
export MULAN_BUILD=${MULAN_BUILD:-$MULAN_ROOT/build}
# Third-party pieces built or unpacked by scripts/setup (scripts/lib/thirdparty.sh), read by
# cmake/thirdparty.cmake: outside the checkout, shared by every build folder and worktree.
export MULAN_THIRDPARTY=${MULAN_THIRDPARTY:-$HOME/.cache/mulan/thirdparty}
