#!/usr/bin/env bash
# nm-sandbox.sh NMDIR COMMAND [ARGS...]
#
# Runs COMMAND beside a real NetworkManager that can touch nothing of this machine.
# NMDIR/root is Debian's network-manager package unpacked with `dpkg -x`; when it is not
# there yet, it is fetched with `apt-get download` and unpacked (never installed:
# installing it would start the service on this machine). Inside:
#   - new network, mount, UTS and PID namespaces: everything started here dies with the
#     sandbox's first process, and its mounts go with its mount namespace;
#   - /run and /var/lib are private tmpfs, /sys a fresh read-only sysfs of the new
#     network namespace (so NetworkManager does not wait for udev, which does not run),
#     /etc a copy-on-write overlay with NetworkManager's configuration and resolv.conf
#     of its own, /usr/bin and /usr/sbin overlaid with the unpacked nmcli and NetworkManager;
#   - a private system bus (dbus-daemon) with nothing to activate;
#   - NetworkManager --no-daemon: keyfile plugin, internal DHCP, rc-manager=file,
#     hostname-mode=none, requests from users other than root refused (no polkit), every
#     device unmanaged but orv0, one end of a veth pair whose other end, orv1, is in the
#     network namespace "peer" with dnsmasq serving DHCP (10.98.0.100-150/24, router
#     10.98.0.1, DNS server 10.98.0.53; its pid in /run/orv-dnsmasq.pid);
#   - COMMAND starts once NetworkManager has brought "Wired connection 1" up on orv0;
#     /run/orv-nm-sandbox holds the sandbox's network namespace ("net:[...]"), by which
#     a test knows that it runs here.
# Exit code: COMMAND's; 77 (skip, with the reason printed) where the sandbox cannot run.
# The whole run is bounded by ORV_NM_TIMEOUT seconds (default 240).
set -uo pipefail

skip() {
    echo "SKIP: $*"
    exit 77
}

if [ "${ORV_NM_INNER:-}" != 1 ]; then
    [ $# -ge 2 ] || { echo "usage: $0 NMDIR COMMAND [ARGS...]" >&2; exit 2; }
    [ "$(id -u)" -eq 0 ] || skip "the NetworkManager sandbox needs root (run as root or with sudo)"
    nmdir=$1
    shift
    if [ ! -x "$nmdir/root/usr/sbin/NetworkManager" ]; then
        command -v apt-get >/dev/null && command -v dpkg >/dev/null ||
            skip "apt-get and dpkg are needed to fetch network-manager"
        mkdir -p "$nmdir" || exit 1
        rm -rf "$nmdir/root" "$nmdir/unpack" "$nmdir"/network-manager_*.deb
        (cd "$nmdir" && timeout 120 apt-get download -q network-manager >/dev/null 2>&1) ||
            skip "cannot fetch network-manager with apt-get download (apt-get update first?)"
        dpkg -x "$nmdir"/network-manager_*.deb "$nmdir/unpack" && mv "$nmdir/unpack" "$nmdir/root" ||
            { echo "nm-sandbox: could not unpack network-manager into $nmdir"; exit 1; }
    fi
    nmroot=$(realpath "$nmdir/root")
    [ -x "$nmroot/usr/bin/nmcli" ] || skip "the unpacked network-manager in $nmdir has no nmcli"
    for tool in unshare ip dbus-daemon dnsmasq timeout mount; do
        command -v "$tool" >/dev/null || skip "$tool is not installed"
    done
    missing=$( (ldd "$nmroot/usr/sbin/NetworkManager"; ldd "$nmroot/usr/bin/nmcli") | awk '/not found/ {print $1}' | sort -u)
    [ -z "$missing" ] || skip "libraries NetworkManager needs are missing (scripts/install-deps installs them):" $missing
    unshare --net --mount --uts --pid --fork --kill-child --mount-proc --propagation private true 2>/dev/null ||
        skip "this machine does not allow new network, mount, UTS and PID namespaces"
    work=$(mktemp -d /tmp/orv-nm.XXXXXX)
    trap 'rm -rf "$work"' EXIT
    # When unshare ends, its child, the namespace's first process, is killed, and with it
    # every process of the namespace. At the time limit unshare is killed outright (it
    # holds SIGTERM back while it waits for its child).
    ORV_NM_INNER=1 ORV_NM_WORK="$work" ORV_NM_ROOT="$nmroot" \
        timeout --signal=KILL "${ORV_NM_TIMEOUT:-240}" \
        unshare --net --mount --uts --pid --fork --kill-child --mount-proc --propagation private "$0" "$@"
    status=$?
    [ $status -eq 137 ] && echo "nm-sandbox: stopped after ${ORV_NM_TIMEOUT:-240} s"
    exit $status
fi

# ---- inside: the namespaces' first process ----
set -e
work=$ORV_NM_WORK
nmroot=$ORV_NM_ROOT

hostname orv-sandbox
mount -t tmpfs orv-run /run
mkdir -m 1777 /run/lock
mkdir -p /run/dbus
mount -t sysfs -o ro orv-sys /sys
mount -t tmpfs orv-varlib /var/lib
mkdir -p /var/lib/NetworkManager

mkdir -p "$work/etc-upper" "$work/etc-work"
mount -t overlay orv-etc -o "lowerdir=/etc,upperdir=$work/etc-upper,workdir=$work/etc-work" /etc
rm -rf /etc/NetworkManager /etc/resolv.conf
mkdir -p /etc/NetworkManager/system-connections /etc/NetworkManager/conf.d
printf 'nameserver 192.0.2.53\n' >/etc/resolv.conf
cat >/etc/NetworkManager/NetworkManager.conf <<'EOF'
[main]
plugins=keyfile
dhcp=internal
dns=default
rc-manager=file
hostname-mode=none
auth-polkit=root-only

[keyfile]
unmanaged-devices=except:interface-name:orv0

[connectivity]
enabled=false
EOF

mount -t overlay orv-bin -o "lowerdir=$nmroot/usr/bin:/usr/bin" /usr/bin
mount -t overlay orv-sbin -o "lowerdir=$nmroot/usr/sbin:/usr/sbin" /usr/sbin

cat >"$work/system-bus.conf" <<'EOF'
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=/run/dbus/system_bus_socket</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_type="method_call"/>
    <allow send_type="signal"/>
    <allow send_type="method_return"/>
    <allow send_type="error"/>
    <allow receive_type="method_call"/>
    <allow receive_type="signal"/>
    <allow receive_type="method_return"/>
    <allow receive_type="error"/>
  </policy>
</busconfig>
EOF
dbus-daemon --config-file="$work/system-bus.conf" --nofork --nopidfile >"$work/dbus.log" 2>&1 &
for _ in $(seq 50); do [ -S /run/dbus/system_bus_socket ] && break; sleep 0.1; done
[ -S /run/dbus/system_bus_socket ] || { cat "$work/dbus.log"; echo "nm-sandbox: the system bus did not start"; exit 1; }

ip link set lo up
ip netns add peer
ip link add orv0 type veth peer name orv1
ip link set orv1 netns peer
ip -n peer link set lo up
ip -n peer addr add 10.98.0.1/24 dev orv1
ip -n peer link set orv1 up
ip netns exec peer dnsmasq --keep-in-foreground --conf-file=/dev/null --port=0 --no-resolv --no-hosts \
    --interface=orv1 --bind-interfaces --dhcp-range=10.98.0.100,10.98.0.150,255.255.255.0,1h \
    --dhcp-option=option:router,10.98.0.1 --dhcp-option=option:dns-server,10.98.0.53 \
    --dhcp-leasefile="$work/leases" --user=root >"$work/dnsmasq.log" 2>&1 &
echo $! >/run/orv-dnsmasq.pid

export ORV_NM_LOG="$work/NetworkManager.log"
NetworkManager --no-daemon --debug >"$ORV_NM_LOG" 2>&1 &

# Ready when "Wired connection 1" is up on orv0 with an address from the DHCP server.
ready=""
for _ in $(seq 300); do
    if nmcli -t -f GENERAL.STATE,IP4.ADDRESS device show orv0 2>/dev/null | grep -q '^IP4.ADDRESS\[1\]:10\.98\.0\.'; then
        ready=1
        break
    fi
    sleep 0.1
done
if [ -z "$ready" ]; then
    tail -n 30 "$ORV_NM_LOG"
    echo "nm-sandbox: NetworkManager did not bring orv0 up within 30 s"
    exit 1
fi

readlink /proc/self/ns/net >/run/orv-nm-sandbox
set +e
"$@"
