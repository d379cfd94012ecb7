#!/bin/sh
# SPDX-License-Identifier: MIT
# The real program driven as a person drives it, with pointer and keyboard
# only: type a count at once and press Enter; then type a count, pick
# registers from the lists, Start, Copy; then the time path; then Clear,
# Copy and Exit. Then once more with the keyboard alone, in a locale that
# writes a decimal comma: Tab to every picker, Copy and Clear, Enter in a
# picker and in the clock entry, Ctrl+Q. The clipboard, read by xclip, must
# hold what cyclotrim-gen writes for the same inputs.
# Usage: e2e_test.sh CYCLOTRIM CYCLOTRIM_GEN ARTEFACT_FOLDER
set -u
program=$1 generator=$2 artefacts=$3
rm -rf "$artefacts" && mkdir -p "$artefacts"
. "$(dirname "$0")/checks.sh"

# Waits up to 5 s for a command to succeed.
wait_until() {
    for _ in $(seq 100); do
        "$@" && return 0
        sleep 0.05
    done
    return 1
}

shot() { import -window "$window" "$artefacts/$1.png" 2>/dev/null || true; }

starts_done() { [ "$(grep -c '^Cmax: ' "$artefacts/stdout")" -ge "$1" ]; }

clipboard_is() { xclip -o -selection clipboard 2>/dev/null | cmp -s - "$1"; }

visible_windows() { xdotool search --onlyvisible --name '' 2>/dev/null | sort; }

# Clicks a combo's arrow at (X, Y) of the window and then item INDEX of the
# COUNT items in the list that pops up.
pick_from_list() {
    before=$(visible_windows)
    xdotool mousemove --window "$window" "$1" "$2" click 1
    popup=""
    for _ in $(seq 100); do
        popup=$(visible_windows | grep -vxF "$before" | while read -r w; do
            h=$(xdotool getwindowgeometry "$w" | sed -n 's/.*Geometry: [0-9]*x\([0-9]*\).*/\1/p')
            [ "${h:-0}" -gt 100 ] && echo "$w"
        done | head -n 1)
        [ -n "$popup" ] && break
        sleep 0.05
    done
    [ -n "$popup" ] || { echo "FAIL no list popped up at $1,$2"; failed=$((failed + 1)); return; }
    height=$(xdotool getwindowgeometry "$popup" | sed -n 's/.*Geometry: [0-9]*x\([0-9]*\).*/\1/p')
    xdotool mousemove --window "$popup" 20 $(( (2 * $3 + 1) * height / (2 * $4) )) click 1
    wait_until sh -c "! xdotool search --onlyvisible --name '' 2>/dev/null | grep -qx $popup"
}

export NO_AT_BRIDGE=1
"$program" >"$artefacts/stdout" 2>"$artefacts/stderr" &
pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^AVR Cyclotrim$' | head -n 1)
[ -n "$window" ] || { echo "FAIL no window"; exit 1; }
xdotool windowfocus --sync "$window" 2>/dev/null || true
shot 01-started

# Keyboard only: the count goes into cycles without a click, Enter is Start.
xdotool type --delay 30 1000
xdotool key Return
wait_until starts_done 1; check "Enter right after start-up wrote a listing" $?
shot 01-enter
xdotool mousemove --window "$window" 107 45 click 1

# Cycles: type a count, pick R20, R22 and R19, Start, Copy.
xdotool mousemove --window "$window" 150 85 click 1 key ctrl+a type --delay 30 123456
pick_from_list 292 45 4 8   # R20 for WL0
pick_from_list 387 45 6 9   # R22 for WL1 (the list ends with an empty item)
pick_from_list 481 45 3 8   # R19 for WL2
shot 02-cycles-typed
xdotool mousemove --window "$window" 37 45 click 1
wait_until starts_done 2; check "Start wrote a listing" $?
"$generator" -r R20,R22,R19 123456 >"$artefacts/expected-1"
xdotool mousemove --window "$window" 175 45 click 1
wait_until clipboard_is "$artefacts/expected-1"; check "Copy holds the generator's listing for 123456" $?
shot 03-cycles-listing

# Time: select Time, type a time, pick 8.000 MHz, Start, Copy.
xdotool mousemove --window "$window" 13 118 click 1
xdotool mousemove --window "$window" 150 118 click 1 type --delay 30 0.0125
pick_from_list 225 152 7 12
shot 04-time-typed
xdotool mousemove --window "$window" 37 45 click 1
wait_until starts_done 3; check "Start wrote the time listing" $?
{ cat "$artefacts/expected-1"; "$generator" -r R20,R22,R19 100000; } >"$artefacts/expected-2"
xdotool mousemove --window "$window" 175 45 click 1
wait_until clipboard_is "$artefacts/expected-2"; check "Copy holds both listings in order" $?
shot 05-time-listing

# Clear, then Copy takes the cleared listings off the clipboard.
xdotool mousemove --window "$window" 107 45 click 1
xdotool mousemove --window "$window" 175 45 click 1
shot 06-cleared
wait_until clipboard_is /dev/null; check "Copy of an empty buffer takes the cleared listings off it" $?

# One click on Exit ends the program with status 0.
xdotool mousemove --window "$window" 20 12 click 1
wait_until sh -c "! kill -0 $pid 2>/dev/null"; check "one click on Exit quits" $?
kill "$pid" 2>/dev/null
wait "$pid"; check "exit status 0" $?

printf '%s\n' "cycles=1000" "max_registers= 1" "=>Cmax=765, r[0]=255 r[1]=0 r[2]=0, max_regs=1" \
  "Cmax: 78" "cycles=123456" "max_registers= 2" "=>Cmax=123444, r[0]=161 r[1]=254 r[2]=0, max_regs=2" \
  "Cmax: 4" "cycles=100000" "max_registers= 2" "=>Cmax=99990, r[0]=164 r[1]=202 r[2]=0, max_regs=2" \
  "Cmax: 3" >"$artefacts/expected-stdout"
cmp -s "$artefacts/stdout" "$artefacts/expected-stdout"; check "diagnostic lines" $?
[ "$failed" -eq 0 ] || { echo "--- stdout:"; cat "$artefacts/stdout"; echo "--- stderr:"; cat "$artefacts/stderr"; }

# Keyboard alone, with a decimal comma. From the cycle count, Tab goes
# through time, clock, its list button, the listing, Start, Clear, Copy and
# then each picker's entry and list button.
LC_ALL=de_DE.UTF-8 "$program" >"$artefacts/keys-stdout" 2>"$artefacts/keys-stderr" &
pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^AVR Cyclotrim$' | head -n 1)
[ -n "$window" ] || { echo "FAIL no window in the comma locale"; exit 1; }
xdotool windowfocus --sync "$window" 2>/dev/null || true
keys_done() { grep -qx "cycles=$1" "$artefacts/keys-stdout"; }
xdotool type --delay 30 20000000
xdotool key --delay 40 Tab Tab Tab Tab Tab Tab Tab Tab ctrl+a type --delay 30 R20
xdotool key --delay 40 Tab Tab ctrl+a type --delay 30 R21
xdotool key --delay 40 Tab Tab ctrl+a type --delay 30 R22
shot 07-keys-pickers
xdotool key Return
wait_until keys_done 20000000; check "Enter in a picker wrote a listing" $?
# Back with Shift+Tab past the pickers to Copy, then to Clear.
xdotool key --delay 40 shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab space
"$generator" -r R20,R21,R22 20000000 >"$artefacts/expected-keys-1"
wait_until clipboard_is "$artefacts/expected-keys-1"; check "Tab reached every picker and Copy" $?
xdotool key --delay 40 shift+Tab space
# On to the radio buttons, Time by the arrow key, a time and the clock
# written with points although the locale writes commas; Enter in the clock.
xdotool key --delay 40 Tab Tab Tab Tab Tab Tab Tab Tab Down Tab
xdotool type --delay 30 0.001
xdotool key --delay 40 Tab ctrl+a type --delay 30 7.3728
shot 08-keys-time
xdotool key Return
wait_until keys_done 7372; check "7.3728 MHz for 0.001 s is 7372 cycles with a decimal comma" $?
# From the clock past its list button and the listing round to the toolbar.
xdotool key --delay 40 Tab Tab Tab Tab Tab space
"$generator" -r R20,R21,R22 7372 >"$artefacts/expected-keys-2"
wait_until clipboard_is "$artefacts/expected-keys-2"; check "Clear emptied the buffer before the time listing" $?
shot 09-keys-copied
xdotool key ctrl+q
wait_until sh -c "! kill -0 $pid 2>/dev/null"; check "Ctrl+Q quits" $?
kill "$pid" 2>/dev/null
wait "$pid"; check "exit status 0 after Ctrl+Q" $?
[ "$failed" -eq 0 ] || { echo "--- stdout:"; cat "$artefacts/keys-stdout"; echo "--- stderr:"; cat "$artefacts/keys-stderr"; }

finish
