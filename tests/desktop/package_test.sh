#!/bin/sh
# SPDX-License-Identifier: MIT
# The Debian packages, built the Debian way by scripts/build-deb from a tree
# in which git finds no repository, as in an unpacked release tarball, by a
# builder whose umask lets no one else read:
# - the source package holds the files git knows, each readable by all, and
#   an autopkgtest; lintian finds no error and no warning in it nor in the
#   binary packages;
# - cyclotrim holds the window, its manual page, the desktop entry, the
#   AppStream metadata, the icons and NEWS, depends on the toolkit and
#   recommends the companion; cyclotrim-gen holds the companion, its manual
#   page, its bash completion, NEWS and the examples, and depends on the C
#   and C++ runtime alone;
# - each manual page renders without a warning and without a hyphenated
#   word, has the sections a reader expects, lists every option of --help
#   as an option, and shows its examples one a line, each with a line that
#   says what it does;
# - the completion offers every option of --help, the values of an option
#   and register names in a list;
# - the autopkgtest passes on the examples and the companion of the
#   packages.
# Usage: package_test.sh SOURCE_FOLDER OUTPUT_FOLDER
set -u
source=$1 out=$2
. "$(dirname "$0")/checks.sh"

mkdir -p "$(dirname "$out")"
(umask 077 && GIT_DIR=/nonexistent "$source/scripts/build-deb" "$out") >"$out.log" 2>&1
check "source and binary packages built without git, lintian without errors and warnings" $?
[ "$failed" -eq 0 ] || { cat "$out.log"; finish; exit 1; }

# dpkg-source leaves out git's own files, such as .gitignore.
tar -tJf "$out"/cyclotrim_*.tar.xz | sed 's|^[^/]*/||; /\/$/d; /^$/d' | sort >"$out/source-files"
git -C "$source" ls-files --cached --others --exclude-standard | grep -v '\(^\|/\)\.git[a-z]*$' | sort |
    cmp -s - "$out/source-files"
check "the source package holds the files git knows" $?
[ -z "$(tar -tvJf "$out"/cyclotrim_*.tar.xz | awk '$1 !~ /^.r..r..r/')" ]
check "every file of the source package is readable by all" $?
grep -q '^Testsuite: autopkgtest$' "$out"/cyclotrim_*.dsc; check "the source package has an autopkgtest" $?

window=$(ls "$out"/cyclotrim_*_*.deb) companion=$(ls "$out"/cyclotrim-gen_*_*.deb)
dpkg-deb -c "$window" | awk '{print $6}' | grep -v '/$' | sort >"$out/window-files"
sort >"$out/window-expected" <<'FILES'
./usr/bin/cyclotrim
./usr/share/applications/cyclotrim.desktop
./usr/share/doc/cyclotrim/NEWS.gz
./usr/share/doc/cyclotrim/changelog.gz
./usr/share/doc/cyclotrim/copyright
./usr/share/icons/hicolor/128x128/apps/cyclotrim.png
./usr/share/icons/hicolor/16x16/apps/cyclotrim.png
./usr/share/icons/hicolor/256x256/apps/cyclotrim.png
./usr/share/icons/hicolor/32x32/apps/cyclotrim.png
./usr/share/icons/hicolor/48x48/apps/cyclotrim.png
./usr/share/icons/hicolor/64x64/apps/cyclotrim.png
./usr/share/icons/hicolor/scalable/apps/cyclotrim.svg
./usr/share/man/man1/cyclotrim.1.gz
./usr/share/metainfo/org.cyclotrim.Cyclotrim.metainfo.xml
FILES
cmp -s "$out/window-expected" "$out/window-files"; check "cyclotrim holds the window and its files" $?
dpkg-deb -c "$companion" | awk '{print $6}' | grep -v '/$' | sort >"$out/companion-files"
{ printf '%s\n' ./usr/bin/cyclotrim-gen ./usr/share/bash-completion/completions/cyclotrim-gen \
    ./usr/share/doc/cyclotrim-gen/NEWS.gz ./usr/share/doc/cyclotrim-gen/changelog.gz \
    ./usr/share/doc/cyclotrim-gen/copyright ./usr/share/man/man1/cyclotrim-gen.1.gz \
    ./usr/lib/avr/include/cyclotrim/delay.h ./usr/share/avra/cyclotrim/delay.inc
  (cd "$source" && find examples -type f ! -name '.*' -printf './usr/share/doc/cyclotrim-gen/%p\n')
  (cd "$source/arduino" && find Cyclotrim -type f -printf './usr/share/arduino/libraries/%p\n')
  echo ./usr/share/arduino/libraries/Cyclotrim/src/cyclotrim/delay.h; } |
    sort | cmp -s - "$out/companion-files"
check "cyclotrim-gen holds the companion, its manual page, completion, NEWS, examples and Arduino library" $?

dpkg-deb -f "$window" Depends | grep -q libgtkmm-3.0; check "cyclotrim depends on gtkmm" $?
[ "$(dpkg-deb -f "$window" Recommends)" = "cyclotrim-gen (= $(dpkg-deb -f "$window" Version))" ]
check "cyclotrim recommends the companion of its version" $?
dpkg-deb -f "$companion" Depends | tr ',' '\n' | awk '{print $1}' | sort | tr '\n' ' ' >"$out/companion-depends"
[ "$(cat "$out/companion-depends")" = "libc6 libgcc-s1 libstdc++6 " ]
check "cyclotrim-gen depends on the C and C++ runtime alone: $(cat "$out/companion-depends")" $?

# The manual pages, as man shows them 80 columns wide.
rm -rf "$out/root"
dpkg-deb -x "$window" "$out/root" && dpkg-deb -x "$companion" "$out/root"
section() { # the lines of section $2 in the rendered page $1
    awk -v name="$2" '/^[A-Z][A-Z ]*$/ { inside = ($0 == name); next } inside' "$1"
}
for program_and_sections in \
    "cyclotrim-gen|NAME SYNOPSIS DESCRIPTION OPTIONS EXIT STATUS EXAMPLES AUTHORS REPORTING BUGS SEE ALSO" \
    "cyclotrim|NAME SYNOPSIS DESCRIPTION OPTIONS KEYBOARD EXIT STATUS EXAMPLES AUTHORS REPORTING BUGS SEE ALSO"; do
    program=${program_and_sections%%|*} sections=${program_and_sections#*|}
    page="$out/root/usr/share/man/man1/$program.1.gz" rendered="$out/$program.man"
    LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>"$out/$program.warnings" >/dev/null
    [ ! -s "$out/$program.warnings" ]; check "$program(1) renders without warnings" $?
    for width in 60 80; do LC_ALL=C.UTF-8 MANWIDTH=$width man -l "$page"; done 2>/dev/null | grep -q '‐$'
    [ $? -eq 1 ]; check "$program(1) breaks no word across lines" $?
    LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$page" >"$rendered" 2>/dev/null
    [ "$(grep -E '^[A-Z][A-Z ]*$' "$rendered" | tr '\n' ' ')" = "$sections " ]
    check "$program(1) has the sections $sections" $?

    # Every option line of --help, up to its description, is an option's tag.
    "$out/root/usr/bin/$program" --help >"$out/$program.help"
    section "$rendered" OPTIONS >"$out/$program.options"
    missing=$(sed -n 's/^ \{1,10\}\(-[^ ].*\)$/\1/p' "$out/$program.help" | sed 's/  .*//' |
        while read -r option; do
            awk -v tag="       $option" 'index($0, tag) == 1 && substr($0, length(tag) + 1, 1) ~ /^ ?$/ { found = 1 }
                END { exit !found }' "$out/$program.options" || echo "$option"
        done)
    [ -z "$missing" ]; check "$program(1) lists every option of --help as an option${missing:+; not: $missing}" $?

    # One example a line, in a shell's words: those of --help, if it has
    # some; below each, more indented, what it does.
    section "$rendered" EXAMPLES | sed '/^$/d' >"$out/$program.examples"
    sed -n 's/^  \$ /       $ /p' "$out/$program.help" >"$out/$program.help-examples"
    grep '^       \$ ' "$out/$program.examples" >"$out/$program.typed"
    if [ -s "$out/$program.help-examples" ]; then
        cmp -s "$out/$program.help-examples" "$out/$program.typed"
    else
        [ -s "$out/$program.typed" ] && ! grep -qv "^       \\\$ $program\\( \\|\$\\)" "$out/$program.typed"
    fi &&
        awk '/^       \$ / { bad = bad || typed; typed = 1; next } /^              [^ ]/ { typed = 0; next }
             { bad = 1 } END { exit bad || typed }' "$out/$program.examples"
    check "$program(1) shows its examples one a line, each with what it does" $?
done

# Completion as bash offers it for the words typed so far, the last one
# being completed.
complete_words() {
    bash -c '. /usr/share/bash-completion/bash_completion && . "$0"
        COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
        _cyclotrim_gen cyclotrim-gen 2>/dev/null; echo "${COMPREPLY[*]}"' \
        "$out/root/usr/share/bash-completion/completions/cyclotrim-gen" cyclotrim-gen "$@"
}
sed -n 's/^ \{1,10\}\(-[^ ].*\)$/\1/p' "$out/cyclotrim-gen.help" | sed 's/  .*//; s/, /\n/; s/=.*/=/; s/ .*//' |
    sort >"$out/help-options"
complete_words - | tr ' ' '\n' | sort | cmp -s "$out/help-options" -
check "bash completes every option of cyclotrim-gen --help" $?
[ "$(complete_words --core '')" = "avre avre22 avrxt avrxm avrrc" ] &&
    [ "$(complete_words -r R20,Z)" = "R20,ZL R20,ZH" ] && [ "$(complete_words --round n)" = nearest ]
check "bash completes the values of options and register names in a list" $?

PATH="$out/root/usr/bin:$PATH" CYCLOTRIM_EXAMPLES="$out/root/usr/share/doc/cyclotrim-gen/examples" \
    CYCLOTRIM_INCLUDE="$out/root/usr/lib/avr/include" \
    AUTOPKGTEST_TMP="$out/autopkgtest" sh -c 'rm -rf "$AUTOPKGTEST_TMP" && mkdir "$AUTOPKGTEST_TMP" &&
        "$0"/debian/tests/examples' "$source" >"$out/autopkgtest.log" 2>&1
check "the autopkgtest builds and times the packaged examples" $?

finish
