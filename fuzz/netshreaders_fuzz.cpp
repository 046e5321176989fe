// netsh's readers of tool output, its resolv.conf rewrite and its journal: any text
// reads without fault; the rewrite puts exactly the servers given in place and keeps
// every other line; a journal's text reads back as the journal.

#include "fuzzinput.h"
#include "journal.h"
#include "state.h"

#include <algorithm>

namespace {

bool isServer(const std::string& s) {
    return !s.empty() && s.find_first_of(" \t\r\n") == std::string::npos;
}

std::size_t otherLines(const std::string& text) {
    std::size_t count = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto end = std::min(text.find('\n', pos), text.size());
        const auto line = text.substr(pos, end - pos);
        const auto first = line.find_first_not_of(" \t\r");
        const bool nameserver =
            first != std::string::npos && line.compare(first, 10, "nameserver") == 0 &&
            (line.size() == first + 10 || std::string(" \t\r").find(line[first + 10]) != std::string::npos);
        count += nameserver ? 0 : 1;
        pos = end + 1;
    }
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    netsh::parseIpAddresses(text);
    netsh::parseDefaultRoutes(text);
    netsh::parseKeptRoutes(text);
    netsh::parseNmSettings(text);
    netsh::parseNmActive(text);
    netsh::parseNmConnections(text);
    netsh::parseResolvectlDns(text);
    netsh::parseDhclientLeaseDns(text);
    netsh::parseDhcpcdLeaseDns(text);
    for (auto client : {netsh::DhcpClient::Dhclient, netsh::DhcpClient::Dhcpcd, netsh::DhcpClient::Udhcpc}) {
        netsh::isDhcpClientFor(text, client, "eth0");
    }

    // The first field is resolv.conf, the others the servers to put in place.
    auto f = fuzz::fields(data, size);
    const std::string content = f.front();
    std::vector<std::string> servers(f.begin() + 1, f.end());
    if (std::all_of(servers.begin(), servers.end(), isServer)) {
        const auto rewritten = netsh::resolvConfWithServers(content, servers);
        fuzz::check(netsh::resolvConfServers(rewritten) == servers, "the servers given are the ones in place",
                    rewritten);
        fuzz::check(otherLines(rewritten) == otherLines(content), "every other line is kept", rewritten);
    }

    if (const auto journal = netsh::parseJournal(text)) {
        fuzz::check(netsh::parseJournal(netsh::journalText(*journal)) == journal, "a journal reads back",
                    text);
    }
    return 0;
}
