#!/usr/bin/env bash
# netsh-nm-test.sh PATH/TO/netsh NMDIR
#
# netsh against a real NetworkManager, inside nm-sandbox.sh (nothing reaches this
# machine's network or its NetworkManager; NMDIR is where the sandbox keeps the unpacked
# network-manager package). Every case is read back from NetworkManager (nmcli), the kernel
# (ip) and the sandbox's /etc/resolv.conf. Skipped (77, with the reason) where the
# sandbox cannot run.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
if [ "${ORV_NM_INNER:-}" != 1 ]; then
    [ $# -eq 2 ] || { echo "usage: $0 PATH/TO/netsh NMDIR" >&2; exit 2; }
    exec "$here/nm-sandbox.sh" "$2" "$0" "$(realpath "$1")"
fi

netsh=$1
# shellcheck source=netsh-checks.sh
. "$here/netsh-checks.sh"

uuid=$(nmcli -g connection.uuid connection show id "Wired connection 1")
settings() {
    nmcli -g ipv4.method,ipv4.addresses,ipv4.gateway,ipv4.route-metric,ipv4.dns,ipv4.ignore-auto-dns \
        connection show uuid "$uuid" | paste -sd '|'
}
addresses() { ip -4 -o addr show dev orv0 | awk '{print $4}'; }
dynamic_addresses() { ip -4 -o addr show dev orv0 | grep -c dynamic; }
# "via GATEWAY metric N" for each default route
default_routes() {
    ip -4 route show default | awk '{for (i = 1; i < NF; i++) if ($i == "via" || $i == "metric") printf "%s %s ", $i, $(i + 1); print ""}'
}
nameservers() { awk '$1 == "nameserver" {print $2}' /etc/resolv.conf | paste -sd ' '; }

# The profile, the kernel and resolv.conf: what a refused line must leave as it was.
snapshot() {
    settings
    ip -4 -o addr show dev orv0 | awk '{print $4}'
    ip -4 route show
    nameservers
}

# The profile gives up DHCP after 5 s and has no IPv6, so that a DHCP line without a
# server fails soon and an IPv6 setup cannot make it count as connected.
nmcli connection modify uuid "$uuid" ipv4.dhcp-timeout 5 ipv6.method disabled
nmcli connection up uuid "$uuid" >/dev/null

# ---- static DNS in place of DHCP's ------------------------------------------------
run_ok "static DNS over DHCP's" interface ip set dns "Wired connection 1" static 10.99.0.53 primary
expect_equal "static DNS over DHCP's: profile" "$(settings)" "auto|||-1|10.99.0.53|yes"
expect_equal "static DNS over DHCP's: resolv.conf" "$(nameservers)" "10.99.0.53"
expect_equal "static DNS over DHCP's: the DHCP address stays" "$(dynamic_addresses)" "1"

# ---- static address, mask, gateway and metric on "Wired connection 1" --------------
run_ok "static address" interface ip set address "Wired connection 1" static 10.98.0.5 255.255.255.0 10.98.0.1 1
expect_equal "static address: profile" "$(settings)" "manual|10.98.0.5/24|10.98.0.1|1|10.99.0.53|yes"
expect_equal "static address: kernel address" "$(addresses)" "10.98.0.5/24"
expect_equal "static address: default route" "$(default_routes)" "via 10.98.0.1 metric 1 "
expect_equal "static address: resolv.conf" "$(nameservers)" "10.99.0.53"

# ---- a run killed at each step: the next run puts the profile back -----------------------
# ORVANTIS_NETSH_TEST_KILL_AT=N kills netsh (SIGKILL) before its N-th action, and after the
# last one (the sandbox's /run/orv-nm-sandbox lets it work here). The next run on the
# connection, a DNS line, must first put back the settings the killed run found.
profile_before=$(settings | cut -d'|' -f1-4)
kernel_before=$(addresses)
for n in $(seq 1 10); do
    ORVANTIS_NETSH_TEST_KILL_AT=$n "$netsh" interface ip set address "Wired connection 1" static 10.98.0.77 \
        255.255.255.0 10.98.0.1 5 2>/dev/null
    status=$?
    if [ $status -ne 137 ]; then
        echo "NetworkManager: $((n - 1)) steps killed, then ended by itself (exit $status)"
        [ "$n" -gt 2 ] || fail "NetworkManager: the run was killed at only $((n - 1)) steps"
        "$netsh" interface ip set address "Wired connection 1" static 10.98.0.5 255.255.255.0 10.98.0.1 1
        break
    fi
    if ! err=$("$netsh" interface ip set dns "Wired connection 1" static 10.99.0.56 primary 2>&1); then
        fail "NetworkManager, killed at step $n: the next run failed: $err"
    elif [ "$(settings | cut -d'|' -f1-4)" != "$profile_before" ] || [ "$(addresses)" != "$kernel_before" ]; then
        fail "NetworkManager, killed at step $n: not put back: profile [$(settings)], kernel [$(addresses)]"
    elif [ "$(nameservers)" != "10.99.0.56" ]; then
        fail "NetworkManager, killed at step $n: the next run did not do its own work"
    else
        pass "NetworkManager, killed at step $n: the next run put the profile back"
    fi
done
"$netsh" interface ip set dns "Wired connection 1" static 10.99.0.53 primary

# ---- the interface's name stands for its active connection --------------------------
run_ok "interface name as NAME" interface ip set address orv0 static 10.98.0.6 255.255.0.0 10.98.0.1 7
expect_equal "interface name as NAME: profile" "$(settings)" "manual|10.98.0.6/16|10.98.0.1|7|10.99.0.53|yes"
expect_equal "interface name as NAME: kernel address" "$(addresses)" "10.98.0.6/16"

# With the connection down, the interface's name stands for the one profile bound to it.
nmcli connection down uuid "$uuid" >/dev/null
nmcli connection modify uuid "$uuid" connection.interface-name orv0
run_ok "interface name, connection down" interface ip set address orv0 static 10.98.0.16 255.255.255.0 10.98.0.1 1
expect_equal "interface name, connection down: kernel address" "$(addresses)" "10.98.0.16/24"

# ---- a name with blanks and non-ASCII letters ----------------------------------------
nmcli connection modify uuid "$uuid" connection.id "Büro LAN 2"
run_ok "name with blanks and umlaut" interface ip set address "Büro LAN 2" static 10.98.0.7 255.255.255.0 10.98.0.1 1
expect_equal "name with blanks and umlaut: kernel address" "$(addresses)" "10.98.0.7/24"
run_ok "name with blanks and umlaut, DNS" interface ip set dns "Büro LAN 2" static 10.99.0.54 primary
expect_equal "name with blanks and umlaut: resolv.conf" "$(nameservers)" "10.99.0.54"
nmcli connection modify uuid "$uuid" connection.id "Wired connection 1"

# ---- bad input: the profile, the kernel and resolv.conf stay as they were -----------------
expect="there is no NetworkManager connection named \"Wired connection 9\"" \
    rejected "unknown name" interface ip set address "Wired connection 9" static 10.98.0.8 255.255.255.0 10.98.0.1 1
expect="the default gateway is missing" \
    rejected "empty gateway" interface ip set address "Wired connection 1" static 10.98.0.8 255.255.255.0 1
expect="is not a valid subnet mask" \
    rejected "all-zero mask" interface ip set address "Wired connection 1" static 10.98.0.8 0.0.0.0 10.98.0.1 1
expect="broadcast address" \
    rejected "broadcast address" interface ip set address "Wired connection 1" static 10.98.0.255 255.255.255.0 10.98.0.1 1
expect="the DNS server address is missing" \
    rejected "empty DNS server" interface ip set dns "Wired connection 1" static primary
expect="unknown keyword" \
    rejected "unknown keyword" interface ip set address "Wired connection 1" static 10.98.0.8 255.255.255.0 10.98.0.1 1 x=y
expect="loopback interface" \
    rejected "loopback" interface ip set address lo static 10.98.0.8 255.255.255.0 10.98.0.1 1
expect="does not get its address by DHCP" \
    rejected "DNS from DHCP on a static profile" interface ip set dns "Wired connection 1" dhcp
nmcli connection add type ethernet ifname orv9 con-name "Wired connection 1" autoconnect no >/dev/null 2>&1
expect="2 NetworkManager connections are named \"Wired connection 1\"" \
    rejected "two profiles of one name" interface ip set address "Wired connection 1" static 10.98.0.8 255.255.255.0 10.98.0.1 1
nmcli connection delete uuid "$(nmcli -t -f NAME,UUID,DEVICE connection show | awk -F: -v u="$uuid" '$1 == "Wired connection 1" && $2 != u {print $2}')" >/dev/null

# ---- a user without NetworkManager's permission ----------------------------------------
run_as="setpriv --reuid=65534 --regid=65534 --clear-groups" expect="NetworkManager could not change the connection" \
    rejected "normal user" interface ip set address "Wired connection 1" static 10.98.0.8 255.255.255.0 10.98.0.1 1

# ---- DHCP for both from a static profile -----------------------------------------------
run_ok "DHCP address" interface ip set address "Wired connection 1" dhcp
run_ok "DHCP DNS" interface ip set dns "Wired connection 1" dhcp
expect_equal "DHCP: profile" "$(settings)" "auto|||-1||no"
got=$(addresses)
if [[ "$got" =~ ^10\.98\.0\.1([0-4][0-9]|50)/24$ ]] && [ "$(dynamic_addresses)" = 1 ]; then
    pass "DHCP: kernel address $got is the server's"
else
    fail "DHCP: kernel address [$got], expected one dynamic address in 10.98.0.100-150/24"
fi
expect_equal "DHCP: default route" "$(default_routes | awk '{print $1, $2}')" "via 10.98.0.1"
expect_equal "DHCP: resolv.conf" "$(nameservers)" "10.98.0.53"

# ---- static again, with nothing left of DHCP ---------------------------------------------
run_ok "static after DHCP" interface ip set address "Wired connection 1" static 10.98.0.9 255.255.255.0 10.98.0.1 1
run_ok "static DNS after DHCP" interface ip set dns "Wired connection 1" static 10.99.0.55 primary
expect_equal "static after DHCP: profile" "$(settings)" "manual|10.98.0.9/24|10.98.0.1|1|10.99.0.55|yes"
expect_equal "static after DHCP: kernel address" "$(addresses)" "10.98.0.9/24"
expect_equal "static after DHCP: no DHCP address" "$(dynamic_addresses)" "0"
expect_equal "static after DHCP: default route" "$(default_routes)" "via 10.98.0.1 metric 1 "
expect_equal "static after DHCP: no DHCP lease" "$(nmcli -g DHCP4 connection show uuid "$uuid")" ""
expect_equal "static after DHCP: resolv.conf" "$(nameservers)" "10.99.0.55"

# ---- no DHCP server: the address line is rolled back, the DNS line refused ---------------
kill "$(cat /run/orv-dnsmasq.pid)"
expect="NetworkManager could not activate the connection \"Wired connection 1\"" \
    rejected "DHCP without a server" interface ip set address "Wired connection 1" dhcp
if [[ "$last_error" == *"; the previous configuration was restored" ]]; then
    pass "DHCP without a server: says the previous configuration was restored"
else
    fail "DHCP without a server: [$last_error] does not say that the configuration was restored"
fi
expect="does not get its address by DHCP" \
    rejected "DNS from DHCP after the failed DHCP line" interface ip set dns "Wired connection 1" dhcp

finish
