#!/bin/sh
# The Debian package, built the Debian way, passes lintian with no error and
# no warning, installs the program, the companion, their manual pages, the
# desktop entry, the AppStream metadata and the icons, and depends on the
# toolkit it links.
# Usage: package_test.sh SOURCE_FOLDER OUTPUT_FOLDER
set -u
source=$1 out=$2
. "$(dirname "$0")/checks.sh"

mkdir -p "$(dirname "$out")"
"$source/scripts/build-deb" "$out" >"$out.log" 2>&1
check "package built, lintian without errors and warnings" $?
[ "$failed" -eq 0 ] || { cat "$out.log"; finish; exit 1; }
package=$(ls "$out"/cyclotrim_*.deb)
dpkg-deb -c "$package" | awk '{print $6}' >"$out/files"
for file in ./usr/bin/cyclotrim ./usr/bin/cyclotrim-gen ./usr/share/applications/cyclotrim.desktop \
    ./usr/share/man/man1/cyclotrim.1.gz ./usr/share/man/man1/cyclotrim-gen.1.gz \
    ./usr/share/metainfo/org.cyclotrim.Cyclotrim.metainfo.xml ./usr/share/doc/cyclotrim/copyright \
    ./usr/share/icons/hicolor/16x16/apps/cyclotrim.png ./usr/share/icons/hicolor/32x32/apps/cyclotrim.png \
    ./usr/share/icons/hicolor/256x256/apps/cyclotrim.png ./usr/share/icons/hicolor/scalable/apps/cyclotrim.svg; do
    grep -qx "$file" "$out/files"; check "holds $file" $?
done
dpkg-deb -f "$package" Depends | grep -q libgtkmm-3.0; check "depends on gtkmm" $?
# The companion's manual page is its --help: an option added there shows here.
dpkg-deb --fsys-tarfile "$package" | tar -xO ./usr/share/man/man1/cyclotrim-gen.1.gz | gzip -d |
    grep -q -- 'subroutine'; check "the companion's manual page lists --subroutine" $?

finish
