// Reading CAP_NET_ADMIN from the text of /proc/self/status. Pure, so it builds and is
// tested on every platform.
#include "net/admin.h"

#include <cstdint>

namespace {

constexpr unsigned kCapNetAdmin = 12;
constexpr std::string_view kCapEffKey = "CapEff:";

// The value of the line that starts with key, without the key; empty when none.
std::string_view lineValue(std::string_view text, std::string_view key) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(start, end - start);
        if (line.substr(0, key.size()) == key)
            return line.substr(key.size());
        start = end + 1;
    }
    return {};
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

} // namespace

bool statusGrantsNetAdmin(std::string_view procSelfStatus) noexcept {
    std::string_view value = lineValue(procSelfStatus, kCapEffKey);
    while (!value.empty() && isBlank(value.front()))
        value.remove_prefix(1);
    while (!value.empty() && isBlank(value.back()))
        value.remove_suffix(1);
    if (value.empty() || value.size() > 16)
        return false;
    std::uint64_t mask = 0;
    for (const char c : value) {
        const int digit = hexDigit(c);
        if (digit < 0)
            return false;
        mask = (mask << 4) | static_cast<std::uint64_t>(digit);
    }
    return (mask >> kCapNetAdmin) & 1u;
}
