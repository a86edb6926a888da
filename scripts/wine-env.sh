# Sourced: the environment every Wine run of the project uses.
_veltaro_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${VELTARO_WINEPREFIX:-$_veltaro_root/build/wineprefix}"
export WINEDEBUG=-all
# No Mono or Gecko prompts; no menu entries or desktop files in $HOME.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LC_ALL=zh_CN.UTF-8
export LANG=zh_CN.UTF-8
