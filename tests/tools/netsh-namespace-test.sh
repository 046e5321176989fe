#!/usr/bin/env bash
# netsh-namespace-test.sh PATH/TO/netsh
#
# Runs netsh for real inside netns-sandbox.sh (a network and mount namespace of its
# own; nothing reaches this machine's network) and checks with ip and the private
# /etc/resolv.conf that it did exactly what it was asked, and nothing on bad input.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
if [ "${ORV_SANDBOX_INNER:-}" != 1 ]; then
    exec "$here/netns-sandbox.sh" "$0" "$@"
fi

netsh=$1
passed=0
failed=0

pass() { passed=$((passed + 1)); echo "ok: $1"; }
fail() { failed=$((failed + 1)); echo "FAILED: $1"; }

# The namespace's whole IPv4 configuration and DNS, for before/after comparisons.
snapshot() {
    ip -4 -o addr show dev orv0 | awk '{print $4}'
    ip -4 route show
    cat /etc/resolv.conf
}

addresses() { ip -4 -o addr show dev orv0 | awk '{print $4}'; }
default_routes() { ip -4 route show default; }
nameservers() { awk '$1 == "nameserver" {print $2}' /etc/resolv.conf; }

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
    if err=$("$netsh" "$@" 2>&1); then
        pass "$name: exit 0"
    else
        fail "$name: exit non-zero: $err"
    fi
}

# rejected NAME ARGS...: netsh must exit 1 with one line and leave everything as it was
rejected() {
    local name=$1
    shift
    local before after err status
    before=$(snapshot)
    err=$("$netsh" "$@" 2>&1)
    status=$?
    after=$(snapshot)
    if [ $status -ne 1 ]; then
        fail "$name: exit $status, expected 1 ($err)"
    elif [ -z "$err" ] || [ "$(printf '%s\n' "$err" | wc -l)" -ne 1 ]; then
        fail "$name: expected one line of output, got [$err]"
    elif [ "$before" != "$after" ]; then
        fail "$name: configuration changed: [$before] -> [$after]"
    else
        pass "$name: rejected with \"$err\", nothing changed"
    fi
}

# ---- static address -------------------------------------------------------------
# Exactly the argv the program's runner makes of its static address line.
run_ok "static address" interface ip set address orv0 static 10.99.0.5 255.255.255.0 10.99.0.1 1
expect_equal "static address: address" "$(addresses)" "10.99.0.5/24"
expect_equal "static address: default route" "$(default_routes)" "default via 10.99.0.1 dev orv0 metric 1 "

run_ok "tagged form, other case" INTERFACE Ip SET Address name=orv0 source=STATIC address=10.99.1.6 \
    mask=255.255.0.0 gateway=10.99.0.1 gwmetric=7
expect_equal "tagged form: old address replaced" "$(addresses)" "10.99.1.6/16"
expect_equal "tagged form: default route replaced" "$(default_routes)" "default via 10.99.0.1 dev orv0 metric 7 "

# ---- bad input: nothing changes ---------------------------------------------------
rejected "unknown interface" interface ip set address orv9 static 10.99.0.5 255.255.255.0 10.99.0.1 1
rejected "address not dotted decimal" interface ip set address orv0 static 10.99.0.300 255.255.255.0 10.99.0.1 1
rejected "mask not dotted decimal" interface ip set address orv0 static 10.99.0.5 255.255.255 10.99.0.1 1
rejected "mask not contiguous" interface ip set address orv0 static 10.99.0.5 255.0.255.0 10.99.0.1 1
rejected "empty gateway (1 shifted into its place)" interface ip set address orv0 static 10.99.0.5 255.255.255.0 1
rejected "unknown keyword" interface ip set address orv0 static 10.99.0.5 255.255.255.0 10.99.0.1 1 colour=blue
rejected "unknown command" interface ip set adress orv0 static 10.99.0.5 255.255.255.0 10.99.0.1 1
rejected "empty DNS server (primary shifted into its place)" interface ip set dns orv0 static primary
rejected "DNS from DHCP without a lease" interface ip set dns orv0 dhcp
# The kernel refuses a gateway outside the new subnet half-way through: the address
# that was already replaced must come back.
rejected "gateway unreachable: rolled back" interface ip set address orv0 static 10.99.2.5 255.255.255.0 10.50.0.1 1

# ---- static DNS ------------------------------------------------------------------
run_ok "static DNS" interface ip set dns orv0 static 10.99.0.53 primary
expect_equal "static DNS: nameservers" "$(nameservers)" "10.99.0.53"
expect_equal "static DNS: other lines kept" "$(grep -c '^search orvantis.test$' /etc/resolv.conf)" "1"

# ---- DHCP, served by dnsmasq in the peer namespace --------------------------------
if ! command -v dhclient >/dev/null && ! command -v dhcpcd >/dev/null && ! command -v udhcpc >/dev/null; then
    echo "SKIP: DHCP cases: no DHCP client (dhclient, dhcpcd or udhcpc) is installed"
elif ! command -v dnsmasq >/dev/null; then
    echo "SKIP: DHCP cases: dnsmasq is not installed"
else
    work=$(mktemp -d)
    ip -n peer addr add 10.98.0.1/24 dev orv1
    ip netns exec peer dnsmasq --keep-in-foreground --conf-file=/dev/null --port=0 --no-resolv --no-hosts \
        --interface=orv1 --bind-interfaces --dhcp-range=10.98.0.100,10.98.0.150,255.255.255.0,1h \
        --dhcp-option=option:router,10.98.0.1 --dhcp-option=option:dns-server,10.98.0.53 \
        --dhcp-leasefile="$work/leases" --pid-file="$work/dnsmasq.pid" --user=root &
    for _ in $(seq 50); do [ -s "$work/dnsmasq.pid" ] && break; sleep 0.1; done

    run_ok "DHCP address" interface ip set address orv0 dhcp
    got=$(addresses)
    if [[ "$got" =~ ^10\.98\.0\.1([0-4][0-9]|50)/24$ ]]; then
        pass "DHCP address: $got is from the server's range"
    else
        fail "DHCP address: got [$got], expected one address in 10.98.0.100-150/24"
    fi
    expect_equal "DHCP address: default route from the server" "$(default_routes | awk '{print $1, $2, $3}')" \
        "default via 10.98.0.1"

    run_ok "static DNS over DHCP" interface ip set dns orv0 static 10.99.0.53 primary
    expect_equal "static DNS over DHCP: nameservers" "$(nameservers)" "10.99.0.53"
    run_ok "DHCP DNS" interface ip set dns orv0 dhcp
    expect_equal "DHCP DNS: nameservers from the lease" "$(nameservers)" "10.98.0.53"

    run_ok "static after DHCP" interface ip set address orv0 static 10.98.0.5 255.255.255.0 10.98.0.1 1
    expect_equal "static after DHCP: address" "$(addresses)" "10.98.0.5/24"
    expect_equal "static after DHCP: default route" "$(default_routes)" "default via 10.98.0.1 dev orv0 metric 1 "
    if [ -s /run/dhclient.orv0.pid ] && kill -0 "$(cat /run/dhclient.orv0.pid)" 2>/dev/null; then
        fail "static after DHCP: the DHCP client still runs"
    else
        pass "static after DHCP: the DHCP client was stopped"
    fi
    rm -rf "$work"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
