// netsh's IPv4 text parser agrees with a strict reader written here from the rule
// (four decimal numbers 0..255 of one to three digits, separated by dots, nothing
// else), and an address's text reads back as the address.

#include "fuzzinput.h"
#include "ipv4.h"

namespace {

std::optional<std::uint32_t> strictRead(const std::string& text) {
    std::uint32_t value = 0;
    std::size_t pos = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (pos >= text.size() || text[pos] != '.') {
                return std::nullopt;
            }
            ++pos;
        }
        unsigned number = 0;
        int digits = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < 4) {
            number = number * 10 + static_cast<unsigned>(text[pos] - '0');
            ++pos;
            ++digits;
        }
        if (digits == 0 || digits > 3 || number > 255) {
            return std::nullopt;
        }
        value = value << 8 | number;
    }
    if (pos != text.size()) {
        return std::nullopt;
    }
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto parsed = netsh::parseDottedDecimal(text);
    const auto strict = strictRead(text);
    fuzz::check(parsed.has_value() == strict.has_value(), "parser and strict reader agree on validity", text);
    if (parsed) {
        fuzz::check(parsed->value == *strict, "parser and strict reader agree on the value", text);
        fuzz::check(netsh::parseDottedDecimal(parsed->text()) == parsed, "text() reads back", text);
        if (const auto prefix = netsh::prefixLength(*parsed)) {
            const std::uint32_t mask = *prefix == 0 ? 0 : 0xffffffffu << (32 - *prefix);
            fuzz::check(mask == parsed->value, "a contiguous mask is its prefix", text);
        }
    }
    return 0;
}
