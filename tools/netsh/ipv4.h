#pragma once
// Dotted-decimal IPv4 addresses and subnet masks, as netsh accepts them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace netsh {

struct Ipv4 {
    std::uint32_t value = 0; // host byte order

    std::string text() const;
    friend bool operator==(const Ipv4&, const Ipv4&) = default;
};

// Four decimal numbers 0..255 of one to three digits, separated by dots; nothing else.
std::optional<Ipv4> parseDottedDecimal(std::string_view text);

// The prefix length of a contiguous mask (ones, then zeros); nothing for a mask with a hole.
std::optional<int> prefixLength(Ipv4 mask);

// True for an address a host may hold: not 0.x.x.x, loopback, multicast or reserved.
bool isHostAddress(Ipv4 address);

} // namespace netsh
