# Shared settings of the scripts; sourced, never run.
MULAN_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export MULAN_ROOT
# The prefix lives outside the checkout: it is 700 MB and belongs to the machine, not the tree.
export MULAN_WINEPREFIX=${MULAN_WINEPREFIX:-${XDG_DATA_HOME:-$HOME/.local/share}/mulan/wine64}
export MULAN_BUILD=${MULAN_BUILD:-$MULAN_ROOT/build}
