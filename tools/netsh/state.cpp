#include "state.h"

#include <algorithm>
#include <charconv>
#include <sstream>

namespace netsh {

namespace {

std::vector<std::string> lines(std::string_view text) {
    std::vector<std::string> result;
    std::istringstream in{std::string(text)};
    for (std::string line; std::getline(in, line);) {
        result.push_back(line);
    }
    return result;
}

std::vector<std::string> words(std::string_view text, std::string_view separators = " \t\r") {
    std::vector<std::string> result;
    std::size_t pos = 0;
    while ((pos = text.find_first_not_of(separators, pos)) != std::string_view::npos) {
        const auto end = text.find_first_of(separators, pos);
        result.emplace_back(text.substr(pos, end - pos));
        pos = end;
    }
    return result;
}

std::optional<unsigned> number(const std::string& text) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

bool isNameserverLine(const std::string& line) {
    const auto w = words(line);
    return !w.empty() && w[0] == "nameserver";
}

} // namespace

std::vector<std::string> parseIpAddresses(std::string_view output) {
    std::vector<std::string> result;
    for (const auto& line : lines(output)) {
        const auto w = words(line);
        for (std::size_t i = 0; i + 1 < w.size(); ++i) {
            if (w[i] == "inet") {
                result.push_back(w[i + 1]);
                break;
            }
        }
    }
    return result;
}

std::vector<DefaultRoute> parseDefaultRoutes(std::string_view output) {
    std::vector<DefaultRoute> result;
    for (const auto& line : lines(output)) {
        const auto w = words(line);
        if (w.empty() || w[0] != "default") {
            continue;
        }
        std::optional<Ipv4> gateway;
        std::optional<unsigned> metric;
        for (std::size_t i = 1; i + 1 < w.size(); ++i) {
            if (w[i] == "via") {
                gateway = parseDottedDecimal(w[i + 1]);
            } else if (w[i] == "metric") {
                metric = number(w[i + 1]);
            }
        }
        if (gateway) {
            result.push_back({*gateway, metric});
        }
    }
    return result;
}

namespace {

bool isOneOf(const std::string& word, std::initializer_list<const char*> list) {
    return std::any_of(list.begin(), list.end(), [&](const char* item) { return word == item; });
}

// Keys that `ip route` prints with a value (some with "lock" before it).
bool takesValue(const std::string& key) {
    return isOneOf(key, {"via",        "src",
                         "metric",     "table",
                         "scope",      "proto",
                         "realms",     "mtu",
                         "advmss",     "window",
                         "rtt",        "rttvar",
                         "ssthresh",   "cwnd",
                         "initcwnd",   "initrwnd",
                         "hoplimit",   "quickack",
                         "congctl",    "features",
                         "reordering", "fastopen_no_cookie",
                         "tos",        "dsfield",
                         "pref",       "expires",
                         "nhid"});
}

// The arguments that add one route line again, or nothing for a route netsh does not keep.
std::optional<std::vector<std::string>> keptRoute(const std::vector<std::string>& w) {
    std::size_t i = 0;
    if (i < w.size() && isOneOf(w[i], {"unicast", "local", "broadcast", "multicast", "anycast", "blackhole",
                                       "unreachable", "prohibit", "throw", "nat"})) {
        if (w[i] != "unicast") {
            return std::nullopt; // the kernel's own local and broadcast routes, or routes without a device
        }
        ++i;
    }
    if (i >= w.size() || w[i] == "nexthop") {
        return std::nullopt;
    }
    std::vector<std::string> args{w[i++]};
    bool mainTable = true;
    while (i < w.size()) {
        const auto& key = w[i++];
        if (isOneOf(key,
                    {"linkdown", "dead", "offload", "trap", "rt_offload", "rt_trap", "rt_offload_failed"})) {
            continue; // the route's state, not part of it
        }
        args.push_back(key);
        if (!takesValue(key)) {
            continue;
        }
        if (i < w.size() && w[i] == "lock") {
            args.push_back(w[i++]);
        }
        if (i >= w.size()) {
            return std::nullopt;
        }
        const auto& value = w[i++];
        if ((key == "proto" && isOneOf(value, {"kernel", "dhcp"})) || key == "expires" || key == "nhid") {
            return std::nullopt;
        }
        if (key == "table" && value != "main") {
            mainTable = false;
        }
        args.push_back(value);
    }
    if (args.front() == "default" && mainTable) {
        return std::nullopt; // the default route that netsh replaces
    }
    return args;
}

} // namespace

std::vector<std::vector<std::string>> parseKeptRoutes(std::string_view output) {
    std::vector<std::vector<std::string>> result;
    for (const auto& line : lines(output)) {
        if (auto args = keptRoute(words(line))) {
            result.push_back(std::move(*args));
        }
    }
    return result;
}

NmSettings parseNmSettings(std::string_view output) {
    auto l = lines(output);
    l.resize(6);
    return {l[0], l[1], l[2], l[3], l[4], l[5]};
}

NmActive parseNmActive(std::string_view output) {
    auto l = lines(output);
    l.resize(3);
    const auto gateway = words(l[1]);
    return {words(l[0], " |,"), gateway.empty() ? std::string{} : gateway[0], words(l[2], " |,")};
}

std::vector<NmConnection> parseNmConnections(std::string_view output) {
    std::vector<NmConnection> result;
    for (const auto& line : lines(output)) {
        std::vector<std::string> fields(1);
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size()) {
                fields.back() += line[++i];
            } else if (line[i] == ':') {
                fields.emplace_back();
            } else {
                fields.back() += line[i];
            }
        }
        if (fields.size() == 4 && !fields[0].empty()) {
            result.push_back({fields[0], fields[1], fields[2], fields[3]});
        }
    }
    return result;
}

bool isDhcpClientFor(std::string_view cmdline, DhcpClient client, const std::string& interface) {
    std::vector<std::string> args;
    for (std::size_t pos = 0; pos < cmdline.size();) {
        const auto end = std::min(cmdline.find('\0', pos), cmdline.size());
        args.emplace_back(cmdline.substr(pos, end - pos));
        pos = end + 1;
    }
    if (args.empty()) {
        return false;
    }
    const auto base = [](const std::string& path) { return path.substr(path.rfind('/') + 1); };
    std::string program = base(args[0]);
    std::size_t first = 1;
    if (program == "busybox" && args.size() > 1) {
        program = base(args[1]);
        first = 2;
    }
    const char* expected = client == DhcpClient::Dhclient ? "dhclient"
                           : client == DhcpClient::Udhcpc ? "udhcpc"
                           : client == DhcpClient::Dhcpcd ? "dhcpcd"
                                                          : nullptr;
    if (!expected || program != expected) {
        return false;
    }
    for (std::size_t i = first; i < args.size(); ++i) {
        if (args[i] == interface || args[i] == "-i" + interface || args[i] == "--interface=" + interface) {
            return true;
        }
    }
    return false;
}

std::vector<std::string> parseResolvectlDns(std::string_view output) {
    const auto colon = output.find(':');
    return colon == std::string_view::npos ? std::vector<std::string>{}
                                           : words(output.substr(colon + 1), " \t\r\n");
}

std::vector<std::string> parseDhclientLeaseDns(std::string_view leases) {
    std::vector<std::string> servers;
    for (const auto& line : lines(leases)) {
        const auto w = words(line);
        if (w.size() >= 3 && w[0] == "option" && w[1] == "domain-name-servers") {
            std::string list;
            for (std::size_t i = 2; i < w.size(); ++i) {
                list += w[i];
            }
            servers = words(list, ",;");
        } else if (!w.empty() && w[0] == "lease") {
            servers.clear(); // a new lease: only the last one counts
        }
    }
    return servers;
}

std::vector<std::string> parseDhcpcdLeaseDns(std::string_view dump) {
    for (const auto& line : lines(dump)) {
        const std::string key = "domain_name_servers=";
        if (line.rfind(key, 0) == 0) {
            return words(std::string_view(line).substr(key.size()), " '\"");
        }
    }
    return {};
}

std::vector<std::string> resolvConfServers(std::string_view content) {
    std::vector<std::string> result;
    for (const auto& line : lines(content)) {
        if (isNameserverLine(line)) {
            const auto w = words(line);
            if (w.size() > 1) {
                result.push_back(w[1]);
            }
        }
    }
    return result;
}

std::string resolvConfWithServers(std::string_view content, const std::vector<std::string>& servers) {
    std::string nameservers;
    for (const auto& server : servers) {
        nameservers += "nameserver " + server + "\n";
    }
    std::string result;
    bool placed = false;
    for (const auto& line : lines(content)) {
        if (!isNameserverLine(line)) {
            result += line + "\n";
        } else if (!placed) {
            result += nameservers;
            placed = true;
        }
    }
    if (!placed) {
        result += nameservers;
    }
    return result;
}

} // namespace netsh
