#!/usr/bin/env bash
# netsh-unkind-parent-test.sh PATH/TO/unkindparent PATH/TO/netsh
#
# netsh started by a parent that ignores SIGCHLD and SIGPIPE and blocks every signal
# still waits for its tools and reports what they did: run for real inside
# netns-sandbox.sh (nothing reaches this machine's network).
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
if [ "${ORV_SANDBOX_INNER:-}" != 1 ]; then
    exec "$here/netns-sandbox.sh" "$0" "$@"
fi

unkind=$1
netsh=$2
failed=0

check() { # NAME ACTUAL EXPECTED
    if [ "$2" = "$3" ]; then
        echo "ok: $1"
    else
        echo "FAILED: $1: got [$2], expected [$3]"
        failed=1
    fi
}

err=$("$unkind" "$netsh" interface ip set address orv0 static 10.98.0.5 255.255.255.0 10.98.0.1 1 2>&1)
check "static address: exit code (output: $err)" "$?" 0
check "static address: address" "$(ip -4 -o addr show dev orv0 | awk '{print $4}')" "10.98.0.5/24"
check "static address: default route" "$(ip -4 route show default)" "default via 10.98.0.1 dev orv0 metric 1 "

err=$("$unkind" "$netsh" interface ip set dns orv0 static 10.98.0.53 primary 2>&1)
check "static DNS: exit code (output: $err)" "$?" 0
check "static DNS: name server" "$(awk '$1 == "nameserver" {print $2}' /etc/resolv.conf)" "10.98.0.53"

# A line that netsh refuses still ends with 1, not with a code from a lost wait.
err=$("$unkind" "$netsh" interface ip set address orv-missing dhcp 2>&1)
check "missing interface: exit code (output: $err)" "$?" 1

exit $failed
