#include "journal.h"

#include <array>
#include <charconv>

namespace netsh {

namespace {

const char* const header = "orvantis-netsh-journal 1";

// One value per line: backslash, line feed and tab written as \\, \n and \t.
std::string escaped(std::string_view text) {
    std::string result;
    for (char c : text) {
        if (c == '\\') {
            result += "\\\\";
        } else if (c == '\n') {
            result += "\\n";
        } else if (c == '\t') {
            result += "\\t";
        } else {
            result += c;
        }
    }
    return result;
}

std::optional<std::string> unescaped(std::string_view text) {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            result += text[i];
            continue;
        }
        if (++i == text.size()) {
            return std::nullopt;
        }
        switch (text[i]) {
        case '\\':
            result += '\\';
            break;
        case 'n':
            result += '\n';
            break;
        case 't':
            result += '\t';
            break;
        default:
            return std::nullopt;
        }
    }
    return result;
}

// A list of values on one line, separated by tabs.
std::string listText(const std::vector<std::string>& items) {
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i) {
        text += (i ? "\t" : "") + escaped(items[i]);
    }
    return text;
}

std::optional<std::vector<std::string>> parseList(std::string_view text) {
    std::vector<std::string> items;
    for (std::size_t pos = 0;;) {
        const auto tab = text.find('\t', pos);
        auto item = unescaped(text.substr(pos, tab == std::string_view::npos ? tab : tab - pos));
        if (!item) {
            return std::nullopt;
        }
        items.push_back(std::move(*item));
        if (tab == std::string_view::npos) {
            return items;
        }
        pos = tab + 1;
    }
}

std::optional<DefaultRoute> parseDefault(std::string_view text) {
    const auto blank = text.find(' ');
    const auto gateway = parseDottedDecimal(text.substr(0, blank));
    if (!gateway) {
        return std::nullopt;
    }
    if (blank == std::string_view::npos) {
        return DefaultRoute{*gateway, std::nullopt};
    }
    const auto metricText = text.substr(blank + 1);
    unsigned metric = 0;
    const auto [end, error] =
        std::from_chars(metricText.data(), metricText.data() + metricText.size(), metric);
    if (metricText.empty() || error != std::errc{} || end != metricText.data() + metricText.size()) {
        return std::nullopt;
    }
    return DefaultRoute{*gateway, metric};
}

// The NetworkManager settings by their names in the journal.
const std::array<std::pair<const char*, std::string NmSettings::*>, 6> nmFields{{
    {"nm-method", &NmSettings::method},
    {"nm-addresses", &NmSettings::addresses},
    {"nm-gateway", &NmSettings::gateway},
    {"nm-route-metric", &NmSettings::routeMetric},
    {"nm-dns", &NmSettings::dns},
    {"nm-ignore-auto-dns", &NmSettings::ignoreAutoDns},
}};

std::string* nmField(NmSettings& settings, std::string_view key) {
    for (const auto& [name, member] : nmFields) {
        if (key == name) {
            return &(settings.*member);
        }
    }
    return nullptr;
}

// Applies one "key value" line to journal; false for a line that does not belong.
bool applyLine(Journal& journal, std::string_view key, std::string_view value) {
    if (key == "interface") {
        auto name = unescaped(value);
        journal.interface = name.value_or("");
        return name.has_value() && !journal.interface.empty();
    }
    if (key == "nm-uuid") {
        journal.nmUuid = value;
        return !value.empty();
    }
    if (auto* setting = nmField(journal.nmPrevious, key)) {
        auto text = unescaped(value);
        *setting = text.value_or("");
        return text.has_value();
    }
    if (key == "setting") {
        journal.setting = value == "dns" ? Setting::Dns : Setting::Address;
        return value == "dns" || value == "address";
    }
    if (key == "address") {
        journal.previous.addresses.emplace_back(value);
        return !value.empty();
    }
    if (key == "default") {
        const auto route = parseDefault(value);
        if (route) {
            journal.previous.defaultRoutes.push_back(*route);
        }
        return route.has_value();
    }
    if (key == "route") {
        auto args = parseList(value);
        if (args) {
            journal.previous.routes.push_back(std::move(*args));
        }
        return args.has_value();
    }
    if (key == "dhcp") {
        journal.dhcpRan = value == "yes";
        return value == "yes" || value == "no";
    }
    if (key == "resolver") {
        journal.resolver = value == "resolved" ? Resolver::Resolved : Resolver::ResolvConf;
        return value == "resolved" || value == "file";
    }
    if (key == "resolv.conf") {
        auto content = unescaped(value);
        journal.resolvConf = content.value_or("");
        return content.has_value();
    }
    if (key == "resolved-dns") {
        journal.resolvedDns.emplace_back(value);
        return !value.empty();
    }
    return false;
}

} // namespace

Journal journalOf(const Request& request, const Facts& facts) {
    Journal journal;
    journal.interface = request.name;
    journal.setting = request.setting;
    if (facts.manager == Manager::NetworkManager) {
        journal.interface = facts.nmName;
        journal.nmUuid = facts.nmUuid;
        journal.nmPrevious = facts.nm;
    } else if (request.setting == Setting::Address) {
        journal.previous = facts.iface;
        journal.dhcpRan = facts.dhcpPid.has_value();
    } else {
        journal.resolver = facts.resolver;
        journal.resolvConf = facts.resolvConf;
        journal.resolvedDns = facts.resolvedDns;
    }
    return journal;
}

// Every field, whatever the setting: a journal read back writes the same text.
std::string journalText(const Journal& journal) {
    std::string text = std::string(header) + "\n";
    text += "interface " + escaped(journal.interface) + "\n";
    text += std::string("setting ") + (journal.setting == Setting::Dns ? "dns" : "address") + "\n";
    for (const auto& address : journal.previous.addresses) {
        text += "address " + address + "\n";
    }
    for (const auto& route : journal.previous.defaultRoutes) {
        text += "default " + route.gateway.text() +
                (route.metric ? " " + std::to_string(*route.metric) : std::string{}) + "\n";
    }
    for (const auto& route : journal.previous.routes) {
        text += "route " + listText(route) + "\n";
    }
    text += std::string("dhcp ") + (journal.dhcpRan ? "yes" : "no") + "\n";
    text += std::string("resolver ") + (journal.resolver == Resolver::Resolved ? "resolved" : "file") + "\n";
    text += "resolv.conf " + escaped(journal.resolvConf) + "\n";
    for (const auto& server : journal.resolvedDns) {
        text += "resolved-dns " + server + "\n";
    }
    if (!journal.nmUuid.empty()) {
        text += "nm-uuid " + journal.nmUuid + "\n";
    }
    for (const auto& [name, member] : nmFields) {
        text += std::string(name) + " " + escaped(journal.nmPrevious.*member) + "\n";
    }
    return text + "end\n";
}

std::optional<Journal> parseJournal(std::string_view text) {
    Journal journal;
    bool first = true;
    while (!text.empty()) {
        const auto newline = text.find('\n');
        if (newline == std::string_view::npos) {
            return std::nullopt; // cut short
        }
        const auto line = text.substr(0, newline);
        text.remove_prefix(newline + 1);
        if (first) {
            if (line != header) {
                return std::nullopt;
            }
            first = false;
            continue;
        }
        if (line == "end") {
            if (!text.empty() || journal.interface.empty()) {
                return std::nullopt;
            }
            return journal;
        }
        const auto blank = line.find(' ');
        if (blank == std::string_view::npos ||
            !applyLine(journal, line.substr(0, blank), line.substr(blank + 1))) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

} // namespace netsh
