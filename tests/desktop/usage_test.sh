#!/bin/sh
# SPDX-License-Identifier: MIT
# Usage errors of the window's program, answered without a display: status 2,
# the reason and the usage hint on standard error, nothing on standard output.
# The toolkit's own options are taken before anything is called an error.
# Usage: usage_test.sh CYCLOTRIM ARTEFACT_FOLDER
set -u
program=$1 artefacts=$2
mkdir -p "$artefacts"
. "$(dirname "$0")/checks.sh"

# expect_usage_error REASON ARGUMENT...
expect_usage_error() {
    reason=$1
    shift
    env -u DISPLAY "$program" "$@" >"$artefacts/out" 2>"$artefacts/err"
    status=$?
    printf "cyclotrim: %s\nTry 'cyclotrim --help' for more information.\n" "$reason" >"$artefacts/expected"
    [ "$status" -eq 2 ] && [ ! -s "$artefacts/out" ] && cmp -s "$artefacts/err" "$artefacts/expected"
    check "cyclotrim $*: status 2 ($status), $reason" $?
}

expect_usage_error "unknown option '--bogus'" --bogus
expect_usage_error "unknown option '--bogus'" --bogus=1
expect_usage_error "unknown option '-x'" -x
expect_usage_error "extra operand 'FILE'" FILE
expect_usage_error "extra operand 'FILE'" --class=Cyclotrim --name cyclotrim -- FILE

finish
