#!/bin/sh
# delay-def.sh NM IMPORT_LIB DLL DEF: writes DEF, a module definition naming every
# function of the import library IMPORT_LIB, for dlltool to make a delay-load
# library of DLL.
set -e
exec >"$4"
echo "LIBRARY \"$3\""
echo "EXPORTS"
"$1" -g --defined-only "$2" | sed -n 's/^.* I __imp__\(.*@[0-9]*\)$/\1/p' | LC_ALL=C sort -u
