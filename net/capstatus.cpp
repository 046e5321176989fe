// The pure half of the Linux administrator check: the capability sets read from the
// text of /proc/self/status, what exec makes of them, and NetworkManager's answer read
// from what dbus-send or nmcli print. Pure, so that it builds and is tested on every platform.
#include "net/admin.h"

#include <cstdint>

namespace {

constexpr unsigned kCapNetAdmin = 12;
constexpr std::uint64_t kNetAdminBit = std::uint64_t{1} << kCapNetAdmin;

// Calls visit(line) for each line of text; stops when it answers true.
template <typename Visit> void forEachLine(std::string_view text, Visit visit) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        if (visit(text.substr(start, end - start)))
            return;
        start = end + 1;
    }
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view trimmed(std::string_view value) {
    while (!value.empty() && isBlank(value.front()))
        value.remove_prefix(1);
    while (!value.empty() && isBlank(value.back()))
        value.remove_suffix(1);
    return value;
}

// The value of the first line that starts with key, without the key and blanks; nullopt when none.
std::optional<std::string_view> lineValue(std::string_view text, std::string_view key) {
    std::optional<std::string_view> value;
    forEachLine(text, [&](std::string_view line) {
        if (line.substr(0, key.size()) != key)
            return false;
        value = trimmed(line.substr(key.size()));
        return true;
    });
    return value;
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

// A capability mask: at most 16 hexadecimal digits.
std::optional<std::uint64_t> maskOf(std::string_view text, std::string_view key) {
    const std::optional<std::string_view> value = lineValue(text, key);
    if (!value || value->empty() || value->size() > 16)
        return std::nullopt;
    std::uint64_t mask = 0;
    for (const char c : *value) {
        const int digit = hexDigit(c);
        if (digit < 0)
            return std::nullopt;
        mask = (mask << 4) | static_cast<std::uint64_t>(digit);
    }
    return mask;
}

// A decimal number that fits 32 bits, at the start of text; the rest must be blank or end.
std::optional<std::uint32_t> leadingNumber(std::string_view& text) {
    text = trimmed(text);
    std::uint64_t number = 0;
    std::size_t digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') {
        number = number * 10 + static_cast<std::uint64_t>(text[digits] - '0');
        if (number > 0xFFFFFFFFu)
            return std::nullopt;
        ++digits;
    }
    if (digits == 0 || (digits < text.size() && !isBlank(text[digits])))
        return std::nullopt;
    text.remove_prefix(digits);
    return static_cast<std::uint32_t>(number);
}

} // namespace

bool statusGrantsNetAdmin(std::string_view procSelfStatus) noexcept {
    const std::optional<std::uint64_t> effective = maskOf(procSelfStatus, "CapEff:");
    return effective && (*effective & kNetAdminBit);
}

std::optional<CapabilityState> parseCapabilityState(std::string_view procSelfStatus) noexcept {
    CapabilityState state;
    const auto inheritable = maskOf(procSelfStatus, "CapInh:");
    const auto permitted = maskOf(procSelfStatus, "CapPrm:");
    const auto effective = maskOf(procSelfStatus, "CapEff:");
    const auto bounding = maskOf(procSelfStatus, "CapBnd:");
    std::string_view uids = lineValue(procSelfStatus, "Uid:").value_or("");
    const auto realUid = leadingNumber(uids);
    const auto effectiveUid = leadingNumber(uids);
    if (!inheritable || !permitted || !effective || !bounding || !realUid || !effectiveUid)
        return std::nullopt;
    state.inheritable = *inheritable;
    state.permitted = *permitted;
    state.effective = *effective;
    state.bounding = *bounding;
    state.realUid = *realUid;
    state.effectiveUid = *effectiveUid;
    if (lineValue(procSelfStatus, "CapAmb:")) {
        const auto ambient = maskOf(procSelfStatus, "CapAmb:");
        if (!ambient)
            return std::nullopt;
        state.ambient = *ambient;
    }
    if (const auto noNewPrivs = lineValue(procSelfStatus, "NoNewPrivs:")) {
        if (*noNewPrivs != "0" && *noNewPrivs != "1")
            return std::nullopt;
        state.noNewPrivs = *noNewPrivs == "1";
    }
    return state;
}

// The kernel's rules for a file without capabilities and set-id bits: uid 0 (real or
// effective, unless SECBIT_NOROOT) counts the file as fully privileged, so the new
// permitted set is the bounding set together with the inheritable set; no_new_privs
// keeps it within the old permitted set; the ambient set is kept and joins it. The
// new effective set is the whole permitted set for an effective uid 0, else the ambient set.
std::uint64_t effectiveAfterExec(const CapabilityState& state, bool noRoot) noexcept {
    const bool rootRules = !noRoot && (state.realUid == 0 || state.effectiveUid == 0);
    std::uint64_t permitted = rootRules ? (state.bounding | state.inheritable) : 0;
    if (state.noNewPrivs)
        permitted &= state.permitted;
    permitted |= state.ambient;
    const bool effectiveBit = rootRules && state.effectiveUid == 0;
    return effectiveBit ? permitted : state.ambient;
}

bool startedProgramKeepsNetAdmin(const CapabilityState& state, bool noRoot) noexcept {
    return (state.effective & kNetAdminBit) && (effectiveAfterExec(state, noRoot) & kNetAdminBit);
}

bool permissionsGrantSystemChange(std::string_view permissions) noexcept {
    constexpr std::string_view kName = "org.freedesktop.NetworkManager.settings.modify.system";
    bool grants = false;
    forEachLine(permissions, [&](std::string_view line) {
        line = trimmed(line);
        if (line.substr(0, kName.size()) != kName)
            return false;
        std::string_view rest = line.substr(kName.size());
        if (rest.empty() || (rest.front() != ':' && !isBlank(rest.front())))
            return false; // a longer name
        rest = trimmed(rest.front() == ':' ? rest.substr(1) : rest);
        const std::string_view value = rest.substr(0, rest.find_first_of(" \t)"));
        grants = value == "yes" || value == "auth";
        return true;
    });
    return grants;
}
