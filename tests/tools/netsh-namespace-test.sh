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

netsh=$(realpath "$1")

# shellcheck source=netsh-checks.sh
. "$here/netsh-checks.sh"

# The namespace's whole IPv4 configuration and DNS, for before/after comparisons.
snapshot() {
    ip -4 -o addr show dev orv0 | awk '{print $4}'
    ip -4 -o addr show dev lo | awk '{print $4}'
    ip -4 route show table all
    cat /etc/resolv.conf
}

addresses() { ip -4 -o addr show dev orv0 | awk '{print $4}'; }
default_routes() { ip -4 route show default; }
nameservers() { awk '$1 == "nameserver" {print $2}' /etc/resolv.conf; }

# ---- static address -------------------------------------------------------------
# Exactly the argv the program's runner makes of its static address line.
run_ok "static address" interface ip set address orv0 static 10.99.0.5 255.255.255.0 10.99.0.1 1
expect_equal "static address: address" "$(addresses)" "10.99.0.5/24"
expect_equal "static address: default route" "$(default_routes)" "default via 10.99.0.1 dev orv0 metric 1 "

run_ok "tagged form, other case" INTERFACE Ip SET Address orv0 source=STATIC address=10.99.1.6 \
    mask=255.255.0.0 gateway=10.99.0.1 gwmetric=7
expect_equal "tagged form: old address replaced" "$(addresses)" "10.99.1.6/16"
expect_equal "tagged form: default route replaced" "$(default_routes)" "default via 10.99.0.1 dev orv0 metric 7 "

# ---- bad input: nothing changes ---------------------------------------------------
rejected "unknown interface" interface ip set address orv9 static 10.99.0.5 255.255.255.0 10.99.0.1 1
rejected "address not dotted decimal" interface ip set address orv0 static 10.99.0.300 255.255.255.0 10.99.0.1 1
rejected "mask not dotted decimal" interface ip set address orv0 static 10.99.0.5 255.255.255 10.99.0.1 1
rejected "mask not contiguous" interface ip set address orv0 static 10.99.0.5 255.0.255.0 10.99.0.1 1
expect="the default gateway is missing" \
    rejected "empty gateway (1 shifted into its place)" interface ip set address orv0 static 10.99.0.5 255.255.255.0 1
expect="\"0.0.0.0\" is not a valid subnet mask" \
    rejected "all-zero mask" interface ip set address orv0 static 10.99.0.5 0.0.0.0 10.99.0.1 1
expect="network address" \
    rejected "network address as host" interface ip set address orv0 static 10.99.0.0 255.255.255.0 10.99.0.1 1
expect="broadcast address" \
    rejected "broadcast address as host" interface ip set address orv0 static 10.99.0.255 255.255.255.0 10.99.0.1 1
expect="the gateway's own address" \
    rejected "gateway's address as host" interface ip set address orv0 static 10.99.0.1 255.255.255.0 10.99.0.1 1
expect="loopback interface" \
    rejected "loopback interface" interface ip set address lo static 10.99.0.5 255.255.255.0 10.99.0.1 1
expect="loopback interface" rejected "loopback interface, DNS" interface ip set dns lo static 10.99.0.53 primary
# The program's quoted name in the first place is taken as it stands, also when it looks
# like a keyword form: no interface is called "name=orv0".
expect="no network interface named \"name=orv0\"" \
    rejected "quoted name that looks tagged" interface ip set address name=orv0 static 10.99.0.5 255.255.255.0 10.99.0.1 1
rejected "unknown keyword" interface ip set address orv0 static 10.99.0.5 255.255.255.0 10.99.0.1 1 colour=blue
rejected "unknown command" interface ip set adress orv0 static 10.99.0.5 255.255.255.0 10.99.0.1 1
rejected "empty DNS server (primary shifted into its place)" interface ip set dns orv0 static primary
rejected "DNS from DHCP without a lease" interface ip set dns orv0 dhcp
# The kernel refuses a gateway outside the new subnet half-way through: the address
# that was already replaced must come back.
expect="; the previous configuration was restored" \
    rejected "gateway unreachable: rolled back" interface ip set address orv0 static 10.99.2.5 255.255.255.0 10.50.0.1 1

# ---- the tools come from the system folders, never from PATH's "." -----------------
tooldir=$(mktemp -d)
printf '#!/bin/sh\ntouch %s/ran\nexit 0\n' "$tooldir" > "$tooldir/ip"
chmod +x "$tooldir/ip"
err=$(cd "$tooldir" && PATH=".:$PATH" "$netsh" interface ip set address orv0 static 10.99.0.6 255.255.255.0 10.99.0.1 1 2>&1)
if [ -e "$tooldir/ran" ]; then
    fail "PATH with .: netsh ran ./ip"
elif [ "$(addresses)" != "10.99.0.6/24" ]; then
    fail "PATH with .: the real ip did not apply the set ($err)"
else
    pass "PATH with .: the system's ip applied the set, ./ip never ran"
fi
rm -rf "$tooldir"

# ---- a stale DHCP client pid file names an unrelated process ------------------------
sleep 300 &
bystander=$!
echo "$bystander" > /run/dhclient.orv0.pid
echo "$bystander" > /run/udhcpc.orv0.pid
run_ok "stale pid file" interface ip set address orv0 static 10.99.0.7 255.255.255.0 10.99.0.1 1
if kill -0 "$bystander" 2>/dev/null; then
    pass "stale pid file: the unrelated process was not signalled"
else
    fail "stale pid file: netsh signalled the unrelated process $bystander"
fi
kill "$bystander" 2>/dev/null
wait "$bystander" 2>/dev/null
rm -f /run/dhclient.orv0.pid /run/udhcpc.orv0.pid

# ---- one run at a time --------------------------------------------------------------
lockdir=$(mktemp -d)
flock /run/lock/orvantis-netsh.lock -c "touch $lockdir/held; sleep 1; touch $lockdir/released" &
holder=$!
for _ in $(seq 50); do [ -e "$lockdir/held" ] && break; sleep 0.05; done
run_ok "lock held by another run" interface ip set address orv0 static 10.99.0.8 255.255.255.0 10.99.0.1 1
if [ -e "$lockdir/released" ]; then
    pass "lock held by another run: netsh waited for it"
else
    fail "lock held by another run: netsh changed the configuration while another run held the lock"
fi
wait "$holder"
rm -rf "$lockdir"

# Two runs side by side, again and again: each must exit 0 and the end state must be the
# one of the run that came last (never a mix, never one undoing the other).
mixed=0
for round in 1 2 3 4 5; do
    "$netsh" interface ip set address orv0 static 10.99.0.11 255.255.255.0 10.99.0.1 1 2>/dev/null &
    first=$!
    "$netsh" interface ip set address orv0 static 10.99.1.12 255.255.0.0 10.99.0.1 2 2>/dev/null &
    second=$!
    wait $first
    s1=$?
    wait $second
    s2=$?
    got="$(addresses) $(default_routes)"
    case "$got" in
    "10.99.0.11/24 default via 10.99.0.1 dev orv0 metric 1 " | "10.99.1.12/16 default via 10.99.0.1 dev orv0 metric 2 ") ;;
    *) mixed=$((mixed + 1)); echo "round $round: end state [$got]" ;;
    esac
    if [ $s1 -ne 0 ] || [ $s2 -ne 0 ]; then
        mixed=$((mixed + 1))
        echo "round $round: exit codes $s1 and $s2"
    fi
done
expect_equal "two runs side by side: every exit 0 and a whole set in place" "$mixed" 0

# ---- NetworkManager is recognised without starting nmcli ----------------------------
# Its folder outlives it: with no NetworkManager process, the interface is changed directly.
mkdir -p /run/NetworkManager
echo 999999 > /run/NetworkManager/NetworkManager.pid
run_ok "NetworkManager's folder, no NetworkManager" interface ip set address orv0 static 10.99.0.9 255.255.255.0 10.99.0.1 1
# A live process called NetworkManager (a copy of sleep): netsh takes the NetworkManager
# path, which cannot work here (no nmcli in the system folders, or no system bus in this
# private /run): one line, nothing changed.
fakedir=$(mktemp -d)
cp "$(command -v sleep)" "$fakedir/NetworkManager"
"$fakedir/NetworkManager" 300 &
fake_nm=$!
rm -f /run/NetworkManager/NetworkManager.pid
[ -x /usr/bin/nmcli ] || [ -x /usr/sbin/nmcli ] || [ -x /bin/nmcli ] || [ -x /sbin/nmcli ] ||
    expect="NetworkManager runs but nmcli is not installed"
rejected "a NetworkManager process runs" interface ip set address orv0 static 10.99.0.10 255.255.255.0 10.99.0.1 1
unset expect
kill "$fake_nm"
wait "$fake_nm" 2>/dev/null
rm -rf "$fakedir" /run/NetworkManager

# ---- routes of the interface that netsh did not make stay ------------------------------
run_ok "base for routes" interface ip set address orv0 static 10.60.0.5 255.255.255.0 10.60.0.1 1
ip route add 10.61.0.0/16 via 10.60.0.1 dev orv0
ip route add 10.62.0.0/16 via 10.60.0.1 dev orv0 metric 5 mtu lock 1400
ip route add default via 10.60.0.1 dev orv0 table 100
kept_routes() {
    ip -4 route show 10.61.0.0/16
    ip -4 route show 10.62.0.0/16
    ip -4 route show table 100
}
routes_before=$(kept_routes)
run_ok "other routes: apply" interface ip set address orv0 static 10.60.0.7 255.255.255.0 10.60.0.254 2
expect_equal "other routes: survive an apply" "$(kept_routes)" "$routes_before"
expect_equal "other routes: the default route is replaced" "$(default_routes)" \
    "default via 10.60.0.254 dev orv0 metric 2 "
expect="; the previous configuration was restored" \
    rejected "other routes: gateway typo" interface ip set address orv0 static 10.60.0.8 255.255.255.0 10.6.0.1 1
expect_equal "other routes: survive a failed apply" "$(kept_routes)" "$routes_before"
# A route whose gateway the new addresses cannot reach cannot be kept: the line fails,
# nothing is lost.
expect="via 10.60.0.1 table 100 cannot be kept with the new configuration (Nexthop has invalid gateway)" \
    rejected "other routes: gateway out of the new subnet" interface ip set address orv0 static 10.70.0.5 255.255.255.0 10.70.0.1 1
run_ok "other routes: DNS line" interface ip set dns orv0 static 10.60.0.53 primary
expect_equal "other routes: survive a DNS line" "$(kept_routes)" "$routes_before"

# ---- a run killed at each step: the next run puts back what it had changed -------------
# ORVANTIS_NETSH_TEST_KILL_AT=N makes netsh kill itself (SIGKILL) before its N-th action
# (and after the last one, before its journal is removed); it works only in a sandbox's
# network namespace. The next run on the interface, here a DNS line, must first put back
# the addresses and routes the killed run found, then do its own work.
resolv_before=$(cat /etc/resolv.conf)
address_state() {
    addresses
    ip -4 route show table all
}
state_before=$(address_state)
# kill_each_step NAME ARGS...: kills an address line at every step in turn.
kill_each_step() {
    local name=$1 n status err
    shift
    for n in $(seq 1 30); do
        err=$(ORVANTIS_NETSH_TEST_KILL_AT=$n "$netsh" "$@" 2>&1)
        status=$?
        if [ $status -ne 137 ]; then
            # The run got past its last step: it ended by itself.
            echo "$name: $((n - 1)) steps killed, then ended by itself (exit $status: $err)"
            [ "$n" -gt 3 ] || fail "$name: the run was killed at only $((n - 1)) steps"
            "$netsh" interface ip set address orv0 static 10.60.0.7 255.255.255.0 10.60.0.254 2
            break
        fi
        local after_kill
        after_kill=$(address_state)
        if ! err=$("$netsh" interface ip set dns orv0 static 10.60.0.54 primary 2>&1); then
            fail "$name, killed at step $n: the next run failed: $err"
        elif [ "$(address_state)" != "$state_before" ]; then
            fail "$name, killed at step $n: not put back: [$(address_state)] (after the kill: [$after_kill])"
        elif [ "$(nameservers)" != "10.60.0.54" ]; then
            fail "$name, killed at step $n: the next run did not do its own work"
        elif [ -e "/run/orvantis/netsh-orv0.journal" ]; then
            fail "$name, killed at step $n: the journal is still there"
        else
            pass "$name, killed at step $n: the next run put back what was there"
        fi
        printf '%s\n' "$resolv_before" >/etc/resolv.conf
    done
}
kill_each_step "static address" interface ip set address orv0 static 10.60.0.9 255.255.255.0 10.60.0.254 3
kill_each_step "gateway typo (rolled back)" interface ip set address orv0 static 10.60.0.9 255.255.255.0 10.6.0.1 3

# A DNS line killed before and after it wrote resolv.conf: the next run (an address line)
# puts the old file back.
for n in 1 2; do
    ORVANTIS_NETSH_TEST_KILL_AT=$n "$netsh" interface ip set dns orv0 static 10.60.0.55 primary 2>/dev/null
    status=$?
    run_ok "DNS line killed at step $n (exit $status): next run" \
        interface ip set address orv0 static 10.60.0.7 255.255.255.0 10.60.0.254 2
    expect_equal "DNS line killed at step $n: resolv.conf put back" "$(cat /etc/resolv.conf)" "$resolv_before"
done

# Killed again while it puts back what the first killed run left: the third run finishes.
ORVANTIS_NETSH_TEST_KILL_AT=4 "$netsh" interface ip set address orv0 static 10.60.0.9 255.255.255.0 10.60.0.254 3 2>/dev/null
ORVANTIS_NETSH_TEST_KILL_AT=3 "$netsh" interface ip set dns orv0 static 10.60.0.54 primary 2>/dev/null
status=$?
expect_equal "killed while putting back: killed" "$status" 137
run_ok "killed while putting back: the next run" interface ip set dns orv0 static 10.60.0.54 primary
expect_equal "killed while putting back: put back" "$(address_state)" "$state_before"
printf '%s\n' "$resolv_before" >/etc/resolv.conf

# A journal that is damaged, or in a folder others may write to, is never carried out.
printf 'orvantis-netsh-journal 1\ninterface orv0\nsetting address\naddress 10.66.0.1/24\n' \
    >/run/orvantis/netsh-orv0.journal
expect="its journal /run/orvantis/netsh-orv0.journal is damaged" \
    rejected "damaged journal" interface ip set address orv0 static 10.60.0.5 255.255.255.0 10.60.0.1 1
run_ok "damaged journal: the next run" interface ip set address orv0 static 10.60.0.5 255.255.255.0 10.60.0.1 1
chmod 0777 /run/orvantis
expect="is not a folder of this user closed to others" \
    rejected "journal folder open to others" interface ip set address orv0 static 10.60.0.6 255.255.255.0 10.60.0.1 1
chmod 0700 /run/orvantis
# The kill switch is dead where no sandbox names netsh's network namespace: without the
# mark, and with a mark that names another namespace.
mv /run/orv-netns-sandbox /run/orv-netns-sandbox.away
echo "net:[1]" >/run/orv-netns-sandbox
ORVANTIS_NETSH_TEST_KILL_AT=1 "$netsh" interface ip set address orv0 static 10.60.0.5 255.255.255.0 10.60.0.1 1
expect_equal "kill switch, the mark names another namespace: not killed" "$?" 0
rm /run/orv-netns-sandbox
ORVANTIS_NETSH_TEST_KILL_AT=1 "$netsh" interface ip set address orv0 static 10.60.0.5 255.255.255.0 10.60.0.1 1
expect_equal "kill switch without the sandbox's mark: not killed" "$?" 0
mv /run/orv-netns-sandbox.away /run/orv-netns-sandbox

ip route del 10.61.0.0/16 dev orv0
ip route del 10.62.0.0/16 dev orv0
ip route del default dev orv0 table 100

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
    dnsmasq_pid=$!
    for _ in $(seq 50); do [ -s "$work/dnsmasq.pid" ] && break; sleep 0.1; done
    # dhclient gives up after 5 s instead of 60 when no server answers (the sandbox's own /etc).
    [ -d /etc/dhcp ] && echo 'timeout 5;' >> /etc/dhcp/dhclient.conf

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
    # A DHCP line killed at each step: the next run stops the client the killed run may
    # have started and puts the static address back.
    static_state=$(address_state)
    for n in $(seq 1 10); do
        ORVANTIS_NETSH_TEST_KILL_AT=$n "$netsh" interface ip set address orv0 dhcp 2>/dev/null
        status=$?
        if [ $status -ne 137 ]; then
            echo "DHCP address: $((n - 1)) steps killed, then ended by itself (exit $status)"
            [ "$n" -gt 3 ] || fail "DHCP address: the run was killed at only $((n - 1)) steps"
            "$netsh" interface ip set address orv0 static 10.98.0.5 255.255.255.0 10.98.0.1 1
            break
        fi
        if ! err=$("$netsh" interface ip set dns orv0 static 10.99.0.53 primary 2>&1); then
            fail "DHCP address killed at step $n: the next run failed: $err"
        elif [ "$(address_state)" != "$static_state" ]; then
            fail "DHCP address killed at step $n: not put back: [$(address_state)]"
        elif [ -s /run/dhclient.orv0.pid ] && kill -0 "$(cat /run/dhclient.orv0.pid)" 2>/dev/null; then
            fail "DHCP address killed at step $n: the DHCP client still runs"
        else
            pass "DHCP address killed at step $n: the next run put the static address back"
        fi
    done

    # The lease file is still there, but no client runs: its servers are not in use.
    expect="no DHCP client runs on the interface" \
        rejected "DHCP DNS on a static address (stale lease)" interface ip set dns orv0 dhcp

    # No DHCP server at all: the address line fails and puts the static address back,
    # and the DNS line then fails too (nothing to take servers from); nothing changes.
    kill "$dnsmasq_pid"
    wait "$dnsmasq_pid" 2>/dev/null
    expect="; the previous configuration was restored" \
        rejected "DHCP address without a DHCP server" interface ip set address orv0 dhcp
    rejected "DHCP DNS without a DHCP server" interface ip set dns orv0 dhcp
    rm -rf "$work"
fi

finish
