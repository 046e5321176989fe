#include "ipv4.h"

#include <charconv>

namespace netsh {

std::string Ipv4::text() const {
    return std::to_string(value >> 24) + '.' + std::to_string((value >> 16) & 0xff) + '.' +
           std::to_string((value >> 8) & 0xff) + '.' + std::to_string(value & 0xff);
}

namespace {

std::optional<std::uint32_t> parseOctet(std::string_view part) {
    if (part.empty() || part.size() > 3) {
        return std::nullopt;
    }
    for (char c : part) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
    }
    unsigned number = 0;
    std::from_chars(part.data(), part.data() + part.size(), number);
    if (number > 255) {
        return std::nullopt;
    }
    return number;
}

} // namespace

std::optional<Ipv4> parseDottedDecimal(std::string_view text) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        const auto dot = text.find('.');
        const bool last = i == 3;
        if (last != (dot == std::string_view::npos)) {
            return std::nullopt;
        }
        const auto octet = parseOctet(text.substr(0, dot));
        if (!octet) {
            return std::nullopt;
        }
        value = (value << 8) | *octet;
        text = last ? std::string_view{} : text.substr(dot + 1);
    }
    return Ipv4{value};
}

std::optional<int> prefixLength(Ipv4 mask) {
    const std::uint32_t inverted = ~mask.value;
    // Contiguous exactly when the inverted mask is of the form 0...01...1.
    if ((inverted & (inverted + 1)) != 0) {
        return std::nullopt;
    }
    int ones = 0;
    for (std::uint32_t m = mask.value; m & 0x80000000u; m <<= 1) {
        ++ones;
    }
    return ones;
}

bool isHostAddress(Ipv4 address) {
    const std::uint32_t first = address.value >> 24;
    return first != 0 && first != 127 && first < 224;
}

} // namespace netsh
