#!/usr/bin/env bash
# netns-sandbox.sh COMMAND [ARGS...]
#
# Runs COMMAND in a network namespace and a mount namespace of its own, so that
# whatever it does to network configuration never reaches this machine:
#   - interface orv0 (here) is one end of a veth pair; the other end, orv1, sits in a
#     second namespace named "peer" (run programs there with `ip netns exec peer ...`);
#   - /etc is a private copy-on-write overlay, with an /etc/resolv.conf of its own
#     ("search orvantis.test" and "nameserver 192.0.2.53");
#   - /run and /var/lib/dhcp are empty private tmpfs (with /run/lock and
#     /run/orv-netns-sandbox, which holds this network namespace's name), which hides this
#     machine's NetworkManager, systemd-resolved and DHCP client state and netsh's lock
#     from COMMAND.
# Everything is removed at the end, also when COMMAND fails: processes left in
# either namespace are killed by pid, the namespaces and the overlay go away.
# Exit code: COMMAND's, or 77 (skip) when namespaces cannot be made (not root).
set -euo pipefail

if [ "${ORV_SANDBOX_INNER:-}" != 1 ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "SKIP: network namespace tests need root (run as root or with sudo)"
        exit 77
    fi
    for tool in unshare ip; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
    done
    work=$(mktemp -d /tmp/orv-sandbox.XXXXXX)
    trap 'rm -rf "$work"' EXIT
    if ! unshare --net --mount --propagation private true 2>/dev/null; then
        echo "SKIP: this machine does not allow new network and mount namespaces"
        exit 77
    fi
    set +e
    ORV_SANDBOX_INNER=1 ORV_SANDBOX_WORK="$work" \
        unshare --net --mount --propagation private --fork "$0" "$@"
    status=$?
    exit $status
fi

# ---- inside the namespaces ----
work=$ORV_SANDBOX_WORK
own_ns=$(readlink /proc/self/ns/net)

teardown() {
    local peer_ns=""
    [ -e /run/netns/peer ] && peer_ns=$(ip netns exec peer readlink /proc/self/ns/net 2>/dev/null || true)
    for proc in /proc/[0-9]*; do
        local pid=${proc#/proc/}
        [ "$pid" = $$ ] || [ "$pid" = "$PPID" ] && continue
        local ns
        ns=$(readlink "$proc/ns/net" 2>/dev/null) || continue
        if [ "$ns" = "$own_ns" ] || { [ -n "$peer_ns" ] && [ "$ns" = "$peer_ns" ]; }; then
            kill -KILL "$pid" 2>/dev/null || true
        fi
    done
    ip netns del peer 2>/dev/null || true
}
trap teardown EXIT

mount -t tmpfs orv-run /run
mkdir -m 1777 /run/lock
# Names this namespace, so that netsh's test-only kill switch knows it runs in a sandbox.
readlink /proc/self/ns/net >/run/orv-netns-sandbox
[ -d /var/lib/dhcp ] && mount -t tmpfs orv-dhcp /var/lib/dhcp
mkdir -p "$work/upper" "$work/overlay-work"
mount -t overlay orv-etc -o "lowerdir=/etc,upperdir=$work/upper,workdir=$work/overlay-work" /etc
rm -f /etc/resolv.conf
printf 'search orvantis.test\nnameserver 192.0.2.53\n' > /etc/resolv.conf

ip link set lo up
ip netns add peer
ip link add orv0 type veth peer name orv1
ip link set orv1 netns peer
ip link set orv0 up
ip -n peer link set lo up
ip -n peer link set orv1 up

set +e
"$@"
