// The netlink parsers over a datagram: the walk stays within the bytes received and each
// message is read by the parser for its type; then the adapters are assembled.

#include "fuzzinput.h"
#include "net/netlinkadapters.h"

#include <cstring>
#include <linux/rtnetlink.h>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly the bytes received (aligned, as the socket's buffer is), so that
    // a read past them is a read past the allocation.
    const std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[size > 0 ? size : 1]);
    auto* bytes = copy.get();
    if (size > 0) {
        std::memcpy(bytes, data, size);
    }
    std::vector<LinkFacts> links;
    std::vector<AddressFacts> addresses;
    std::vector<GatewayFacts> gateways;
    std::size_t offset = 0;
    while (const auto* message = NetlinkMessageAt(bytes, size, offset)) {
        fuzz::check(offset + message->nlmsg_len <= size, "a message lies within the bytes received");
        if (auto link = ParseLinkMessage(*message)) {
            links.push_back(*link);
        }
        if (auto address = ParseAddressMessage(*message)) {
            addresses.push_back(*address);
        }
        const auto hops = ParseRouteMessage(*message);
        gateways.insert(gateways.end(), hops.begin(), hops.end());
        offset = NextNetlinkOffset(*message, offset);
    }
    const std::vector<LinkDetails> details(links.size());
    AssembleAdapters(links, details, addresses, gateways);
    return 0;
}
