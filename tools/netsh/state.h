#pragma once
// What netsh finds on the machine before it changes anything, and the pure readers
// of the tools' output that fill it.

#include "ipv4.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace netsh {

enum class Manager { NetworkManager, Iproute2 };
enum class Resolver { Resolved, ResolvConf };
enum class DhcpClient { None, Dhclient, Dhcpcd, Udhcpc };

struct DefaultRoute {
    Ipv4 gateway;
    std::optional<unsigned> metric;
    friend bool operator==(const DefaultRoute&, const DefaultRoute&) = default;
};

// A kernel interface's IPv4 configuration as iproute2 shows it.
struct InterfaceState {
    std::vector<std::string> addresses; // "a.b.c.d/prefix"
    std::vector<DefaultRoute> defaultRoutes;
    // Every other route through the interface that netsh keeps (not the main table's
    // default route it replaces, not the kernel's own, not a DHCP client's), each as the
    // arguments of `ip -4 route add ARGS dev IF`. The kernel drops them with the last address.
    std::vector<std::vector<std::string>> routes;
    friend bool operator==(const InterfaceState&, const InterfaceState&) = default;
};

// A NetworkManager connection's IPv4 settings, as nmcli gives them (and takes them back).
struct NmSettings {
    std::string method, addresses, gateway, routeMetric, dns, ignoreAutoDns;
    friend bool operator==(const NmSettings&, const NmSettings&) = default;
};

// The IPv4 state of an active NetworkManager connection.
struct NmActive {
    std::vector<std::string> addresses;
    std::string gateway;
    std::vector<std::string> dns;
};

// One NetworkManager profile, as `nmcli -t -f NAME,UUID,TYPE,DEVICE connection show` lists it
// (device empty when it is not active).
struct NmConnection {
    std::string name, uuid, type, device;
    friend bool operator==(const NmConnection&, const NmConnection&) = default;
};

struct Facts {
    Manager manager = Manager::Iproute2;
    Resolver resolver = Resolver::ResolvConf;
    DhcpClient dhcpClient = DhcpClient::None;
    std::optional<int> dhcpPid; // our kind of DHCP client running on the interface
    InterfaceState iface;
    NmSettings nm;
    std::string nmName; // the NetworkManager connection that NAME stands for
    std::string nmUuid; // and its UUID
    std::string resolvConfPath;
    std::string resolvConf;               // its contents
    std::vector<std::string> resolvedDns; // the link's servers in systemd-resolved
    std::vector<std::string> leaseDns;    // DNS servers of the interface's DHCP lease
};

// `ip -4 -o addr show dev IF`
std::vector<std::string> parseIpAddresses(std::string_view output);
// `ip -4 route show default dev IF`
std::vector<DefaultRoute> parseDefaultRoutes(std::string_view output);
// `ip -4 route show table all dev IF`: the routes netsh keeps (InterfaceState::routes).
std::vector<std::vector<std::string>> parseKeptRoutes(std::string_view output);
// `nmcli -g ipv4.method,ipv4.addresses,ipv4.gateway,ipv4.route-metric,ipv4.dns,ipv4.ignore-auto-dns ...`
NmSettings parseNmSettings(std::string_view output);
// `nmcli -g IP4.ADDRESS,IP4.GATEWAY,IP4.DNS ...`
NmActive parseNmActive(std::string_view output);
// `nmcli -t -f NAME,UUID,TYPE,DEVICE connection show` (terse: ':' between fields, '\' escapes)
std::vector<NmConnection> parseNmConnections(std::string_view output);
// True when a process's /proc/PID/cmdline (arguments separated by NUL) is that DHCP
// client running for that interface: a pid file may name a process that has nothing to do with it.
bool isDhcpClientFor(std::string_view cmdline, DhcpClient client, const std::string& interface);
// `resolvectl dns IF`: "Link 2 (eth0): 10.0.0.2 10.0.0.3"
std::vector<std::string> parseResolvectlDns(std::string_view output);
// The servers of the last lease in a dhclient lease file.
std::vector<std::string> parseDhclientLeaseDns(std::string_view leases);
// `dhcpcd -4 -U IF`: domain_name_servers='10.0.0.2 10.0.0.3'
std::vector<std::string> parseDhcpcdLeaseDns(std::string_view dump);
// The nameserver lines of a resolv.conf.
std::vector<std::string> resolvConfServers(std::string_view content);
// content with its nameserver lines replaced by servers (at the place of the first one;
// other lines are kept as they are).
std::string resolvConfWithServers(std::string_view content, const std::vector<std::string>& servers);

} // namespace netsh
