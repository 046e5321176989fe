// The netlink parsers over a datagram: the walk stays within the bytes received and each
// message is read by the parser for its type; then the adapters are assembled.

#include "fuzzinput.h"
#include "net/netlinkadapters.h"

#include <cstring>
#include <linux/rtnetlink.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An aligned copy of exactly the bytes received, as the socket's buffer is.
    std::vector<nlmsghdr> storage(size / sizeof(nlmsghdr) + 1);
    auto* bytes = reinterpret_cast<std::uint8_t*>(storage.data());
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
