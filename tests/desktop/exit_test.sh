#!/bin/sh
# SPDX-License-Identifier: MIT
# One real click on "Exit", a close request from the window manager, and F10
# then Enter on the keyboard each end the program with status 0 at once,
# listings in the buffer or not. The last run takes its display and window
# class from the toolkit's own options.
# Usage: exit_test.sh CYCLOTRIM SEND_CLOSE_REQUEST ARTEFACT_FOLDER
set -u
program=$1 send_close_request=$2 artefacts=$3
mkdir -p "$artefacts"
failures=0

# start_program NAME [COMMAND...] starts the program (or COMMAND, which
# starts it) and waits for its window; sets $pid and $window.
start_program() {
    name=$1
    shift
    [ "$#" -gt 0 ] || set -- "$program"
    "$@" >"$artefacts/$name.out" 2>"$artefacts/$name.err" &
    pid=$!
    window=$(timeout 20 xdotool search --sync --onlyvisible --name '^AVR Cyclotrim$' | head -n 1)
    [ -n "$window" ] || { echo "FAIL $name: no window"; exit 1; }
    xdotool windowfocus --sync "$window" 2>/dev/null || true
}

# Types a count, clicks Start and waits for the diagnostic lines.
write_a_listing() {
    xdotool mousemove --window "$window" 150 85 click 1 type --delay 20 "$2"
    xdotool mousemove --window "$window" 37 45 click 1
    for _ in $(seq 100); do
        grep -q "^Cmax: " "$artefacts/$1.out" && return 0
        sleep 0.05
    done
    echo "FAIL $1: Start printed no diagnostics"; failures=$((failures + 1))
}

# Waits up to 5 s for the program to end and checks its status.
expect_exit_zero() {
    for _ in $(seq 100); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    if kill -0 "$pid" 2>/dev/null; then
        echo "FAIL $1: still running"; kill "$pid"; failures=$((failures + 1)); return
    fi
    wait "$pid"; status=$?
    if [ "$status" -ne 0 ]; then
        echo "FAIL $1: status $status"; failures=$((failures + 1))
    elif grep -q -E "CRITICAL|WARNING" "$artefacts/$1.err"; then
        echo "FAIL $1: the toolkit complained"; cat "$artefacts/$1.err"; failures=$((failures + 1))
    else
        echo "ok $1"
    fi
}

start_program exit_click
write_a_listing exit_click 1000
import -window "$window" "$artefacts/exit_click.png" 2>/dev/null || true
xdotool mousemove --window "$window" 20 12 click 1
expect_exit_zero exit_click

start_program close_request
write_a_listing close_request 600000
"$send_close_request" "$window"
expect_exit_zero close_request

start_program close_empty
"$send_close_request" "$window"
expect_exit_zero close_empty

start_program keys env -u DISPLAY "$program" --display="$DISPLAY" --class=CyclotrimKeys
if ! xdotool search --class '^CyclotrimKeys$' | grep -qx "$window"; then
    echo "FAIL keys: --class did not name the window's class"; failures=$((failures + 1))
fi
write_a_listing keys 1000
xdotool key F10 Return
expect_exit_zero keys

echo "$((4 - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
