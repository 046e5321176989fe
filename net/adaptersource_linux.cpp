// The Linux adapter source: this machine's links, IPv4 addresses and default routes,
// read from the kernel over rtnetlink, with each link's driver from ethtool and its
// wireless nature from nl80211 over generic netlink (sysfs only when generic netlink
// gives no answer), laid out as the Windows records.
#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <vector>

// The C library's net/if.h goes before the kernel's headers, which then leave its
// definitions alone.
// clang-format off
#include <net/if.h>
#include <linux/ethtool.h>
#include <linux/rtnetlink.h>
#include <linux/sockios.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
// clang-format on

#include "net/adaptersource_linux.h"
#include "net/netlinkadapters.h"
#include "net/oserror.h"

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {
        if (m_fd < 0)
            throw SystemCallFailed{errno};
    }
    ~FileDescriptor() { ::close(m_fd); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return m_fd; }

private:
    int m_fd;
};

// One netlink socket of a protocol (rtnetlink, generic netlink). Dump sends one
// rtnetlink dump request; Exchange sends a prepared request. Each answer goes to visit.
class Netlink {
public:
    explicit Netlink(int protocol) : m_socket(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, protocol)) {}

    template <typename Visit> void Dump(std::uint16_t type, std::uint8_t family, Visit&& visit) {
        struct {
            nlmsghdr header;
            rtgenmsg body;
        } request{};
        request.header.nlmsg_len = NLMSG_LENGTH(sizeof(rtgenmsg));
        request.header.nlmsg_type = type;
        request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
        request.header.nlmsg_seq = NextSequence();
        request.body.rtgen_family = family;
        Send(&request, request.header.nlmsg_len);
        Receive(true, visit);
    }

    // request carries NextSequence(); a request that is no dump ends with its one answer.
    template <typename Visit>
    void Exchange(const std::vector<std::uint8_t>& request, bool dump, Visit&& visit) {
        Send(request.data(), request.size());
        Receive(dump, visit);
    }

    std::uint32_t NextSequence() { return ++m_sequence; }

private:
    void Send(const void* request, std::size_t length) {
        if (::send(m_socket.get(), request, length, 0) < 0)
            throw SystemCallFailed{errno};
    }

    template <typename Visit> void Receive(bool dump, Visit& visit) {
        std::vector<std::uint8_t> buffer(32768);
        for (;;) {
            const ssize_t received = ::recv(m_socket.get(), buffer.data(), buffer.size(), 0);
            if (received < 0) {
                if (errno == EINTR)
                    continue;
                throw SystemCallFailed{errno};
            }
            if (VisitMessages(buffer.data(), static_cast<std::size_t>(received), dump, visit))
                return;
        }
    }

    // Answers true at the end of the answer.
    template <typename Visit>
    bool VisitMessages(const std::uint8_t* data, std::size_t length, bool dump, Visit& visit) {
        auto remaining = static_cast<unsigned int>(length);
        for (auto* message = reinterpret_cast<const nlmsghdr*>(data); NLMSG_OK(message, remaining);
             message = NLMSG_NEXT(message, remaining)) {
            if (message->nlmsg_seq != m_sequence)
                continue;
            if (message->nlmsg_type == NLMSG_DONE)
                return true;
            if (message->nlmsg_type == NLMSG_ERROR) {
                if (const int error = ErrorOf(*message); error != 0)
                    throw SystemCallFailed{error};
                return true; // an acknowledgement
            }
            visit(*message);
            if (!dump)
                return true;
        }
        return false;
    }

    static int ErrorOf(const nlmsghdr& message) {
        if (message.nlmsg_len < NLMSG_LENGTH(sizeof(nlmsgerr)))
            return EPROTO;
        const auto* error = static_cast<const nlmsgerr*>(NLMSG_DATA(&message));
        return error->error <= 0 ? -error->error : EPROTO;
    }

    FileDescriptor m_socket;
    std::uint32_t m_sequence = 0;
};

// The indexes of the wireless links, as nl80211 lists its interfaces; none when the
// kernel has no nl80211 (no wireless driver loaded). Empty optional when generic
// netlink gives no answer: then each link's sysfs entry is read instead.
std::optional<std::set<std::uint32_t>> WirelessLinks() {
    try {
        Netlink generic(NETLINK_GENERIC);
        std::optional<std::uint16_t> nl80211;
        try {
            generic.Exchange(FamilyIdRequest("nl80211", generic.NextSequence()), false,
                             [&](const nlmsghdr& message) { nl80211 = ParseFamilyId(message); });
        } catch (const SystemCallFailed& failure) {
            if (failure.code == ENOENT)
                return std::set<std::uint32_t>{};
            throw;
        }
        if (!nl80211)
            return std::nullopt;
        std::set<std::uint32_t> links;
        generic.Exchange(WirelessInterfacesRequest(*nl80211, generic.NextSequence()), true,
                         [&](const nlmsghdr& message) {
                             if (const auto index = ParseWirelessInterface(message, *nl80211))
                                 links.insert(*index);
                         });
        return links;
    } catch (const SystemCallFailed&) {
        return std::nullopt;
    }
}

std::string DriverOf(int socket, const std::string& name) {
    ethtool_drvinfo info{};
    info.cmd = ETHTOOL_GDRVINFO;
    ifreq request{};
    std::strncpy(request.ifr_name, name.c_str(), IFNAMSIZ - 1);
    request.ifr_data = reinterpret_cast<char*>(&info);
    if (::ioctl(socket, SIOCETHTOOL, &request) < 0)
        return {};
    return std::string(info.driver, strnlen(info.driver, sizeof info.driver));
}

bool IsWireless(const LinkFacts& link) {
    std::ifstream file("/sys/class/net/" + link.Name + "/uevent");
    std::ostringstream text;
    text << file.rdbuf();
    return UeventSaysWireless(text.str(), link.Index);
}

// The driver from ethtool; whether the link is wireless from nl80211, or from sysfs
// where generic netlink gave no answer.
std::vector<LinkDetails> DetailsOf(const std::vector<LinkFacts>& links) {
    const FileDescriptor socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    const std::optional<std::set<std::uint32_t>> wireless = WirelessLinks();
    std::vector<LinkDetails> details;
    for (const LinkFacts& link : links) {
        if (link.Loopback)
            details.push_back({});
        else
            details.push_back({DriverOf(socket.get(), link.Name),
                               wireless ? wireless->count(link.Index) > 0 : IsWireless(link)});
    }
    return details;
}

std::vector<AdapterFacts> ReadAdapters() {
    Netlink netlink(NETLINK_ROUTE);
    std::vector<LinkFacts> links;
    netlink.Dump(RTM_GETLINK, AF_UNSPEC, [&](const nlmsghdr& message) {
        if (auto link = ParseLinkMessage(message))
            links.push_back(std::move(*link));
    });
    std::vector<AddressFacts> addresses;
    netlink.Dump(RTM_GETADDR, AF_INET, [&](const nlmsghdr& message) {
        if (auto address = ParseAddressMessage(message))
            addresses.push_back(*address);
    });
    std::vector<GatewayFacts> gateways;
    netlink.Dump(RTM_GETROUTE, AF_INET, [&](const nlmsghdr& message) {
        for (const GatewayFacts& gateway : ParseRouteMessage(message))
            gateways.push_back(gateway);
    });
    return AssembleAdapters(links, DetailsOf(links), addresses, gateways);
}

// The source's codes keep two spaces apart: the records' own Windows code
// (ErrorBufferOverflow, 111) and errno values (111 is also ECONNREFUSED). An errno
// is answered negated, as the kernel itself reports errors: -111 never reads as 111.
std::uint32_t ErrnoCode(int error) {
    return static_cast<std::uint32_t>(-(error > 0 ? error : EIO));
}

// The errno value of a code made by ErrnoCode; 0 for any other code.
int ErrnoOf(std::uint32_t code) {
    const auto value = static_cast<std::int32_t>(code);
    return value < 0 && value > -4096 ? -value : 0;
}

class LinuxAdapterSource final : public AdapterSource {
public:
    explicit LinuxAdapterSource(AdapterReader reader) : m_reader(std::move(reader)) {}

    std::uint32_t Query(void* buffer, std::uint32_t* size) override {
        try {
            const std::vector<AdapterFacts> adapters = m_reader();
            return FillAdapterRecords(adapters, buffer, size);
        } catch (const SystemCallFailed& failure) {
            return ErrnoCode(failure.code);
        }
    }

    std::string ErrorText(std::uint32_t code) const override {
        if (code == ErrorBufferOverflow)
            return "The data area passed to a system call is too small";
        if (const int error = ErrnoOf(code); error > 0)
            return SysErrorMessage(static_cast<std::uint32_t>(error));
        return "Unknown error " + std::to_string(code);
    }

private:
    AdapterReader m_reader;
};

} // namespace

std::unique_ptr<AdapterSource> MakeLinuxAdapterSource(AdapterReader reader) {
    return std::make_unique<LinuxAdapterSource>(std::move(reader));
}

std::unique_ptr<AdapterSource> PlatformAdapterSource() {
    return MakeLinuxAdapterSource(ReadAdapters);
}
