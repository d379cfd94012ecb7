#!/bin/sh
# The Debian package installs the program, the companion, the desktop entry
# and the icons, and depends on the toolkit it links.
# Usage: package_test.sh BUILD_FOLDER OUTPUT_FOLDER
set -eu
build=$1 out=$2
rm -rf "$out" && mkdir -p "$out"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 || { cat "$out/cpack.log"; exit 1; }
package=$(ls "$out"/*.deb)
dpkg-deb -c "$package" | awk '{print $6}' >"$out/files"
failures=0
for file in ./usr/bin/cyclotrim ./usr/bin/cyclotrim-gen ./usr/share/applications/cyclotrim.desktop \
    ./usr/share/icons/hicolor/16x16/apps/cyclotrim.png ./usr/share/icons/hicolor/32x32/apps/cyclotrim.png \
    ./usr/share/icons/hicolor/256x256/apps/cyclotrim.png ./usr/share/icons/hicolor/scalable/apps/cyclotrim.svg; do
  if grep -qx "$file" "$out/files"; then echo "ok $file"; else echo "FAIL missing $file"; failures=$((failures + 1)); fi
done
if dpkg-deb -f "$package" Depends | grep -q libgtkmm-3.0; then echo "ok depends on gtkmm"; else
  echo "FAIL no dependency on gtkmm: $(dpkg-deb -f "$package" Depends)"; failures=$((failures + 1)); fi
echo "$((8 - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
