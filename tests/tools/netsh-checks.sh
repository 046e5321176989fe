# netsh-checks.sh: the checks that the netsh tests share (sourced, not run).
# The sourcing script sets $netsh and defines snapshot(), which prints everything that
# must stay as it was when netsh refuses a line. With run_as set (e.g. "setpriv
# --reuid=65534 ..."), netsh runs under that command.

passed=0
failed=0

pass() { passed=$((passed + 1)); echo "ok: $1"; }
fail() { failed=$((failed + 1)); echo "FAILED: $1"; }

# expect_equal NAME ACTUAL EXPECTED
expect_equal() {
    if [ "$2" = "$3" ]; then
        pass "$1"
    else
        fail "$1: got [$2], expected [$3]"
    fi
}

# run_ok NAME ARGS...: netsh must succeed
run_ok() {
    local name=$1
    shift
    local err
    # shellcheck disable=SC2086
    if err=$(${run_as:-} "$netsh" "$@" 2>&1); then
        pass "$name: exit 0"
    else
        fail "$name: exit non-zero: $err"
    fi
}

# rejected NAME ARGS...: netsh must exit 1 with one line and leave everything as it was.
# The line is left in $last_error; with expect=TEXT set, it must hold TEXT.
rejected() {
    local name=$1
    shift
    local before after err status
    before=$(snapshot)
    # shellcheck disable=SC2086
    err=$(${run_as:-} "$netsh" "$@" 2>&1)
    status=$?
    after=$(snapshot)
    last_error=$err
    if [ $status -ne 1 ]; then
        fail "$name: exit $status, expected 1 ($err)"
    elif [ -z "$err" ] || [ "$(printf '%s\n' "$err" | wc -l)" -ne 1 ]; then
        fail "$name: expected one line of output, got [$err]"
    elif [ "$before" != "$after" ]; then
        fail "$name: configuration changed: [$before] -> [$after]"
    elif [ -n "${expect:-}" ] && [[ "$err" != *"$expect"* ]]; then
        fail "$name: the line [$err] does not say [$expect]"
    else
        pass "$name: rejected with \"$err\", nothing changed"
    fi
}

# The closing line and exit code of a test script.
finish() {
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}
