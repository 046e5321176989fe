#pragma once
// What one netsh command line asks for: the four command lines that Orvantis sends
// (address static / dhcp, dns static / dhcp), in the positional form and with
// name=, source=, address=, mask=, gateway=, gwmetric= (and register=, validate= for dns).

#include "ipv4.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace netsh {

// Bad input: what() is the one line shown to the user; nothing has been changed.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class Setting { Address, Dns };
enum class Source { Static, Dhcp };

struct Request {
    Setting setting = Setting::Address;
    Source source = Source::Static;
    std::string name; // NetworkManager connection or kernel interface

    // Setting::Address with Source::Static
    Ipv4 address;
    int prefix = 0;
    std::optional<Ipv4> gateway; // nothing for gateway=none
    std::optional<unsigned> metric;

    // Setting::Dns with Source::Static
    Ipv4 dnsServer;

    friend bool operator==(const Request&, const Request&) = default;
};

// args are the program's arguments without the program name.
// Throws UsageError for anything it does not understand or that is not valid.
Request parseRequest(const std::vector<std::string>& args);

} // namespace netsh
