# Sourced by the scripts that run Windows programs: the project's own wine prefix.
# WINEPREFIX may be set from outside; by default it lives in build/.
_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${WINEPREFIX:-$_root/build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
WINE64="${WINE64:-/usr/lib/wine/wine64}"
[ -x "$WINE64" ] || WINE64="$(command -v wine64 || echo /usr/lib/wine/wine64)"
WINESERVER="${WINESERVER:-/usr/lib/wine/wineserver}"
[ -x "$WINESERVER" ] || WINESERVER="$(command -v wineserver || echo /usr/lib/wine/wineserver)"
unset DISPLAY WAYLAND_DISPLAY
