#!/bin/sh
# SPDX-License-Identifier: MIT
# The companion for Windows: cross-built with mingw-w64, it is stripped, has
# no build time in its header, comes out byte for byte the same from a second
# build in another folder, carries the icon group A with its four images and
# a version resource with the native build's version, and under wine it
# writes byte for byte what the native build writes (lines end in LF on
# both), with the same messages and exit statuses.
# Usage: windows_test.sh SOURCE_FOLDER NATIVE_CYCLOTRIM_GEN ARTEFACT_FOLDER
set -u
source=$1 native=$2 artefacts=$3
rm -rf "$artefacts" && mkdir -p "$artefacts"
. "$(dirname "$0")/checks.sh"

"$source/scripts/build-windows" >"$artefacts/build.log" 2>&1
check "cross build" $?
exe="$source/build-windows/cyclotrim-gen.exe"

# Linked statically: nothing but the system's own DLLs.
x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/.*DLL Name: //p' | sort >"$artefacts/dlls"
printf '%s\n' KERNEL32.dll msvcrt.dll | cmp -s - "$artefacts/dlls"; check "needs only system DLLs" $?

# The COFF header's build time, symbol table offset and symbol count: all 0.
header=$(od -An -tu4 -j60 -N4 "$exe")
[ "$(od -An -tu4 -j$((header + 8)) -N12 "$exe" | tr -s ' ')" = " 0 0 0" ]
check "no build time and no symbol table in the header" $?
! x86_64-w64-mingw32-objdump -h "$exe" | grep -q '\.debug'; check "no debugging sections" $?
"$source/scripts/build-windows" "$artefacts/build-again" >"$artefacts/build-again.log" 2>&1 &&
    cmp -s "$exe" "$artefacts/build-again/cyclotrim-gen.exe"
check "a second build in another folder gives the same bytes" $?

# The version resource's strings, UTF-16 in the file, one a line.
wrestool -x --raw --type=16 "$exe" | iconv -c -f UTF-16LE -t UTF-8 | tr '\0' '\n' >"$artefacts/version"
value() { # the first line after the one that ends in the key $1 that is not empty
    awk -v key="$1" 'found && $0 != "" { print; exit } substr($0, length($0) - length(key) + 1) == key { found = 1 }' \
        "$artefacts/version"
}
version=$("$native" --version | awk '{print $NF}')
[ "$(value ProductName)" = Cyclotrim ] && [ "$(value ProductVersion)" = "$version" ] &&
    [ "$(value FileVersion)" = "$version" ] && [ "$(value OriginalFilename)" = cyclotrim-gen.exe ] &&
    [ -n "$(value FileDescription)" ]
check "version resource: Cyclotrim $version, cyclotrim-gen.exe, \"$(value FileDescription)\"" $?

# The icon group A, read back from the executable, holds the four images.
wrestool -x --type=14 --name=A "$exe" >"$artefacts/A.ico" 2>/dev/null
icotool -l "$artefacts/A.ico" >"$artefacts/A.list" 2>&1
icotool -l "$source/data/windows/cyclotrim.ico" >"$artefacts/expected.list"
cmp -s "$artefacts/A.list" "$artefacts/expected.list" && [ "$(wc -l <"$artefacts/A.list")" -eq 4 ]
check "icon group A with 16x16 and 32x32 in 16 and 256 colours" $?

export WINEPREFIX="$artefacts/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineboot -i >"$artefacts/wineboot.log" 2>&1
n=0
while read -r arguments; do
    n=$((n + 1))
    # shellcheck disable=SC2086
    wine "$exe" $arguments >"$artefacts/$n.wine.out" 2>"$artefacts/$n.wine.err"
    wine_status=$?
    # shellcheck disable=SC2086
    "$native" $arguments >"$artefacts/$n.native.out" 2>"$artefacts/$n.native.err"
    native_status=$?
    [ "$wine_status" -eq "$native_status" ] && cmp -s "$artefacts/$n.wine.out" "$artefacts/$n.native.out" &&
        cmp -s "$artefacts/$n.wine.err" "$artefacts/$n.native.err"
    check "same output, messages and status ($native_status) for: $arguments" $?
done <<'LIST'
1000
-r R20,R21,R22 27891567
-t 1ms -f 7.3728 --round nearest
--syntax c 600000
--name wait --subroutine --save --core avre22 1000
1e3
-r R30,ZL 1530
--frobnicate
LIST
wineserver -k 2>/dev/null

finish
