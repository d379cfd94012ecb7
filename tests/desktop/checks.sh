# SPDX-License-Identifier: MIT
# Counting checks in the shell tests: check NAME RESULT prints "ok NAME" or
# "FAIL NAME" for an exit status RESULT; finish prints the tally and fails
# the test if any check failed.
passed=0 failed=0

check() {
    if [ "$2" -eq 0 ]; then echo "ok $1"; passed=$((passed + 1)); else echo "FAIL $1"; failed=$((failed + 1)); fi
}

finish() {
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}
